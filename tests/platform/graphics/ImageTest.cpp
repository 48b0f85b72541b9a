// Images of the bundle's resources, and what the start-up path defers: variants are decoded
// only when drawn. (The headless GL context made on another thread draws every scripted
// run's screenshots.)
#include "platform/graphics/Image.h"

#include "platform/base/Bundle.h"
#include "platform/graphics/PictureCodec.h"
#include "support/PictureTestSupport.h"
#include "support/TestEnvironment.h"

#include <array>
#include <gtest/gtest.h>

namespace {

using platform::Bundle;
using platform::Image;

// A resource folder of the tests' own in place of the build's.
struct Images : testsupport::PlatformTest {
    void SetUp() override {
        PlatformTest::SetUp();
        std::filesystem::create_directories(dir);
        Bundle::main().setResourceDirectories({dir});
    }
    void writeSolid(const std::string& name, int width, int height, std::uint8_t red) {
        ASSERT_TRUE(platform::PictureCodec::writePNG(
            testsupport::plainPicture(width, height, {red, 0, 0, 255}), dir / name));
    }
    std::filesystem::path dir = scratch.path() / "Resources";
};

TEST_F(Images, PointSizeComesFromTheVariantsScaleAndMissingScalesBorrow) {
    writeSolid("onlyRetina@2x.png", 80, 60, 10);
    writeSolid("pair.png", 20, 10, 20);
    writeSolid("pair@3x.png", 60, 30, 30);
    std::filesystem::create_directories(dir / "broken@2x.png"); // not a file

    const auto retina = Image::named("onlyRetina.png");
    ASSERT_TRUE(retina);
    EXPECT_EQ(retina->size(), (platform::Size{40, 30}));
    EXPECT_EQ(retina->variantForScale(1).scale, 2) << "a larger one shrinks best";

    const auto pair = Image::named("pair.png");
    ASSERT_TRUE(pair);
    EXPECT_EQ(pair->size(), (platform::Size{20, 10}));
    EXPECT_EQ(pair->variantForScale(2).scale, 3);
    EXPECT_EQ(pair->variantForScale(1).picture.pixelAt(0, 0)[0], 20);

    EXPECT_EQ(Image::named("missing.png"), nullptr);
    EXPECT_EQ(Image::named("broken.png"), nullptr);
    EXPECT_EQ(Image::named("../Resources/pair.png"), nullptr) << "names stay inside the folders";
    const auto made = Image::create(testsupport::makeCoordinatePicture(30, 20), 2);
    ASSERT_TRUE(made);
    EXPECT_EQ(made->size(), (platform::Size{15, 10}));
    EXPECT_EQ(Image::create(made->variantForScale(2).picture, 0), nullptr);

    // Other folders, other pictures: the cache does not outlive the folders.
    writeSolid("other.png", 4, 4, 40);
    Bundle::main().setResourceDirectories({scratch.path()});
    EXPECT_EQ(Image::named("pair.png"), nullptr);
    Bundle::main().setResourceDirectories({dir});
    EXPECT_NE(Image::named("pair.png"), pair);
    EXPECT_TRUE(Image::named("other.png"));
}

TEST_F(Images, OnlyTheVariantDrawnIsDecodedAndOnlyWhenItIsDrawn) {
    writeSolid("tool.png", 4, 3, 10);
    writeSolid("tool@2x.png", 8, 6, 20);
    writeSolid("tool@3x.png", 12, 9, 30);
    testsupport::writeText(dir / "fake.png", "\x89PNG but no header");
    writeSolid("late@2x.png", 8, 8, 50);
    testsupport::writeText(dir / "late.png", "garbage");

    const auto image = Image::named("tool.png");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), (platform::Size{4, 3})) << "read from the smallest's header";
    EXPECT_EQ(image->scales(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(Image::named("tool.png"), image) << "found once, then shared";

    // Found but not yet read: what the files hold when first drawn is what is shown.
    writeSolid("tool@2x.png", 8, 6, 120);
    const auto& twice = image->variantForScale(2);
    EXPECT_EQ(twice.scale, 2);
    EXPECT_EQ(twice.picture.width(), 8);
    EXPECT_EQ(twice.picture.pixelAt(0, 0)[0], 120);
    // Once decoded, a variant stays as it was.
    writeSolid("tool@2x.png", 8, 6, 220);
    EXPECT_EQ(image->variantForScale(2).picture.pixelAt(0, 0)[0], 120);

    // A file damaged after it was found is drawn transparent at its size, not as garbage.
    testsupport::writeText(dir / "tool@3x.png", "not a picture any more");
    const auto& thrice = image->variantForScale(3);
    EXPECT_EQ(thrice.picture.size(), (platform::Size{12, 9}));
    EXPECT_EQ(thrice.picture.pixelAt(5, 5), (std::array<std::uint8_t, 4>{0, 0, 0, 0}));
    EXPECT_EQ(image->variantForScale(1).picture.pixelAt(0, 0)[0], 10);
    EXPECT_EQ(image->variantForScale(5).scale, 3) << "the largest there is";

    // A resource that is no picture is no image; a broken smallest variant gives way to the
    // next one for the size.
    EXPECT_EQ(Image::named("fake.png"), nullptr);
    const auto late = Image::named("late.png");
    ASSERT_TRUE(late);
    EXPECT_EQ(late->size(), (platform::Size{4, 4}));
    EXPECT_EQ(late->scales(), (std::vector<int>{2}));
}

} // namespace
