#include "platform/media/FrameSource.h"

#include "platform/graphics/PictureCodec.h"
#include "platform/media/PictureFrameSource.h"
#include "platform/media/V4L2FrameSource.h"
#include "support/PictureTestSupport.h"
#include "support/TestEnvironment.h"

#include <algorithm>
#include <semaphore>
#include <thread>

namespace {

using platform::FrameSource;
using platform::Picture;
using platform::PictureFrameSource;
using testsupport::Pixel;

// The newest frame of a source that has not failed; nothing before the first.
std::optional<FrameSource::Frame> frameOf(const FrameSource& source) {
    auto frame = source.latestFrame();
    EXPECT_TRUE(frame.has_value()) << frame.error().message;
    return frame.value_or(std::nullopt);
}

class CameraPictureTest : public ::testing::Test {
protected:
    void TearDown() override { FrameSource::resetCameraPicture(); }

    std::filesystem::path write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const auto path = scratch.path() / name;
        testsupport::writeText(path, std::string(bytes.begin(), bytes.end()));
        return path;
    }

    testsupport::ScratchDirectory scratch;
};

TEST_F(CameraPictureTest, PhotoIsPlayedUprightWhateverItsOrientation) {
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
        const bool sideways = exif >= 5;
        const int right = sideways ? 15 : 31;
        const int bottom = sideways ? 31 : 15;
        ASSERT_EQ(frame->picture.width(), right + 1);
        ASSERT_EQ(frame->picture.height(), bottom + 1);
        const std::pair<int, int> places[] = {{0, 0}, {right, 0}, {0, bottom}, {right, bottom}};
        for (std::size_t corner = 0; corner < 4; ++corner) {
            const Pixel seen = frame->picture.pixelAt(places[corner].first, places[corner].second);
            for (std::size_t channel = 0; channel < 3; ++channel) {
                EXPECT_NEAR(seen[channel], corners[corner][channel], 12) << corner;
            }
        }
    }
}

TEST_F(CameraPictureTest, OneOpaqueFrameARunWhateverTheClock) {
    // Premultiplied half-transparent pixels: over black the colour stays, alpha becomes full.
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
}

TEST_F(CameraPictureTest, UnusablePictureFailsToStartAndDeliversNothing) {
    // The picture was fine when the source last started; then it changed on disk.
    const auto path = scratch.path() / "camera.png";
    const auto good = *platform::PictureCodec::encodePNG(testsupport::makeCoordinatePicture(4, 4));
    const std::pair<std::vector<std::uint8_t>, std::string> cases[] = {
        {{'n', 'o', 't', 'e', 's'}, platform::decodeFailure::unknownFormat},
        {{}, "the file could not be read"}, // no file at all
    };
    for (const auto& [bytes, reason] : cases) {
        PictureFrameSource source(write("camera.png", good));
        ASSERT_TRUE(source.start());
        source.stop();
        std::filesystem::remove(path);
        if (!bytes.empty()) {
            write("camera.png", bytes);
        }
        const auto started = source.start();
        ASSERT_FALSE(started);
        EXPECT_EQ(started.error().message,
                  "the camera picture '" + path.string() + "' cannot be shown: " + reason);
        EXPECT_FALSE(frameOf(source));
    }
}

// What the camera then shows is pinned by the editor's picking tests.
TEST_F(CameraPictureTest, CameraPictureMakesTheCameraAvailableUntilReset) {
    const bool device = !platform::V4L2FrameSource::captureDevices().empty();
    EXPECT_EQ(FrameSource::cameraAvailable(), device);
    EXPECT_EQ(FrameSource::createCamera() != nullptr, device);
    FrameSource::setCameraPicture(scratch.path() / "camera.png");
    EXPECT_TRUE(FrameSource::cameraAvailable());
    EXPECT_NE(FrameSource::createCamera(), nullptr);
    FrameSource::resetCameraPicture();
    EXPECT_EQ(FrameSource::cameraAvailable(), device);
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

} // namespace
