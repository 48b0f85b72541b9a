#include "platform/media/V4L2FrameSource.h"

#include "support/TestEnvironment.h"

#include <chrono>
#include <thread>

namespace {

using platform::V4L2FrameSource;

TEST(V4L2FrameSource, WhatIsNoCameraFailsToStartWithTheReason) {
    testsupport::ScratchDirectory scratch;
    const auto file = scratch.path() / "video3";
    testsupport::writeText(file, "not a device");
    const auto missing = scratch.path() / "video4";
    const std::pair<std::filesystem::path, std::string> cases[] = {
        {missing,
         "the camera '" + missing.string() + "' cannot be opened: No such file or directory"},
        {"/dev/null", "'/dev/null' is not a camera"},
        {file, "'" + file.string() + "' is not a camera"},
    };
    for (const auto& [path, message] : cases) {
        V4L2FrameSource source(path);
        // A failed start leaves the source as it was: it can be asked again.
        for (int attempt = 0; attempt < 2; ++attempt) {
            const auto started = source.start();
            ASSERT_FALSE(started);
            EXPECT_EQ(started.error().message, message);
        }
        source.stop();
        const auto frame = source.latestFrame();
        ASSERT_TRUE(frame);
        EXPECT_FALSE(*frame);
    }

    // Nodes that answer no capture query are not listed.
    std::filesystem::create_symlink("/dev/null", scratch.path() / "video1");
    EXPECT_TRUE(V4L2FrameSource::captureDevices(scratch.path()).empty());
    EXPECT_TRUE(V4L2FrameSource::captureDevices(missing).empty());
}

TEST(V4L2FrameSource, RGB24RowsBecomeOpaquePixelsSkippingTheRowPadding) {
    // Two rows of two pixels, each row padded to 8 bytes; the padding holds 99.
    const std::vector<std::uint8_t> rows = {1, 2, 3, 4, 5, 6, 99, 99, 7, 8, 9, 10, 11, 12, 99, 99};
    const auto picture = V4L2FrameSource::pictureFromRGB24(rows, 2, 2, 8);
    ASSERT_TRUE(picture);
    const std::vector<std::uint8_t> rgba = {1, 2, 3, 255, 4,  5,  6,  255,
                                            7, 8, 9, 255, 10, 11, 12, 255};
    EXPECT_EQ(*picture->pixels(), rgba);
    // The last row needs no padding after it, but every pixel of it.
    EXPECT_TRUE(V4L2FrameSource::pictureFromRGB24({rows.data(), 14}, 2, 2, 8));
    EXPECT_FALSE(V4L2FrameSource::pictureFromRGB24({rows.data(), 13}, 2, 2, 8));
    EXPECT_FALSE(V4L2FrameSource::pictureFromRGB24(rows, 2, 2, 5));
    EXPECT_FALSE(V4L2FrameSource::pictureFromRGB24(rows, 0, 2, 8));
}

TEST(V4L2FrameSource, CaptureDeviceDeliversNumberedOpaqueFramesUntilStopped) {
    const auto devices = V4L2FrameSource::captureDevices();
    if (devices.empty()) {
        GTEST_SKIP() << "no V4L2 capture device (/dev/video*) on this machine";
    }
    V4L2FrameSource source(devices.front());
    const auto started = source.start();
    ASSERT_TRUE(started) << started.error().message;
    // The camera runs on its own clock: wait for the third frame, within reason.
    std::optional<platform::FrameSource::Frame> frame;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while ((!frame || frame->number < 3) && std::chrono::steady_clock::now() < deadline) {
        auto latest = source.latestFrame();
        ASSERT_TRUE(latest) << latest.error().message;
        frame = *latest;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    source.stop();
    ASSERT_TRUE(frame);
    EXPECT_GE(frame->number, 3u);
    for (int x = 0; x < frame->picture.width(); x += 7) {
        EXPECT_EQ(frame->picture.pixelAt(x, frame->picture.height() / 2)[3], 255);
    }
    // Stopped, it keeps its last frame.
    EXPECT_GE(source.latestFrame().value()->number, frame->number);
}

} // namespace
