// Pictures in and out through the editor's own screens, driven as a script drives them:
// the photo library, the camera, files opened from outside, and the album.

#include "ZevkoCore/ZVKCommons.h"
#include "platform/base/Paths.h"
#include "platform/media/AlbumWriter.h"
#include "platform/media/FrameSource.h"
#include "platform/ui/widgets/ActivityIndicatorView.h"
#include "platform/ui/widgets/AlertView.h"
#include "platform/ui/widgets/ImagePickerController.h"
#include "platform/ui/widgets/ThumbnailGridView.h"
#include "support/EditorSession.h"
#include "support/HeifEncoding.h"
#include "support/JpegEncoding.h"
#include "support/PictureTestSupport.h"
#include "support/WebpEncoding.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using platform::AlertView;
using platform::Picture;

// Red on the left half, blue on the right.
Picture halves(int width, int height) {
    return testsupport::makePicture(width, height, [width](int x, int) {
        return x < width / 2 ? testsupport::Pixel{255, 0, 0, 255}
                             : testsupport::Pixel{0, 0, 255, 255};
    });
}

bool reddish(const std::array<std::uint8_t, 4>& p) {
    return p[0] > 200 && p[2] < 60;
}

bool bluish(const std::array<std::uint8_t, 4>& p) {
    return p[2] > 200 && p[0] < 60;
}

class Picking : public testsupport::EditorSession {
protected:
    void SetUp() override {
        EditorSession::SetUp();
        fs::create_directories(pictures / "trip");
    }
    void TearDown() override {
        EditorSession::TearDown();
        platform::FrameSource::resetCameraPicture();
    }

    fs::path write(const fs::path& path, const std::vector<std::uint8_t>& bytes, int age) {
        testsupport::writeText(path, std::string(bytes.begin(), bytes.end()));
        fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(age));
        return path;
    }

    platform::ImagePickerController& picker() { return *kernel()->picker(); }
    std::shared_ptr<AlertView> alert() { return AlertView::visibleAlert(*host.window()); }

    // History, index and tool as they stand.
    struct State {
        std::vector<std::string> names;
        int current;
        Effect effect;
        bool operator==(const State&) const = default;
    };
    State state() { return {model().imageFileNames(), model().currentImage(), model().effect()}; }
};

TEST_F(Picking, APickedPictureBecomesTheOnlyEntryUprightAndReducedToFit) {
    const fs::path turned =
        write(pictures / "trip" / "turned.jpg", testsupport::encodeJpeg(halves(40, 20), 6), 1);
    const fs::path wide =
        write(pictures / "wide.png", *platform::PictureCodec::encodePNG(halves(1200, 300)), 2);
    write(pictures / "notes.png", {'n', 'o', 't', 'e'}, 0);
    launch();
    ASSERT_EQ(run("press effect\nwait 0.3\npress smudge\nwait 0.3\n"
                  "down 1 100 200\nmove 1 140 230\nup 1 140 230\nwait 0.5\n"
                  "press effect\nwait 0.3\npress bump\nwait 0.3\n"),
              "");
    ASSERT_EQ(model().imageFileNames().size(), 2u);

    ASSERT_EQ(run("press effect\nwait 0.3\npress pick\nwait 0.5\n"), "");
    ASSERT_NE(picker().parentViewController(), nullptr);
    // Newest first; the file that is no picture is left out.
    EXPECT_EQ(picker().files(), (std::vector<fs::path>{turned, wide}));
    EXPECT_TRUE(picker().grid()->hasThumbnail(0));

    ASSERT_EQ(run("pick " + turned.string() + "\n"), "");
    const auto wait = alert();
    ASSERT_NE(wait, nullptr);
    EXPECT_EQ(wait->title(), "Please, wait...");
    EXPECT_EQ(wait->numberOfButtons(), 0);
    const platform::ActivityIndicatorView* spinner = nullptr;
    for (const auto& view : wait->subviews()) {
        spinner =
            spinner ? spinner : dynamic_cast<const platform::ActivityIndicatorView*>(view.get());
    }
    ASSERT_NE(spinner, nullptr);
    EXPECT_TRUE(spinner->isAnimating());
    EXPECT_EQ(spinner->center(), (platform::Point{140, 35}));
    EXPECT_EQ(model().imageFileNames().size(), 2u) << "converted only after 0.05 s";

    ASSERT_EQ(run("wait 0.1\nwait 0.5\n"), "");
    EXPECT_EQ(alert(), nullptr);
    EXPECT_EQ(picker().parentViewController(), nullptr);
    ASSERT_EQ(model().imageFileNames().size(), 1u);
    EXPECT_TRUE(model().imageFileNames()[0].ends_with(".pngr"));
    EXPECT_FALSE(model().undoImageAllowed());
    EXPECT_FALSE(model().redoImageAllowed());
    EXPECT_EQ(model().effect(), Effect::Smudge);
    EXPECT_NE(storageText().find(model().imageFileNames()[0]), std::string::npos);
    const auto upright = model().image();
    ASSERT_TRUE(upright);
    EXPECT_EQ(upright->size(), (platform::Size{20, 40}));
    EXPECT_TRUE(reddish(upright->pixelAt(10, 2)));
    EXPECT_TRUE(bluish(upright->pixelAt(10, 37)));

    // A wide picture is reduced to fit 600 across.
    ASSERT_EQ(run("press pick\nwait 0.5\npick " + wide.string() + "\nwait 0.1\nwait 0.5\n"), "");
    const auto reduced = model().image();
    ASSERT_TRUE(reduced);
    EXPECT_EQ(reduced->size(), (platform::Size{600, 150}));
    EXPECT_TRUE(reddish(reduced->pixelAt(10, 75)));
    EXPECT_TRUE(bluish(reduced->pixelAt(590, 75)));

    // What phones write: WebP, and HEIC turned upright by its own rotation.
    std::vector<std::pair<fs::path, std::vector<std::uint8_t>>> phone = {
        {pictures / "phone.webp", testsupport::encodeWebp(halves(64, 32), false)}};
    if (testsupport::canEncodeHeif()) {
        phone.emplace_back(pictures / "phone.heic", testsupport::encodeHeif(halves(64, 32), 6));
    }
    for (const auto& [path, bytes] : phone) {
        write(path, bytes, 0);
        ASSERT_EQ(run("press pick\nwait 0.5\npick " + path.string() + "\nwait 0.1\nwait 0.5\n"),
                  "");
        const auto picked = model().image();
        ASSERT_TRUE(picked) << path;
        const bool turned = path.extension() == ".heic";
        EXPECT_EQ(picked->size(), (turned ? platform::Size{32, 64} : platform::Size{64, 32}))
            << path;
        EXPECT_TRUE(reddish(picked->pixelAt(turned ? 16 : 8, turned ? 8 : 16))) << path;
        EXPECT_TRUE(bluish(picked->pixelAt(turned ? 16 : 56, turned ? 56 : 16))) << path;
    }
}

TEST_F(Picking, CancelAndUnreadablePicturesLeaveTheHistoryAsItWas) {
    const fs::path broken = write(pictures / "broken.png", {0x89, 'P', 'N', 'G', '\r', '\n'}, 0);
    launch();
    const State before = state();
    ASSERT_EQ(run("press pick\nwait 0.5\ncancel\nwait 0.5\n"), "");
    EXPECT_EQ(picker().parentViewController(), nullptr);
    EXPECT_EQ(state(), before);
    EXPECT_TRUE(model().image()) << "the picture dropped on presenting comes back";
    EXPECT_EQ(run("cancel\n"), "s.txt:1: the picker is not shown");

    ASSERT_EQ(run("press pick\nwait 0.5\npick " + broken.string() + "\nwait 0.1\nwait 0.5\n"), "");
    ASSERT_NE(alert(), nullptr);
    EXPECT_TRUE(alert()->title().starts_with("The picture could not be opened: "))
        << alert()->title();
    EXPECT_EQ(state(), before);
    EXPECT_EQ(picker().parentViewController(), nullptr);
    alert()->dismissWithClickedButtonIndex(0, false);

    // A picture that cannot be stored keeps the history and the tool: here the images
    // folder has been replaced by a file.
    const fs::path good =
        write(pictures / "good.png", *platform::PictureCodec::encodePNG(halves(8, 8)), 0);
    const fs::path images = documents / "PixelloImages";
    fs::rename(images, scratch.path() / "kept");
    testsupport::writeText(images, "");
    ASSERT_EQ(run("press pick\nwait 0.5\npick " + good.string() + "\nwait 0.1\nwait 0.5\n"), "");
    ASSERT_NE(alert(), nullptr);
    EXPECT_TRUE(alert()->title().starts_with("The picture could not be saved: cannot create"))
        << alert()->title();
    EXPECT_EQ(state(), before);
    fs::remove(images);
    fs::rename(scratch.path() / "kept", images);
}

TEST_F(Picking, TheCameraShowsItsPictureAndTheShutterPicksIt) {
    const fs::path shot = scratch.path() / "camera.png";
    ASSERT_TRUE(platform::PictureCodec::writePNG(halves(64, 48), shot));
    platform::FrameSource::setCameraPicture(shot);
    launch();
    ASSERT_EQ(run("press camera\nwait 0.5\n"), "");
    ASSERT_NE(picker().parentViewController(), nullptr);
    EXPECT_EQ(picker().sourceType(), platform::ImagePickerController::Camera);
    EXPECT_EQ(run("pick " + shot.string() + "\n"), "s.txt:1: the photo library is not shown");
    ASSERT_EQ(run("shutter\nwait 0.1\nwait 0.5\n"), "");
    ASSERT_EQ(model().imageFileNames().size(), 1u);
    const auto picked = model().image();
    ASSERT_TRUE(picked);
    EXPECT_EQ(picked->size(), (platform::Size{64, 48}));
    EXPECT_TRUE(reddish(picked->pixelAt(4, 24)));
}

TEST_F(Picking, FilesOpenedFromOutsideTakeThePickersRoad) {
    const fs::path file = write(scratch.path() / "elsewhere.png",
                                *platform::PictureCodec::encodePNG(halves(30, 10)), 0);
    launch();
    delegate->openFile(file);
    ASSERT_NE(alert(), nullptr);
    EXPECT_EQ(alert()->title(), "Please, wait...");
    ASSERT_EQ(run("wait 0.1\nwait 0.5\n"), "");
    ASSERT_EQ(model().imageFileNames().size(), 1u);
    EXPECT_EQ(model().image()->size(), (platform::Size{30, 10}));
}

TEST_F(Picking, SavingWritesTheCurrentPictureIntoTheAlbum) {
    launch();
    ASSERT_EQ(run("press save\nwait 0.1\n"), "");
    ASSERT_NE(alert(), nullptr);
    EXPECT_EQ(alert()->title(), "Image saved to 'Saved photos' album.");
    alert()->dismissWithClickedButtonIndex(0, false);
    const fs::path album = pictures / platform::AlbumWriter::kAlbumName;
    std::vector<fs::path> saved(fs::directory_iterator(album), {});
    ASSERT_EQ(saved.size(), 1u);
    const auto written = platform::PictureCodec::decodeFile(saved[0]);
    ASSERT_TRUE(written);
    EXPECT_EQ(*written->pixels(), *model().image()->pixels());

    // An album that cannot be made: the system's reason, and no file anywhere.
    fs::remove_all(album);
    testsupport::writeText(album, "");
    ASSERT_EQ(run("press save\nwait 0.1\n"), "");
    ASSERT_NE(alert(), nullptr);
    EXPECT_EQ(alert()->title(), "Error 'Not a directory' occured.");
    EXPECT_EQ(std::distance(fs::directory_iterator(pictures), {}), 2) << "trip and the file";
}

} // namespace
