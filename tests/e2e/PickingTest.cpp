// Pictures in and out through the editor's own screens, driven as a script drives them:
// the photo library, the camera, files opened from outside, and the album; and the full-size
// rendition, edits recorded beside their history entries and drawn again on the kept
// original, for the album and for `export-full`.

#include "Pixello/EditHistory.h"
#include "Pixello/FullResolution.h"
#include "platform/base/FileSystem.h"
#include "platform/gl/GLContext.h"
#include "platform/media/AlbumWriter.h"
#include "platform/media/FrameSource.h"
#include "platform/ui/widgets/ActivityIndicatorView.h"
#include "platform/ui/widgets/AlertView.h"
#include "platform/ui/widgets/ImagePickerController.h"
#include "platform/ui/widgets/ThumbnailGridView.h"
#include "support/EditorSession.h"
#include "support/JpegEncoding.h"
#include "support/PictureTestSupport.h"

#include <chrono>
#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <tuple>

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

// 'r' for a reddish pixel, 'b' for a bluish one, else '?'.
char hue(const std::array<std::uint8_t, 4>& p) {
    return p[0] > 200 && p[2] < 60 ? 'r' : p[2] > 200 && p[0] < 60 ? 'b' : '?';
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
    // The album's files, oldest name first.
    std::vector<fs::path> album() const {
        std::vector<fs::path> files;
        const fs::path folder = pictures / platform::AlbumWriter::kAlbumName;
        if (fs::exists(folder)) {
            files.assign(fs::directory_iterator(folder), {});
        }
        std::sort(files.begin(), files.end());
        return files;
    }

    // History, index and tool as they stand.
    auto state() {
        return std::tuple(model().imageFileNames(), model().currentImage(), model().effect());
    }
};

TEST_F(Picking, APickedOrShotPictureBecomesTheOnlyEntryUprightAndReducedToFit) {
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
    ASSERT_EQ(model().imageFileNames().size(), 1u);
    EXPECT_TRUE(model().imageFileNames()[0].ends_with(".pngr"));
    EXPECT_EQ(model().effect(), Effect::Smudge);
    EXPECT_NE(storageText().find(model().imageFileNames()[0]), std::string::npos);
    const auto upright = model().image();
    ASSERT_TRUE(upright);
    EXPECT_EQ(upright->size(), (platform::Size{20, 40}));
    EXPECT_EQ(hue(upright->pixelAt(10, 2)), 'r');
    EXPECT_EQ(hue(upright->pixelAt(10, 37)), 'b');

    // A wide picture is reduced to fit 600 across.
    ASSERT_EQ(run("press pick\nwait 0.5\npick " + wide.string() + "\nwait 0.1\nwait 0.5\n"), "");
    const auto reduced = model().image();
    ASSERT_TRUE(reduced);
    EXPECT_EQ(reduced->size(), (platform::Size{600, 150}));
    EXPECT_EQ(hue(reduced->pixelAt(10, 75)), 'r');
    EXPECT_EQ(hue(reduced->pixelAt(590, 75)), 'b');

    // The camera shows its picture and the shutter picks it.
    const fs::path shot = scratch.path() / "camera.png";
    ASSERT_TRUE(platform::PictureCodec::writePNG(halves(64, 48), shot));
    platform::FrameSource::setCameraPicture(shot);
    // The picker shows the camera, not the photo library.
    ASSERT_EQ(run("press camera\nwait 0.5\n"), "");
    EXPECT_EQ(run("pick " + shot.string() + "\n"), "s.txt:1: the photo library is not shown");
    ASSERT_EQ(run("shutter\nwait 0.1\nwait 0.5\n"), "");
    ASSERT_EQ(model().imageFileNames().size(), 1u);
    const auto picked = model().image();
    ASSERT_TRUE(picked);
    EXPECT_EQ(picked->size(), (platform::Size{64, 48}));
    EXPECT_EQ(hue(picked->pixelAt(4, 24)), 'r');
}

TEST_F(Picking, CancelAndFailedPicturesLeaveTheHistoryAsItWasAndSavingWritesTheAlbum) {
    const fs::path broken = write(pictures / "broken.png", {0x89, 'P', 'N', 'G', '\r', '\n'}, 0);
    launch();
    const auto before = state();
    ASSERT_EQ(run("press pick\nwait 0.5\ncancel\nwait 0.5\n"), "");
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
    alert()->dismissWithClickedButtonIndex(0, false);
    fs::remove(images);
    fs::rename(scratch.path() / "kept", images);

    // Saving writes the current picture into the album.
    ASSERT_EQ(run("press save\nwait 0.1\n"), "");
    ASSERT_NE(alert(), nullptr);
    EXPECT_EQ(alert()->title(), "Image saved to 'Saved photos' album.");
    alert()->dismissWithClickedButtonIndex(0, false);
    ASSERT_EQ(album().size(), 1u);
    const auto written = platform::PictureCodec::decodeFile(album()[0]);
    ASSERT_TRUE(written);
    EXPECT_EQ(*written->pixels(), *model().image()->pixels());

    // An album that cannot be made: the system's reason, and no file anywhere.
    fs::remove_all(album()[0].parent_path());
    testsupport::writeText(pictures / platform::AlbumWriter::kAlbumName, "");
    ASSERT_EQ(run("press save\nwait 0.1\n"), "");
    ASSERT_NE(alert(), nullptr);
    EXPECT_EQ(alert()->title(), "Error 'Not a directory' occured.");
    EXPECT_EQ(std::distance(fs::directory_iterator(pictures), {}), 4)
        << "trip, the two pictures and the file";
}

// Smooth, so that a reduced full-size rendition can be compared with the working picture.
Picture landscape(int width, int height) {
    return testsupport::makePicture(width, height, [width, height](int x, int y) {
        const double wave = std::sin(x * 6.0 / width) * std::cos(y * 5.0 / height);
        return testsupport::Pixel{static_cast<std::uint8_t>(x * 255 / width),
                                  static_cast<std::uint8_t>(y * 255 / height),
                                  static_cast<std::uint8_t>(128 + 100 * wave), 255};
    });
}

// A 1200 × 900 original, opened, then smudged, bumped, cropped and smudged again: five
// entries of a 600 × 450 working picture.
constexpr const char* kEdits = "down 1 100 200\nmove 1 130 210\nmove 1 160 220\nup 1 190 230\n"
                               "wait 0.5\n"
                               "press effect\nwait 0.3\npress bump\nwait 0.3\n"
                               "down 1 120 220\ndown 2 200 300\nmove 1 100 200\nmove 2 220 320\n"
                               "up 1 100 200\nup 2 220 320\nwait 0.5\n"
                               "press effect\nwait 0.3\npress crop\nwait 0.3\n"
                               "press apply\nwait 0.1\nwait 0.5\n"
                               "press effect\nwait 0.3\npress smudge\nwait 0.3\n"
                               "down 1 200 150\nmove 1 170 170\nup 1 150 190\nwait 0.5\n";

class FullSize : public Picking {
protected:
    void edit() {
        launch();
        delegate->openFile(write(scratch.path() / "original.png",
                                 *platform::PictureCodec::encodePNG(landscape(1200, 900)), 0));
        ASSERT_EQ(run("wait 0.1\nwait 0.5\n"), "");
        ASSERT_EQ(run(kEdits), "");
        ASSERT_EQ(model().imageFileNames().size(), 5u);
    }

    fs::path images() const { return model().directoryForImages(); }
    std::string current() const {
        return model().imageFileNames()[static_cast<std::size_t>(model().currentImage())];
    }
    // The rendition of `name` made from scratch, the original decoded to fit `box`.
    std::expected<Picture, platform::Error>
    replay(const std::string& name,
           platform::Size box = {FullResolution::kFullSide, FullResolution::kFullSide}) const {
        return FullResolution::renderEntry(images(), model().imageFileNames(), name, "",
                                           std::nullopt, platform::GLContext::shared()->fbo(), 0,
                                           box);
    }
};

TEST_F(FullSize, ReplayGivesEveryEntryAndTheOriginalsSizeReachesExportAndAlbum) {
    edit();
    // At the working size, exactly what each entry's file holds.
    for (const std::string& name : model().imageFileNames()) {
        const auto again = replay(name, {600.0f, 600.0f});
        ASSERT_TRUE(again) << name << ": " << again.error().message;
        const fs::path path = images() / name;
        const auto entry = name.ends_with(".pngr")
                               ? std::optional(*platform::PictureCodec::decodeFile(path))
                               : PixelloModel::pictureFromRawFile(*platform::readFile(path));
        ASSERT_TRUE(entry) << name;
        ASSERT_EQ(again->size(), entry->size()) << name;
        EXPECT_EQ(*again->pixels(), *entry->pixels()) << name;
    }

    const Picture working = *model().image();
    ASSERT_EQ(run("export-full " + (scratch.path() / "full.png").string() + "\n"), "");
    const auto full = platform::PictureCodec::decodeFile(scratch.path() / "full.png");
    ASSERT_TRUE(full);
    // The crop at twice the working scale; reduced, close to the working picture in every
    // channel of every pixel.
    EXPECT_EQ(full->size(), (platform::Size{working.width() * 2.0f, working.height() * 2.0f}));
    const auto reduced =
        PixelloKernel::convertImageToPNG(*full, working.size().width, working.size().height);
    ASSERT_TRUE(reduced);
    double total = 0;
    int largest = 0;
    for (std::size_t i = 0; i < working.pixels()->size(); ++i) {
        const int delta = std::abs(int{(*reduced->pixels())[i]} - int{(*working.pixels())[i]});
        total += delta;
        largest = std::max(largest, delta);
    }
    EXPECT_LT(total / static_cast<double>(working.pixels()->size()), 1.5);
    EXPECT_LE(largest, 64) << "edges of strokes are sharper at full size";

    // The rendition is kept: one more stroke costs one step from it and gives what a
    // replay from scratch gives.
    const std::string before = current();
    EXPECT_EQ(kernel()->fullResolution()->cachedEntry(), before);
    ASSERT_EQ(run("down 1 150 300\nmove 1 180 310\nup 1 200 320\nwait 0.5\n"), "");
    const auto plan = EditHistory::plan(images(), model().imageFileNames(), current(), before);
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->steps.size(), 1u);
    const auto next = kernel()->fullResolution()->render(model());
    ASSERT_TRUE(next);
    EXPECT_EQ(*next->pixels(), *replay(current())->pixels());

    // The album gets the same, made off the main thread under the wait alert.
    ASSERT_EQ(run("press save\n"), "");
    ASSERT_NE(alert(), nullptr);
    EXPECT_EQ(alert()->title(), "Please, wait...");
    ASSERT_EQ(run("wait 0.1\n"), "");
    ASSERT_EQ(alert()->title(), "Image saved to 'Saved photos' album.");
    ASSERT_EQ(album().size(), 1u);
    const auto saved = platform::PictureCodec::decodeFile(album()[0]);
    ASSERT_TRUE(saved);
    EXPECT_EQ(*saved->pixels(), *next->pixels());
}

TEST_F(FullSize, DamagedRecordsFallBackAndSideFilesLiveAndDieWithTheirEntries) {
    edit();
    const auto names = model().imageFileNames();
    const fs::path middle = images() / EditHistory::editFileName(names[2]);
    const fs::path source = images() / EditHistory::sourceFileName(names[0]);
    const std::string record = testsupport::readText(middle);
    const std::string kept = testsupport::readText(source);
    // How each damage is found is the record's and the codec's own test; here, that any of
    // them falls back.
    const std::tuple<const char*, fs::path, std::string> damages[] = {
        {"missing", middle, ""},
        {"truncated", middle, record.substr(0, record.size() / 2)},
        {"unreadable original", source, "not a picture"},
    };
    const Picture working = *model().image();
    for (const auto& [what, file, content] : damages) {
        SCOPED_TRACE(what);
        if (content.empty()) {
            fs::remove(file);
        } else {
            testsupport::writeText(file, content);
        }
        EXPECT_NE(run("export-full " + (scratch.path() / "x.png").string() + "\n"), "");
        const std::size_t before = album().size();
        ASSERT_EQ(run("press save\nwait 0.1\n"), "");
        ASSERT_NE(alert(), nullptr);
        EXPECT_NE(alert()->title().find("the working picture was saved"), std::string::npos)
            << alert()->title();
        alert()->dismissWithClickedButtonIndex(0, false);
        ASSERT_EQ(album().size(), before + 1);
        const auto saved = platform::PictureCodec::decodeFile(album().back());
        ASSERT_TRUE(saved);
        EXPECT_EQ(*saved->pixels(), *working.pixels());
        testsupport::writeText(middle, record);
        testsupport::writeText(source, kept);
    }
    EXPECT_TRUE(replay(current())) << "whole again";

    // Side files live and die with their entries.
    const auto companions = [this] {
        std::vector<std::string> files;
        for (const auto& entry : fs::directory_iterator(images())) {
            const std::string name = entry.path().filename().string();
            if (name.ends_with(".edit") || name.ends_with(".source")) {
                files.push_back(name);
            }
        }
        std::sort(files.begin(), files.end());
        return files;
    };
    ASSERT_EQ(run("press undo\nwait 0.3\npress undo\nwait 0.3\n"
                  "down 1 150 300\nmove 1 180 310\nup 1 200 320\nwait 0.5\n"),
              "");
    // The redo branch goes with exactly its records, once the backup no longer names it.
    ASSERT_TRUE(model().saveToStorage());
    std::vector<std::string> expected{EditHistory::sourceFileName(names[0])};
    for (std::size_t i : {0u, 1u, 2u}) {
        expected.push_back(EditHistory::editFileName(names[i]));
    }
    expected.push_back(EditHistory::editFileName(model().imageFileNames()[3]));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(companions(), expected);

    // Dropping the entries before the current one leaves it its steps and the original.
    const auto before = replay(current());
    ASSERT_TRUE(before);
    model().clearHistory();
    ASSERT_EQ(model().imageFileNames().size(), 1u);
    ASSERT_TRUE(model().saveToStorage());
    ASSERT_TRUE(model().saveToStorage());
    EXPECT_EQ(companions(), (std::vector<std::string>{EditHistory::editFileName(current()),
                                                      EditHistory::sourceFileName(current())}));
    const auto after = replay(current());
    ASSERT_TRUE(after) << after.error().message;
    EXPECT_EQ(*after->pixels(), *before->pixels());
}

} // namespace
