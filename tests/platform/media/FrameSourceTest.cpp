#include "platform/media/FrameSource.h"

#include "platform/graphics/PictureCodec.h"
#include "platform/media/PictureFrameSource.h"
#include "platform/media/V4L2FrameSource.h"
#include "support/PictureTestSupport.h"
#include "support/TestEnvironment.h"

#include <algorithm>
#include <chrono>
#include <semaphore>
#include <thread>

namespace {

using platform::FrameSource;
using platform::Picture;
using platform::PictureFrameSource;
using platform::V4L2FrameSource;
using testsupport::Pixel;

// The newest frame of a source that has not failed; nothing before the first.
std::optional<FrameSource::Frame> frameOf(const FrameSource& source) {
    auto frame = source.latestFrame();
    EXPECT_TRUE(frame.has_value()) << frame.error().message;
    return frame.value_or(std::nullopt);
}

struct CameraPictureTest : ::testing::Test {
    std::filesystem::path write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const auto path = scratch.path() / name;
        testsupport::writeText(path, std::string(bytes.begin(), bytes.end()));
        return path;
    }

    testsupport::ScratchDirectory scratch;
};

TEST_F(CameraPictureTest, APhotoIsPlayedUprightAndOpaqueOneFrameARunWhileItCanBeRead) {
    // Four coloured quarters; after turning, the stored corners land on known places.
    constexpr Pixel red{230, 20, 20, 255}, green{20, 230, 20, 255}, blue{20, 20, 230, 255},
        white{240, 240, 240, 255};
    const Picture photo = testsupport::makePicture(32, 16, [&](int x, int y) {
        return y < 8 ? (x < 16 ? red : green) : (x < 16 ? blue : white);
    });
    // The displayed top-left, top-right, bottom-left and bottom-right corners by EXIF value.
    const std::pair<int, std::array<Pixel, 4>> cases[] = {
        {1, {red, green, blue, white}}, {2, {green, red, white, blue}},
        {3, {white, blue, green, red}}, {4, {blue, white, red, green}},
        {5, {red, blue, green, white}}, {6, {blue, red, white, green}},
        {7, {white, green, blue, red}}, {8, {green, white, red, blue}},
    };
    for (const auto& [exif, corners] : cases) {
        SCOPED_TRACE(exif);
        PictureFrameSource source(write("photo.jpg", testsupport::encodeJpeg(photo, exif)));
        ASSERT_TRUE(source.start());
        const auto frame = frameOf(source);
        ASSERT_TRUE(frame);
        EXPECT_EQ(frame->picture.orientation(), Picture::Up);
        const int right = exif >= 5 ? 15 : 31, bottom = exif >= 5 ? 31 : 15;
        ASSERT_EQ(frame->picture.size(), (platform::Size{right + 1.0f, bottom + 1.0f}));
        const std::pair<int, int> places[] = {{0, 0}, {right, 0}, {0, bottom}, {right, bottom}};
        for (std::size_t corner = 0; corner < 4; ++corner) {
            const Pixel seen = frame->picture.pixelAt(places[corner].first, places[corner].second);
            for (std::size_t channel = 0; channel < 3; ++channel) {
                EXPECT_NEAR(seen[channel], corners[corner][channel], 12) << corner;
            }
        }
    }

    // One opaque frame a run, whatever the clock. Premultiplied half-transparent pixels: over
    // black the colour stays, alpha becomes full.
    const auto picture = [](bool opaque) {
        return testsupport::makePicture(5, 3, [opaque](int x, int y) {
            return Pixel{static_cast<std::uint8_t>(20 * x), static_cast<std::uint8_t>(30 * y), 7,
                         static_cast<std::uint8_t>(opaque || x == 0 ? 255 : 128)};
        });
    };
    PictureFrameSource source(
        write("picture.png", *platform::PictureCodec::encodePNG(picture(false))));
    EXPECT_FALSE(frameOf(source));
    ASSERT_TRUE(source.start());
    const auto first = frameOf(source);
    ASSERT_TRUE(first);
    EXPECT_EQ(*first->picture.pixels(), *picture(true).pixels());
    // No new frame arrives by itself; stopping keeps the frame and a new run counts on.
    EXPECT_EQ(frameOf(source)->number, 1u);
    source.stop();
    EXPECT_EQ(frameOf(source)->number, 1u);
    ASSERT_TRUE(source.start());
    EXPECT_EQ(frameOf(source)->number, 2u);

    // A picture that was fine when the source last started, then changed on disk, fails to
    // start and delivers nothing.
    const auto path = scratch.path() / "camera.png";
    const auto good = *platform::PictureCodec::encodePNG(testsupport::makeCoordinatePicture(4, 4));
    const std::pair<std::vector<std::uint8_t>, std::string> unusable[] = {
        {{'n', 'o', 't', 'e', 's'}, platform::decodeFailure::unknownFormat},
        {{}, "the file could not be read"}, // no file at all
    };
    for (const auto& [bytes, reason] : unusable) {
        PictureFrameSource camera(write("camera.png", good));
        ASSERT_TRUE(camera.start());
        camera.stop();
        std::filesystem::remove(path);
        if (!bytes.empty()) {
            write("camera.png", bytes);
        }
        const auto started = camera.start();
        ASSERT_FALSE(started);
        EXPECT_EQ(started.error().message,
                  "the camera picture '" + path.string() + "' cannot be shown: " + reason);
        EXPECT_FALSE(frameOf(camera));
    }
}

// Delivers frames from its own thread, each filled with its number; once a reader has seen
// the run's last frame, the run fails.
class CountingSource final : public FrameSource {
public:
    static constexpr std::uint64_t framesPerRun = 300;

    ~CountingSource() override { stop(); }

    std::expected<void, platform::Error> start() override {
        beginRun();
        thread_ = std::thread([this] {
            for (std::uint64_t i = 0; i < framesPerRun; ++i) {
                const auto value = static_cast<std::uint8_t>(++sent_);
                deliverFrame(testsupport::plainPicture(64, 48, {value, value, value, value}));
            }
            lastFrameSeen_.acquire();
            deliverFailure({"unplugged"});
        });
        return {};
    }
    void stop() override {
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    void lastFrameSeen() { lastFrameSeen_.release(); }

private:
    std::thread thread_;
    std::uint64_t sent_ = 0; // written by the delivering thread only
    std::binary_semaphore lastFrameSeen_{0};
};

// Reads while a run delivers frames after + 1 … after + framesPerRun, until the last: every
// frame read is whole (each byte carries its number), of this run, and numbers never go back.
testing::AssertionResult readRun(const FrameSource& source, std::uint64_t after) {
    const std::uint64_t last = after + CountingSource::framesPerRun;
    std::uint64_t seen = 0;
    while (seen != last) {
        const auto frame = source.latestFrame();
        if (!frame) {
            return testing::AssertionFailure() << "failed early: " << frame.error().message;
        }
        if (!*frame) {
            continue;
        }
        const FrameSource::Frame& f = **frame;
        if (f.number <= after || f.number < seen || f.number > last) {
            return testing::AssertionFailure() << "frame " << f.number << " after " << seen;
        }
        const auto& bytes = *f.picture.pixels();
        const auto value = static_cast<std::uint8_t>(f.number);
        if (std::ranges::any_of(bytes, [&](std::uint8_t b) { return b != value; })) {
            return testing::AssertionFailure() << "frame " << f.number << " is torn";
        }
        seen = f.number;
    }
    return testing::AssertionSuccess();
}

TEST(FrameSource, ReadersGetWholeFramesWhileTheyArriveAndThenTheFailure) {
    CountingSource source;
    for (std::uint64_t run = 0; run < 2; ++run) {
        // A new run forgets the failure and the frame of the one before; numbers go on.
        ASSERT_TRUE(source.start());
        EXPECT_TRUE(readRun(source, run * CountingSource::framesPerRun));
        source.lastFrameSeen();
        while (source.latestFrame()) {
        }
        EXPECT_EQ(source.latestFrame().error().message, "unplugged");
        source.stop();
    }
}

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
