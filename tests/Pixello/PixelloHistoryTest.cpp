#include "Pixello/PixelloModel.h"
#include "Pixello/PropertyNames.h"
#include "platform/graphics/PictureCodec.h"
#include "support/EditorTestSupport.h"
#include "support/TestEnvironment.h"

#include <cstdint>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using platform::Picture;
using platform::PixelBuffer;
using platform::PixelBytes;

// A width × height opaque picture whose every pixel carries `seed`, and its buffer.
PixelBuffer bufferOf(int width, int height, std::uint8_t seed) {
    PixelBytes bytes;
    for (int i = 0; i < width * height; ++i) {
        bytes.insert(bytes.end(), {seed, static_cast<std::uint8_t>(i), 7, 255});
    }
    return std::make_shared<const PixelBytes>(std::move(bytes));
}

class PixelloHistoryTest : public testsupport::PlatformTest {
protected:
    // Made once the documents directory points at the scratch folder.
    void SetUp() override {
        PlatformTest::SetUp();
        model = std::make_unique<PixelloModel>();
    }

    // Adds a raw entry the way the kernel does: buffer first, then the picture.
    PixelBuffer addRaw(std::uint8_t seed, int width = 3, int height = 2) {
        const PixelBuffer buffer = bufferOf(width, height, seed);
        model->setDataRef(buffer);
        EXPECT_TRUE(model->setImage(*Picture::create(buffer, width, height)));
        return buffer;
    }
    std::string path(std::size_t index) const {
        return model->pathToImageFile(model->imageFileNames().at(index));
    }

    std::unique_ptr<PixelloModel> model;
    testsupport::NoticeLog recorder;
};

TEST_F(PixelloHistoryTest, RawFileOfATwoByOnePictureIsPixelsThenLittleEndianSize) {
    model->addDelegate(&recorder);
    const PixelBuffer buffer = addRaw(9, 2, 1);
    EXPECT_EQ(model->currentImage(), 0);
    ASSERT_EQ(model->imageFileNames().size(), 1u);
    EXPECT_TRUE(model->imageFileNames()[0].ends_with(".png"));
    EXPECT_EQ(testsupport::readText(path(0)),
              std::string(buffer->begin(), buffer->end()) + std::string("\x02\0\0\0\x01\0\0\0", 8));
    EXPECT_EQ(recorder.names,
              (std::vector<std::string>{PropertyName::kImage, PropertyName::kHistory}));
    // The buffer stays with the model until someone takes it.
    EXPECT_EQ(model->dataRef(), buffer);
}

// When the dropped files go is left to the history machine's fuzz target and the full-size
// end-to-end test; here which entries are dropped, and the notices.
TEST_F(PixelloHistoryTest, UndoRedoAndANewEntryMoveTheIndexAndDropTheRedoBranch) {
    addRaw(1);
    addRaw(2);
    addRaw(3);
    const std::vector<std::string> before = model->imageFileNames();
    model->addDelegate(&recorder);
    model->redoImage();
    model->undoImage();
    model->undoImage();
    model->undoImage();
    EXPECT_EQ(model->currentImage(), 0);
    EXPECT_EQ(model->image()->pixels()->at(0), 1);
    model->redoImage();
    EXPECT_EQ(model->image()->pixels()->at(0), 2);
    EXPECT_EQ(recorder.names,
              (std::vector<std::string>{PropertyName::kImage, PropertyName::kHistory,
                                        PropertyName::kImage, PropertyName::kHistory,
                                        PropertyName::kImage, PropertyName::kHistory}));
    addRaw(4);
    const std::vector<std::string> after = model->imageFileNames();
    EXPECT_EQ(after.size(), 3u);
    EXPECT_EQ(after[1], before[1]);
    EXPECT_NE(after[2], before[2]);
    EXPECT_FALSE(model->redoImageAllowed());
    EXPECT_EQ(model->pendingRemovals(), std::vector<std::string>{before[2]});

    // Clearing keeps the current entry alone, and says so even with nothing left to drop.
    model->undoImage();
    recorder.names.clear();
    model->clearHistory();
    EXPECT_EQ(model->imageFileNames(), std::vector<std::string>{after[1]});
    EXPECT_EQ(model->currentImage(), 0);
    EXPECT_EQ(model->pendingRemovals(), (std::vector<std::string>{before[2], after[2], after[0]}));
    model->clearHistory();
    EXPECT_EQ(recorder.names,
              (std::vector<std::string>{PropertyName::kHistory, PropertyName::kHistory}));
}

TEST_F(PixelloHistoryTest, AFileNamedTwiceSurvivesWhileAnEntryStillNamesIt) {
    addRaw(1);
    const std::string name = model->imageFileNames()[0];
    const std::string payload = "3\n1\n" + name + "\n" + name + "\n" + name +
                                "\n0.110000\n28.000000\n10.000000\n10.000000\n";
    ASSERT_TRUE(model->loadFromData(payload));
    model->clearHistory();
    ASSERT_TRUE(model->saveToStorage());
    ASSERT_TRUE(model->saveToStorage());
    EXPECT_EQ(model->imageFileNames(), std::vector<std::string>{name});
    EXPECT_TRUE(std::filesystem::exists(model->pathToImageFile(name)));
    EXPECT_TRUE(model->image());
}

TEST_F(PixelloHistoryTest, TheSameEntryIsDecodedOnceAndTheSecondReadLeavesDataRefAlone) {
    addRaw(5);
    // A fresh model reads the stored entry.
    const std::string payload = model->saveToData();
    model = std::make_unique<PixelloModel>();
    ASSERT_TRUE(model->loadFromData(payload));
    EXPECT_EQ(model->dataRef(), nullptr);

    const auto first = model->image();
    ASSERT_TRUE(first);
    // The raw pixels come along for a direct upload, shared with the picture.
    EXPECT_EQ(model->dataRef(), first->pixels());
    EXPECT_EQ(*first->pixels(), *bufferOf(3, 2, 5));
    model->setDataRef(nullptr);

    const auto second = model->image();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->pixels(), first->pixels());
    EXPECT_EQ(model->dataRef(), nullptr);

    model->clearCache();
    const auto third = model->image();
    ASSERT_TRUE(third);
    EXPECT_NE(third->pixels(), first->pixels());
    EXPECT_EQ(*third->pixels(), *first->pixels());
}

TEST_F(PixelloHistoryTest, WithoutABufferThePictureIsStoredAsPngrAndReadWithoutDataRef) {
    const PixelBuffer buffer = bufferOf(4, 3, 200);
    ASSERT_TRUE(model->setImage(*Picture::create(buffer, 4, 3)));
    ASSERT_TRUE(model->imageFileNames()[0].ends_with(".pngr"));
    EXPECT_TRUE(platform::PictureCodec::decodeFile(path(0)));
    model->clearCache();
    const auto read = model->image();
    ASSERT_TRUE(read);
    EXPECT_EQ(*read->pixels(), *buffer);
    EXPECT_EQ(model->dataRef(), nullptr);

    // A buffer that does not fit the picture could not be read back raw.
    model->setDataRef(bufferOf(1, 1, 0));
    ASSERT_TRUE(model->setImage(*Picture::create(buffer, 4, 3)));
    EXPECT_TRUE(model->imageFileNames()[1].ends_with(".pngr"));
}

TEST_F(PixelloHistoryTest, DamagedOrMissingFilesYieldNoPicture) {
    addRaw(1);
    const std::string raw = path(0);
    const std::string sound = testsupport::readText(raw);
    auto readAfresh = [&] {
        model->clearCache();
        // clearCache keeps a failed name; a move away and back reads the file again.
        const std::string payload = model->saveToData();
        model = std::make_unique<PixelloModel>();
        EXPECT_TRUE(model->loadFromData(payload));
        return model->image();
    };
    // Short and torn files are left to the raw history fuzz target. A trailer whose product wraps
    // round 32 bits must not pass for the file's length.
    testsupport::writeText(raw, sound.substr(0, sound.size() - 8) +
                                    std::string("\x06\0\0\x40\x01\0\0\0", 8));
    EXPECT_FALSE(readAfresh());
    std::filesystem::remove(raw);
    EXPECT_FALSE(readAfresh());
    EXPECT_EQ(model->dataRef(), nullptr);

    ASSERT_TRUE(model->setImage(*Picture::create(bufferOf(2, 2, 3), 2, 2)));
    testsupport::writeText(path(1), "\x89PNG\r\n\x1a\n broken");
    EXPECT_FALSE(readAfresh());
    testsupport::writeText(raw, sound);
    model->undoImage();
    EXPECT_TRUE(model->image());
}

TEST_F(PixelloHistoryTest, AFailedWriteChangesNothingAndSendsNothing) {
    addRaw(1);
    std::filesystem::remove_all(model->directoryForImages());
    testsupport::writeText(model->directoryForImages(), "not a directory");
    model->addDelegate(&recorder);
    const PixelBuffer buffer = bufferOf(3, 2, 2);
    model->setDataRef(buffer);
    EXPECT_FALSE(model->setImage(*Picture::create(buffer, 3, 2)));
    EXPECT_FALSE(model->setImage(std::nullopt));
    EXPECT_EQ(model->imageFileNames().size(), 1u);
    EXPECT_EQ(model->currentImage(), 0);
    EXPECT_TRUE(recorder.names.empty());
}

} // namespace
