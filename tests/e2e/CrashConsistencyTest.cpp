// The editor killed at random moments of an editing session, over and over: every restart
// must find a history whose pictures are all there, and what the kills leave behind must not
// pile up. PIXELLO_CRASH_KILLS sets the number of kills of each shard (a soak), and
// PIXELLO_CRASH_SEED the randomness.
#include "Pixello/HistoryLeftovers.h"
#include "Pixello/PixelloModel.h"
#include "platform/graphics/PictureCodec.h"
#include "support/PictureTestSupport.h"
#include "support/TestEnvironment.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int kShards = 10;
constexpr int kKillsPerShard = 5;
// A kill falls this many milliseconds or less after the editor's first save, so that it
// meets the editing; one kill in four falls as early after the start instead, among the
// loading and the collection of leftovers.
constexpr int kKillWindowMs = 300;

int environmentNumber(const char* name, int fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0' ? std::atoi(value) : fallback;
}

// Strokes, undo, redo, a stroke that drops the redo branch, a crop, and a picked picture,
// which clears the history.
std::string editingRound(const fs::path& picked) {
    return "down 1 100 200\nmove 1 130 210\nmove 1 160 220\nup 1 190 230\nwait 0.5\n"
           "press undo\nwait 0.3\npress redo\nwait 0.3\npress undo\nwait 0.3\n"
           "down 1 120 240\nmove 1 150 260\nup 1 170 280\nwait 0.5\n"
           "press effect\nwait 0.3\npress crop\nwait 0.3\npress apply\nwait 0.5\n"
           "press effect\nwait 0.3\npress pick\nwait 0.5\npick " +
           picked.string() + "\nwait 0.1\nwait 0.5\n";
}

struct Census {
    int danglingNames = 0;
    int lostCurrent = 0;
    int damagedFiles = 0;
    int orphans = 0;
};

class CrashConsistency : public testsupport::PlatformTest, public testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        // A kill loses nothing of the page cache, so memory serves as well as a disk here,
        // without the flushes to disk that would make the suite slow.
        if (fs::is_directory("/dev/shm")) {
            root.emplace("/dev/shm");
        } else {
            root.emplace();
        }
        PlatformTest::SetUp();
        documents = root->path() / "data";
        platform::Paths::setDocumentsDirectory(documents);
        const fs::path pictures = root->path() / "pictures";
        fs::create_directories(pictures);
        picked = root->path() / "picked.png";
        const auto png = platform::PictureCodec::encodePNG(testsupport::patternPicture(200, 160));
        ASSERT_TRUE(png);
        testsupport::writeText(picked, std::string(png->begin(), png->end()));
        std::string text = "wait 0.5\n";
        for (int i = 0; i < 20; ++i) {
            text += editingRound(picked);
        }
        session = root->path() / "session.txt";
        testsupport::writeText(session, text);
        testsupport::writeText(root->path() / "restart.txt", "wait 0.5\n");
    }

    // Starts the editor on `script`; kills it `killAfterMs` after its start, or after its
    // first save when `afterSave`, unless `killAfterMs` is negative.
    void runEditor(const fs::path& script, int killAfterMs, bool afterSave = false) {
        std::vector<std::string> args = {PIXELLO_BINARY_DIR "/pixello",
                                         "--headless",
                                         "--data-dir",
                                         documents.string(),
                                         "--pictures-dir",
                                         (root->path() / "pictures").string(),
                                         "--script",
                                         script.string()};
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        pid_t pid = 0;
        const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ASSERT_EQ(spawned, 0);
        const auto stamp = [&] {
            std::error_code ec;
            return fs::last_write_time(*ZVKApplicationModel::storagePath(), ec);
        };
        const auto before = stamp();
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        const auto running = [pid] {
            siginfo_t info{};
            return ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) ==
                       0 &&
                   info.si_pid == 0;
        };
        while (afterSave && stamp() == before && std::chrono::steady_clock::now() < giveUp &&
               running()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (killAfterMs >= 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(killAfterMs));
            ::kill(pid, SIGKILL);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        if (killAfterMs < 0) {
            ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        }
    }

    // What a restart finds, read as the editor reads it.
    void count(Census& census) const {
        const std::string storage = *ZVKApplicationModel::storagePath();
        const fs::path images = documents / PixelloModel::kImagesDirectoryName;
        std::vector<std::string> named;
        for (const std::string& file : {storage, ZVKApplicationModel::backupPath(storage)}) {
            for (const std::string& name :
                 PixelloModel::entryNamesIn(testsupport::readText(file))) {
                if (PixelloModel::isEntryFileName(name)) {
                    named.push_back(name);
                    census.danglingNames += fs::exists(images / name) ? 0 : 1;
                }
            }
        }
        census.damagedFiles += fs::exists(ZVKApplicationModel::damagedPath(storage)) ? 1 : 0;
        // Files of neither stored state, temporary ones included, in both folders.
        for (const auto& file : fs::recursive_directory_iterator(documents)) {
            const std::string name = file.path().filename().string();
            // Side files belong to the entry they are named after.
            const std::string entry = HistoryLeftovers::entryOfFile(name);
            const std::string owner = entry.empty() ? name : entry;
            census.orphans += (file.path().parent_path() == images || name.starts_with(".")) &&
                                      std::find(named.begin(), named.end(), owner) == named.end()
                                  ? 1
                                  : 0;
        }
        if (!fs::exists(storage) && !fs::exists(ZVKApplicationModel::backupPath(storage))) {
            return; // killed before the first save
        }
        PixelloModel restarted;
        census.lostCurrent += restarted.loadFromStorage() && restarted.image() ? 0 : 1;
    }

    std::optional<testsupport::ScratchDirectory> root;
    fs::path picked;
    fs::path session;
};

TEST_P(CrashConsistency, EveryRestartFindsAllNamedPicturesAndLeftoversGo) {
    const int kills = environmentNumber("PIXELLO_CRASH_KILLS", kKillsPerShard);
    std::mt19937 random(
        static_cast<unsigned>(environmentNumber("PIXELLO_CRASH_SEED", 1) * kShards + GetParam()));
    std::uniform_int_distribution<int> moment(0, kKillWindowMs);
    Census census;
    int mostOrphans = 0;
    for (int i = 0; i < kills; ++i) {
        runEditor(session, moment(random), random() % 4 != 0);
        Census after;
        count(after);
        census.danglingNames += after.danglingNames;
        census.lostCurrent += after.lostCurrent;
        census.damagedFiles += after.damagedFiles;
        mostOrphans = std::max(mostOrphans, after.orphans);
        ASSERT_EQ(after.danglingNames + after.lostCurrent + after.damagedFiles, 0)
            << "kill " << i << ": " << after.danglingNames << " dangling names, "
            << after.lostCurrent << " lost current pictures, " << after.damagedFiles
            << " damaged storage files";
    }
    // A restart that is not killed removes whatever the kills left.
    runEditor(root->path() / "restart.txt", -1);
    Census last;
    count(last);
    EXPECT_EQ(last.orphans, 0);
    std::printf("%d kills: %d dangling names, %d lost current pictures, at most %d orphans "
                "between restarts\n",
                kills, census.danglingNames, census.lostCurrent, mostOrphans);
}

INSTANTIATE_TEST_SUITE_P(Shards, CrashConsistency, testing::Range(0, kShards));

} // namespace
