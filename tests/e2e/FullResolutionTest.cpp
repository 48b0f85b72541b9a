// The full-size rendition: edits recorded beside their history entries and drawn again on
// the kept original, for the album and for `export-full`.

#include "Pixello/FullResolution.h"

#include "Pixello/EditHistory.h"
#include "platform/base/FileSystem.h"
#include "platform/gl/GLContext.h"
#include "platform/media/AlbumWriter.h"
#include "platform/ui/widgets/AlertView.h"
#include "support/EditorSession.h"
#include "support/PictureTestSupport.h"

#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using platform::Picture;

// Smooth, so that a reduced full-size rendition can be compared with the working picture.
Picture landscape(int width, int height) {
    return testsupport::makePicture(width, height, [width, height](int x, int y) {
        const double wave = std::sin(x * 6.0 / width) * std::cos(y * 5.0 / height);
        return testsupport::Pixel{static_cast<std::uint8_t>(x * 255 / width),
                                  static_cast<std::uint8_t>(y * 255 / height),
                                  static_cast<std::uint8_t>(128 + 100 * wave), 255};
    });
}

// Every channel of every pixel: the mean and the largest difference.
struct Difference {
    double mean = 0;
    int largest = 0;
};
Difference difference(const Picture& a, const Picture& b) {
    Difference d;
    const auto& pa = *a.pixels();
    const auto& pb = *b.pixels();
    for (std::size_t i = 0; i < pa.size(); ++i) {
        const int delta = std::abs(int{pa[i]} - int{pb[i]});
        d.mean += delta;
        d.largest = std::max(d.largest, delta);
    }
    d.mean /= static_cast<double>(pa.size());
    return d;
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

class FullSize : public testsupport::EditorSession {
protected:
    void edit() {
        launch();
        original = scratch.path() / "original.png";
        testsupport::writeText(original,
                               bytes(*platform::PictureCodec::encodePNG(landscape(1200, 900))));
        delegate->openFile(original);
        ASSERT_EQ(run("wait 0.1\nwait 0.5\n"), "");
        ASSERT_EQ(run(kEdits), "");
        ASSERT_EQ(model().imageFileNames().size(), 5u);
    }
    static std::string bytes(const std::vector<std::uint8_t>& b) { return {b.begin(), b.end()}; }

    fs::path images() const { return model().directoryForImages(); }
    std::string current() const {
        return model().imageFileNames()[static_cast<std::size_t>(model().currentImage())];
    }
    // What an entry's file holds.
    Picture stored(const std::string& name) const {
        const fs::path path = images() / name;
        auto picture = name.ends_with(".pngr")
                           ? std::optional(*platform::PictureCodec::decodeFile(path))
                           : PixelloModel::pictureFromRawFile(*platform::readFile(path));
        return *picture;
    }
    // The rendition of `name` made from scratch, the original decoded to fit `box`.
    std::expected<Picture, platform::Error> replay(const std::string& name,
                                                   platform::Size box = {FullResolution::kFullSide,
                                                                         FullResolution::kFullSide},
                                                   int tileLimit = 0) const {
        return FullResolution::renderEntry(images(), model().imageFileNames(), name, "",
                                           std::nullopt, platform::GLContext::shared()->fbo(),
                                           tileLimit, box);
    }
    std::shared_ptr<platform::AlertView> alert() {
        return platform::AlertView::visibleAlert(*host.window());
    }
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

    fs::path original;
};

TEST_F(FullSize, ReplayAtTheWorkingSizeGivesEveryEntryExactly) {
    edit();
    for (const std::string& name : model().imageFileNames()) {
        const auto again = replay(name, {600.0f, 600.0f});
        ASSERT_TRUE(again) << name << ": " << again.error().message;
        const Picture entry = stored(name);
        ASSERT_EQ(again->size(), entry.size()) << name;
        EXPECT_EQ(*again->pixels(), *entry.pixels()) << name;
    }
}

TEST_F(FullSize, TheOriginalsSizeReachesExportAndAlbumAndFollowsEveryEdit) {
    edit();
    const Picture working = *model().image();
    ASSERT_EQ(run("export-full " + (scratch.path() / "full.png").string() + "\n"), "");
    const auto full = platform::PictureCodec::decodeFile(scratch.path() / "full.png");
    ASSERT_TRUE(full);
    // The crop at twice the working scale.
    EXPECT_EQ(full->size(), (platform::Size{working.width() * 2.0f, working.height() * 2.0f}));
    const auto reduced =
        PixelloKernel::convertImageToPNG(*full, working.size().width, working.size().height);
    ASSERT_TRUE(reduced);
    const Difference d = difference(*reduced, working);
    EXPECT_LT(d.mean, 1.5);
    EXPECT_LE(d.largest, 64) << "edges of strokes are sharper at full size";

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

TEST_F(FullSize, DamagedRecordsOrOriginalsFallBackToTheWorkingPicture) {
    edit();
    const auto names = model().imageFileNames();
    const fs::path middle = images() / EditHistory::editFileName(names[2]);
    const fs::path source = images() / EditHistory::sourceFileName(names[0]);
    const std::string record = testsupport::readText(middle);
    const std::string kept = testsupport::readText(source);
    // A PNG header that claims 60 megapixels.
    std::string huge = kept;
    huge.replace(16, 8, std::string("\x00\x00\x27\x10\x00\x00\x17\x70", 8));
    struct Damage {
        const char* what;
        fs::path file;
        std::string content;
    };
    const Damage damages[] = {
        {"missing", middle, ""},
        {"truncated", middle, record.substr(0, record.size() / 2)},
        {"another version", middle, record.substr(0, 4) + '\x02' + record.substr(5)},
        {"checksum", middle,
         record.substr(0, 40) + static_cast<char>(record[40] ^ 1) + record.substr(41)},
        {"unreadable original", source, "not a picture"},
        {"original too large", source, huge},
    };
    const Picture working = *model().image();
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.what);
        if (damage.content.empty()) {
            fs::remove(damage.file);
        } else {
            testsupport::writeText(damage.file, damage.content);
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
}

TEST_F(FullSize, SideFilesLiveAndDieWithTheirEntries) {
    edit();
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
    auto names = model().imageFileNames();
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
