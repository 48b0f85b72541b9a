// The history on disk under failures: leftovers of earlier runs, damaged storage, file-system
// calls that fail one after another, and pictures the screen cannot hold.
#include "Pixello/GLView.h"
#include "Pixello/HistoryLeftovers.h"
#include "platform/base/FileSystem.h"
#include "platform/ui/widgets/AlertView.h"
#include "support/EditorTestSupport.h"

#include <array>
#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using platform::FileCall;
using testsupport::framed;
using testsupport::storagePayload;
using testsupport::writeText;

std::string entry(int i, const char* extension = ".png") {
    return "0A1B2C3D-0000-4000-8000-00000000000" + std::to_string(i) + extension;
}

// Every entry name the storage file and its backup hold whose file is missing.
std::vector<std::string> danglingNames(const std::string& storage, const fs::path& images) {
    std::vector<std::string> missing;
    for (const std::string& file : {storage, ZVKApplicationModel::backupPath(storage)}) {
        for (const std::string& name : PixelloModel::entryNamesIn(testsupport::readText(file))) {
            if (PixelloModel::isEntryFileName(name) && !fs::exists(images / name)) {
                missing.push_back(name);
            }
        }
    }
    return missing;
}

class HistoryDurability : public testsupport::EditorFixture {
protected:
    fs::path images() const { return documents / PixelloModel::kImagesDirectoryName; }
};

TEST_F(HistoryDurability, LeftoversAreOnlyOurUnnamedAndTemporaryFiles) {
    fs::create_directories(images());
    writeText(storage(), framed(storagePayload({entry(1)}, 0)));
    writeText(ZVKApplicationModel::backupPath(storage()), framed(storagePayload({entry(2)}, 0)));
    writeText(ZVKApplicationModel::damagedPath(storage()), "1\n0\n" + entry(3) + "\ntorn");
    struct Case {
        fs::path file;
        bool leftover;
    };
    const std::vector<Case> cases = {
        {images() / entry(1), false},                                  // named by the main file
        {images() / entry(2), false},                                  // by the backup
        {images() / entry(3), false},                                  // by the damaged file
        {images() / entry(4), true},                                   // by nobody
        {images() / entry(5, ".pngr"), true},                          // nor this PNG entry
        {images() / "9F1B2C3D-0000-4000-8000-000000000009.png", true}, // digits at both ends
        {images() / ("." + entry(1) + ".Ab12Cd"), true}, // a torn write of a named one
        {images() / ("." + entry(6) + ".Ab12C"), false}, // not mkstemp's suffix
        {images() / "0a1b2c3d-0000-4000-8000-000000000007.png", false}, // not our case
        {images() / (entry(8) + ".txt"), false},                        // not an entry's file
        {images() / "holiday.png", false},                              // the user's own
        {images() / (entry(2) + ".edit"), false}, // a named entry's side files
        {images() / (entry(2) + ".source"), false},
        {images() / (entry(4) + ".edit"), true},              // and an unnamed one's
        {images() / ("." + entry(1) + ".edit.Ab12Cd"), true}, // a torn record
        {documents / ".Pixello.storage.Zz09aB", true},        // a torn storage write
        {documents / ".Pixello.storage.bak.Zz09aB", true},    // and of its backup
        {documents / ".Pixello.other.Zz09aB", false},
    };
    std::set<fs::path> expected;
    for (const Case& c : cases) {
        writeText(c.file, "x");
        if (c.leftover) {
            expected.insert(c.file);
        }
    }
    auto found = HistoryLeftovers::find(storage(), images().string());
    ASSERT_TRUE(found) << found.error().message;
    EXPECT_EQ(std::set<fs::path>(found->begin(), found->end()), expected);

    // A storage file that cannot be read names who knows what: nothing is a leftover then.
    fs::remove(storage());
    fs::create_directory(storage());
    EXPECT_FALSE(HistoryLeftovers::find(storage(), images().string()));
}

TEST_F(HistoryDurability, StartUpRestoresTheBackupSaysSoAndCollectsOffTheMainThread) {
    storeHistory({testsupport::patternPicture(8, 8)});
    const std::string sound = testsupport::readText(storage());
    fs::rename(storage(), ZVKApplicationModel::backupPath(storage()));
    writeText(storage(), sound.substr(0, sound.size() - 1));
    writeText(images() / entry(7), "orphan");
    launch();
    EXPECT_EQ(model->imageFileNames(), std::vector<std::string>{entry(0)});
    platform::RunLoop::main().advance(0.1);
    const auto alert = platform::AlertView::visibleAlert(*window);
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->title(), "The history was damaged: an earlier state of it has been restored.");
    platform::RunLoop::main().waitForBackgroundJobs();
    EXPECT_FALSE(fs::exists(images() / entry(7)));
    EXPECT_TRUE(fs::exists(images() / entry(0)));
}

TEST_F(HistoryDurability, APictureTheScreenCannotHoldShowsNothingAndSaysSo) {
    storeHistory({testsupport::patternPicture(8, 8)});
    launch();
    ASSERT_FALSE(main->glView()->isHidden());
    // Wider than any texture: the old picture must not stay on screen.
    const platform::Picture wide = testsupport::patternPicture(40000, 1);
    model->setDataRef(wide.pixels());
    ASSERT_TRUE(model->setImage(wide));
    EXPECT_TRUE(main->glView()->isHidden());
    EXPECT_EQ(main->glView()->spriteTexture(), 0u);
    const auto alert = platform::AlertView::visibleAlert(*window);
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->message(), "This picture cannot be shown.");
    model->undoImage();
    EXPECT_FALSE(main->glView()->isHidden());
}

// Every call of the save paths fails in turn, once, with one of three errors. Whatever
// failed, a restart finds a state the editor went through, with all its pictures, and the
// user heard of every failed save of the storage file or of a picture.
TEST_F(HistoryDurability, EveryFailingFileCallLeavesALoadableStateAndIsTold) {
    const std::vector<FileCall> calls = {FileCall::open,   FileCall::write,
                                         FileCall::fsync,  FileCall::rename,
                                         FileCall::unlink, FileCall::syncDirectory};
    // fsync costs nothing in memory, and what a crash does to the page cache is not at stake.
    std::optional<testsupport::ScratchDirectory> memory;
    if (fs::is_directory("/dev/shm")) {
        documents = memory.emplace("/dev/shm").path();
        platform::Paths::setDocumentsDirectory(documents);
    }
    const fs::path scratch = documents;
    // The editing session: crops, an undo and a crop that drops the redo branch, clearing.
    std::set<std::string> states;
    auto session = [&] {
        storeHistory({testsupport::patternPicture(100, 100)});
        launch();
        states.insert(model->saveToData());
        for (int step = 0; step < 5; ++step) {
            if (step == 2) {
                model->undoImage();
            } else if (step == 4) {
                model->clearHistory();
            } else {
                kernel->applyCrop();
            }
            states.insert(model->saveToData());
        }
        kernel->terminate();
        kernel.reset();
    };
    // The k-th call of each kind fails, for every k until the session makes fewer calls.
    for (std::size_t c = 0; c < calls.size(); ++c) {
        for (int k = 0;; ++k) {
            // The three errors take turns: the code paths do not differ by error, only the
            // message does, and every kind of call fails with each of them.
            const int error = std::array{ENOSPC, EIO, EROFS}[k % 3];
            SCOPED_TRACE(testing::Message() << "call " << c << " #" << k << " errno " << error);
            fs::remove_all(scratch);
            window = std::make_shared<platform::Window>();
            const int failedBefore = application.failedSaves();
            states.clear();
            int seen = 0;
            bool mustTell = false;
            {
                testsupport::LogRecorder log;
                platform::ScopedFileFaults faults([&](FileCall call, const fs::path& path) {
                    if (call != calls[c] || seen++ != k) {
                        return 0;
                    }
                    // Failing to write the storage file or a picture fails a save; the
                    // backup's renewal, removals and folder flushes only log.
                    mustTell = call != FileCall::unlink && call != FileCall::syncDirectory &&
                               path.string() != ZVKApplicationModel::backupPath(storage());
                    return error;
                });
                session();
            }
            if (seen <= k) {
                EXPECT_GE(k, 3) << "too few calls to fail with every error";
                break;
            }
            EXPECT_EQ(application.failedSaves() > failedBefore, mustTell);
            // The alert comes with every failure but one in the last save, when the
            // kernel is already going.
            EXPECT_TRUE(mustTell || platform::AlertView::visibleAlert(*window) == nullptr);
            EXPECT_EQ(danglingNames(storage(), images()), std::vector<std::string>{});
            // A failed write leaves no file behind.
            int temporary = 0;
            for (const auto& file : fs::directory_iterator(images())) {
                temporary += file.path().filename().string().starts_with(".") ? 1 : 0;
            }
            EXPECT_EQ(temporary, 0) << "temporary files left";
            PixelloModel restarted;
            ASSERT_TRUE(restarted.loadFromStorage());
            EXPECT_TRUE(states.contains(restarted.saveToData()));
            EXPECT_TRUE(restarted.image());
        }
    }
}

} // namespace
