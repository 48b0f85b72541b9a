#include "Pixello/PixelloModel.h"

#include "Pixello/PropertyNames.h"
#include "ZevkoCore/ZVKMD5.h"
#include "support/NoticeLog.h"
#include "support/TestEnvironment.h"

#include <array>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Log = std::vector<std::string>;

const std::string kName1 = "0A1B2C3D-0000-4000-8000-000000000001.png";
const std::string kName2 = "0A1B2C3D-0000-4000-8000-000000000002.pngr";

using Strengths = std::array<float, 4>;
Strengths strengths(const PixelloModel& m) {
    return {m.smudgePower(), m.smudgeWidth(), m.bumpPower(), m.pinchPower()};
}

class PixelloModelTest : public testsupport::PlatformTest {};

TEST_F(PixelloModelTest, AFreshModelMakesItsImagesDirectoryButLeavesAFileInItsPlace) {
    EXPECT_EQ(PixelloModel().pathToImageFile(kName1),
              (documents / "PixelloImages" / kName1).string());
    EXPECT_TRUE(std::filesystem::is_directory(documents / "PixelloImages"));
    std::filesystem::remove_all(documents / "PixelloImages");
    testsupport::writeText(documents / "PixelloImages", "not a folder");
    const PixelloModel model;
    EXPECT_EQ(testsupport::readText(documents / "PixelloImages"), "not a folder");
}

TEST_F(PixelloModelTest, SettersReportEvenUnchangedValues) {
    PixelloModel model;
    testsupport::NoticeLog r;
    model.addDelegate(&r);
    model.setEffect(Effect::Smudge);
    model.setVisibleToolbar(VisibleToolbar::Actions);
    model.setSmudgePower(-3.0f);
    model.setSmudgeWidth(99.0f);
    model.setBumpPower(1000.0f);
    model.setPinchPower(0.0f);
    model.gridModified();
    model.cropRectModified();
    EXPECT_EQ(r.names,
              (Log{PropertyName::kEffect, PropertyName::kVisibleToolbar, PropertyName::kSmudgePower,
                   PropertyName::kSmudgeWidth, PropertyName::kBumpPower, PropertyName::kPinchPower,
                   PropertyName::kGrid, PropertyName::kCropRect}));

    // The crop rectangle, the draw flag and the buffer change silently.
    r.names.clear();
    model.setCropRect(platform::Rect(1, 2, 3, 4));
    model.setShouldDraw(false);
    model.setDataRef(std::make_shared<const platform::PixelBytes>(8, std::uint8_t{7}));
    EXPECT_TRUE(r.names.empty());
    EXPECT_EQ(model.cropRect(), platform::Rect(1, 2, 3, 4));
    EXPECT_FALSE(model.shouldDraw());
}

TEST_F(PixelloModelTest, OrientationFollowsTheDeviceOnlyForTheFourUprightPositions) {
    auto& device = platform::Device::current();
    using O = platform::DeviceOrientation;
    device.setOrientation(O::FaceUp);
    EXPECT_EQ(PixelloModel().orientation(), O::Portrait);
    device.setOrientation(O::LandscapeHomeRight);
    PixelloModel model;
    testsupport::NoticeLog r;
    model.addDelegate(&r);
    for (O o : {O::Unknown, O::FaceUp, O::FaceDown, O::LandscapeHomeRight, O::LandscapeHomeLeft}) {
        device.setOrientation(o);
        model.orientationChanged();
        EXPECT_EQ(model.orientation(),
                  o == O::LandscapeHomeLeft ? O::LandscapeHomeLeft : O::LandscapeHomeRight);
    }
    EXPECT_EQ(r.names, (Log{PropertyName::kOrientation, PropertyName::kOrientation}));
}

TEST_F(PixelloModelTest, PayloadRoundTripsHistoryIndexAndStrengths) {
    PixelloModel source;
    EXPECT_EQ(source.saveToData(), "0\n-1\n0.110000\n28.000000\n10.000000\n10.000000\n");
    const std::string payload =
        "2\n1\n" + kName1 + "\n" + kName2 + "\n0.050000\n50.000000\n" + "7.250000\n15.000000\n";
    ASSERT_TRUE(source.loadFromData(payload + ZVKMD5ForString(payload)));
    EXPECT_EQ(source.imageFileNames(), (Log{kName1, kName2}));
    EXPECT_EQ(source.currentImage(), 1);
    EXPECT_TRUE(source.undoImageAllowed());
    EXPECT_FALSE(source.redoImageAllowed());
    EXPECT_EQ(strengths(source), (Strengths{0.05f, 50.0f, 7.25f, 15.0f}));
    EXPECT_EQ(source.saveToData(), payload);
}

TEST_F(PixelloModelTest, NumbersParseLeniently) {
    PixelloModel model;
    // Strengths outside the sliders' ranges come in at the nearest end, as the settings
    // screen shows them.
    ASSERT_TRUE(model.loadFromData(" 1abc\n\t0\n" + kName1 + "\nabc\n 2.5e1xyz\n1e999\n.65e1\n"));
    EXPECT_EQ(model.imageFileNames(), Log{kName1});
    EXPECT_EQ(strengths(model), (Strengths{0.05f, 25.0f, 15.0f, 6.5f}));
    // A negative count means no names.
    ASSERT_TRUE(model.loadFromData("-3\n-1\n1\n2\n3\n4\n"));
    EXPECT_TRUE(model.imageFileNames().empty());
    EXPECT_EQ(model.currentImage(), -1);
    EXPECT_EQ(model.smudgePower(), 0.2f);
}

TEST_F(PixelloModelTest, EveryUnsoundPayloadIsRefusedAndChangesNothing) {
    const std::vector<std::string> refused = {
        "",
        "0\n",
        "0\n-1\n1\n2\n3\n",                              // a strength missing
        "0\n-1\n1\n2\n3\n4",                             // last line not ended
        "2\n0\n" + kName1 + "\n1\n2\n3\n4\n",            // a name missing
        "99999999999\n0\n" + kName1 + "\n1\n2\n3\n4\n",  // saturated count
        "1\n1\n" + kName1 + "\n1\n2\n3\n4\n",            // index past the end
        "1\n-1\n" + kName1 + "\n1\n2\n3\n4\n",           // no current entry
        "1\n-99999999999\n" + kName1 + "\n1\n2\n3\n4\n", // saturated index
        "0\n0\n1\n2\n3\n4\n",                            // empty list, index 0
        "1\n0\n\n1\n2\n3\n4\n",                          // empty name
        "1\n0\n.\n1\n2\n3\n4\n",
        "1\n0\n..\n1\n2\n3\n4\n",
        "1\n0\n../Pixello.storage\n1\n2\n3\n4\n",          // a path
        std::string("1\n0\nname\0.png\n1\n2\n3\n4\n", 23), // zero byte
    };
    for (const std::string& text : refused) {
        PixelloModel model;
        ASSERT_TRUE(model.loadFromData("1\n0\n" + kName1 + "\n1\n2\n3\n4\n"));
        const std::string before = model.saveToData();
        EXPECT_FALSE(model.loadFromData(text)) << text;
        EXPECT_FALSE(model.loadFromData(text + ZVKMD5ForString(text))) << text;
        EXPECT_EQ(model.saveToData(), before) << text;
    }
}

} // namespace
