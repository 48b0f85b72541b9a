// The editor program as a user starts it: which libraries each way of running it loads,
// how it refuses scripts, how it ends on a signal, and what a kill leaves behind.
#include "Pixello/HistoryLeftovers.h"
#include "Pixello/PixelloModel.h"
#include "platform/graphics/PictureCodec.h"
#include "support/PictureTestSupport.h"
#include "support/TestEnvironment.h"
#include "support/XvfbServer.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Starts the editor with `arguments` (and `environment` added), its standard error written
// to `errors` and its output thrown away; its process id.
pid_t startPixello(const std::vector<std::string>& arguments,
                   const std::vector<std::string>& environment = {},
                   const fs::path& errors = "/dev/null") {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(::open("/dev/null", O_WRONLY), 1);
        ::dup2(::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
        for (const std::string& variable : environment) {
            ::putenv(const_cast<char*>(variable.c_str()));
        }
        std::vector<char*> argv{const_cast<char*>(PIXELLO_BINARY_DIR "/pixello")};
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

// Sends `signal` (0: none) and waits for the end.
int exitStatusAfter(pid_t pid, int signal) {
    ::kill(pid, signal);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

struct Outcome {
    int status = -1;
    std::string output; // standard error, with the dynamic loader's messages
};

// Runs the editor with `arguments` (and `environment` added) to its end.
Outcome runPixello(const std::vector<std::string>& arguments,
                   const std::vector<std::string>& environment = {}) {
    const testsupport::ScratchDirectory out;
    const int status = exitStatusAfter(startPixello(arguments, environment, out.path() / "2"), 0);
    return {status, testsupport::readText(out.path() / "2")};
}

// Runs `text` as the script edit.txt in the data folder `data`, headless.
Outcome runScript(const fs::path& data, const std::string& text,
                  const std::vector<std::string>& environment = {}) {
    testsupport::writeText(data / "edit.txt", text);
    return runPixello(
        {"--headless", "--data-dir", data.string(), "--script", (data / "edit.txt").string()},
        environment);
}

// Whether the loader said it opened `library`.
bool loaded(const Outcome& outcome, const std::string& library) {
    return outcome.output.find(library) != std::string::npos;
}

// Headless runs never load SDL or its audio and window libraries; a windowed start loads the
// window host and says when there is no display.
TEST(EditorProcess, EachWayOfRunningLoadsOnlyItsOwnLibraries) {
    testsupport::ScratchDirectory data;
    Outcome run = runScript(data.path(),
                            "wait 0.5\ndown 1 100 200\nmove 1 150 220\nup 1 180 230\n"
                            "wait 0.5\npress undo\nwait 0.5\n",
                            {"LD_DEBUG=files"});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(loaded(run, "libEGL")) << "the loader's messages are missing";
    EXPECT_TRUE(loaded(run, "swrast_dri") || loaded(run, "_dri.so")) << "no GL driver";
    for (const char* library :
         {"libSDL2", "libpulse", "libasound", "libX11.so", "libwayland-cursor"}) {
        EXPECT_FALSE(loaded(run, library)) << library;
    }

    run = runPixello({"--data-dir", data.path().string()},
                     {"DISPLAY=", "WAYLAND_DISPLAY=", "LD_DEBUG=files"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(loaded(run, "pixello-window.so")) << "which brings SDL with it";
    EXPECT_NE(run.output.find("pixello: no window system (DISPLAY/WAYLAND_DISPLAY unset); run "
                              "with --headless --script FILE"),
              std::string::npos)
        << run.output;
}

TEST(EditorProcess, AFailedScriptedRunSaysWhyAndEndsWithItsStatus) {
    // A misspelt command after a stroke stops the run before the stroke is made: nothing is
    // saved.
    testsupport::ScratchDirectory data;
    Outcome run = runScript(data.path(), "wait 0.5\ndown 1 100 200\nup 1 180 230\nwait 0.5\n"
                                         "prss\x1b effect\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(
        run.output.find((data.path() / "edit.txt").string() + ":5: unknown command 'prss\\x1b'"),
        std::string::npos)
        << run.output;
    EXPECT_FALSE(fs::exists(data.path() / "Pixello.storage"));

    // A script that is no file or pipe is refused before it is read.
    run = runPixello({"--headless", "--data-dir", data.path().string(), "--script", "/dev/zero"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find("pixello: the script '/dev/zero' is not a file or a pipe"),
              std::string::npos)
        << run.output;

    // Saves that failed: the images folder taken by a file, no picture can be written.
    testsupport::writeText(data.path() / "PixelloImages", "");
    run = runScript(data.path(), "wait 0.5\n");
    EXPECT_EQ(run.status, 3);
    EXPECT_NE(run.output.find("pixello: The picture could not be saved: cannot create a file "
                              "beside '" +
                              (data.path() / "PixelloImages").string()),
              std::string::npos)
        << run.output;
}

// Waits (up to a minute, for slow sanitizer builds) until `path` exists.
bool appears(const std::filesystem::path& path) {
    for (int i = 0; i < 6000 && !std::filesystem::exists(path); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::filesystem::exists(path);
}

TEST(EditorProcess, HeadlessRunsEndThroughTerminateOnASignalAndSave) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        testsupport::ScratchDirectory data;
        const auto ready = data.path() / "ready.png";
        // A settings change is saved only by the next stroke or the terminate path; the
        // screenshots keep the run busy until the signal comes.
        std::string script = "wait 0.5\npress settings\nwait 0.5\nslider smudgeWidth 41\n"
                             "export " +
                             ready.string() + "\n";
        for (int i = 0; i < 20000; ++i) {
            script += "screenshot " + (data.path() / "shot.png").string() + "\n";
        }
        testsupport::writeText(data.path() / "s.txt", script);
        const pid_t pid =
            startPixello({"--headless", "--scale", "1", "--data-dir", data.path().string(),
                          "--script", (data.path() / "s.txt").string()});
        ASSERT_TRUE(appears(ready));
        const auto storage = data.path() / "Pixello.storage";
        EXPECT_EQ(testsupport::readText(storage).find("41.000000"), std::string::npos);
        EXPECT_EQ(exitStatusAfter(pid, signal), 128 + signal) << strsignal(signal);
        EXPECT_NE(testsupport::readText(storage).find("\n41.000000\n"), std::string::npos)
            << strsignal(signal);
    }
}

TEST(EditorProcess, AWindowEndsThroughTerminateOnASignal) {
    testsupport::XvfbServer xvfb;
    if (xvfb.missing()) {
        GTEST_SKIP() << "Xvfb is not installed";
    }
    ASSERT_TRUE(xvfb.running()) << xvfb.why();
    testsupport::ScratchDirectory data;
    // In sanitizer builds the window's GL driver, unloaded at exit, leaves allocations no
    // suppression can name; the in-process window tests check our own for leaks.
    const pid_t pid = startPixello(
        {"--data-dir", data.path().string()},
        {"DISPLAY=" + xvfb.display(), "WAYLAND_DISPLAY=", "ASAN_OPTIONS=detect_leaks=0"});
    // The first start writes the default picture once the editor runs.
    ASSERT_TRUE(appears(data.path() / "PixelloImages"));
    EXPECT_EQ(exitStatusAfter(pid, SIGTERM), 128 + SIGTERM);
    EXPECT_TRUE(std::filesystem::exists(data.path() / "Pixello.storage"));
}

// The editor killed at random moments of an editing session, over and over: every restart
// must find a history whose pictures are all there, and what the kills leave behind must not
// pile up. PIXELLO_CRASH_KILLS sets the number of kills of each shard (a soak), and
// PIXELLO_CRASH_SEED the randomness.
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
        PlatformTest::SetUp();
        documents = root.path() / "data";
        platform::Paths::setDocumentsDirectory(documents);
        fs::create_directories(root.path() / "pictures");
        const fs::path picked = root.path() / "picked.png";
        ASSERT_TRUE(
            platform::PictureCodec::writePNG(testsupport::patternPicture(200, 160), picked));
        std::string text = "wait 0.5\n";
        for (int i = 0; i < 20; ++i) {
            text += editingRound(picked);
        }
        testsupport::writeText(root.path() / "session.txt", text);
        testsupport::writeText(root.path() / "restart.txt", "wait 0.5\n");
    }

    // Starts the editor on `script`; kills it `killAfterMs` after its start, or after its
    // first save when `afterSave`, unless `killAfterMs` is negative.
    void runEditor(const std::string& script, int killAfterMs, bool afterSave = false) {
        const pid_t pid = startPixello({"--headless", "--data-dir", documents.string(),
                                        "--pictures-dir", (root.path() / "pictures").string(),
                                        "--script", (root.path() / script).string()});
        ASSERT_GT(pid, 0);
        const auto stamp = [] {
            std::error_code ec;
            return fs::last_write_time(*ZVKApplicationModel::storagePath(), ec);
        };
        const auto before = stamp();
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        siginfo_t exited{};
        while (afterSave && stamp() == before && std::chrono::steady_clock::now() < giveUp &&
               ::waitid(P_PID, static_cast<id_t>(pid), &exited, WEXITED | WNOHANG | WNOWAIT) == 0 &&
               exited.si_pid == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (killAfterMs < 0) {
            ASSERT_EQ(exitStatusAfter(pid, 0), 0);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(killAfterMs));
            exitStatusAfter(pid, SIGKILL);
        }
    }

    // What a restart finds, read as the editor reads it.
    Census count() const {
        Census census;
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
        if (fs::exists(storage) || fs::exists(ZVKApplicationModel::backupPath(storage))) {
            PixelloModel restarted; // else killed before the first save
            census.lostCurrent += restarted.loadFromStorage() && restarted.image() ? 0 : 1;
        }
        return census;
    }

    // A kill loses nothing of the page cache, so memory serves as well as a disk here,
    // without the flushes to disk that would make the suite slow.
    testsupport::ScratchDirectory root{fs::is_directory("/dev/shm") ? fs::path("/dev/shm")
                                                                    : scratch.path()};
};

TEST_P(CrashConsistency, EveryRestartFindsAllNamedPicturesAndLeftoversGo) {
    const int kills = environmentNumber("PIXELLO_CRASH_KILLS", kKillsPerShard);
    std::mt19937 random(
        static_cast<unsigned>(environmentNumber("PIXELLO_CRASH_SEED", 1) * kShards + GetParam()));
    std::uniform_int_distribution<int> moment(0, kKillWindowMs);
    for (int i = 0; i < kills; ++i) {
        runEditor("session.txt", moment(random), random() % 4 != 0);
        const Census after = count();
        ASSERT_EQ(after.danglingNames + after.lostCurrent + after.damagedFiles, 0)
            << "kill " << i << ": " << after.danglingNames << " dangling names, "
            << after.lostCurrent << " lost current pictures, " << after.damagedFiles
            << " damaged storage files";
    }
    // A restart that is not killed removes whatever the kills left.
    runEditor("restart.txt", -1);
    EXPECT_EQ(count().orphans, 0);
}

INSTANTIATE_TEST_SUITE_P(Shards, CrashConsistency, testing::Range(0, kShards));

} // namespace
