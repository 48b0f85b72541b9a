// The editor program as a user starts it: which libraries each way of running it loads,
// how it refuses scripts, and how it ends on a signal.
#include "support/TestEnvironment.h"
#include "support/XvfbServer.h"

#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

struct Outcome {
    int status = -1;
    std::string output; // standard error, with the dynamic loader's messages
};

// Runs the shell command `command` (the pixello program appended) and collects its
// standard error.
Outcome runPixello(const std::string& environment, const std::string& arguments) {
    const std::string command =
        environment + " " PIXELLO_BINARY_DIR "/pixello " + arguments + " 2>&1 >/dev/null";
    Outcome outcome;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        ADD_FAILURE() << "cannot run " << command;
        return outcome;
    }
    std::array<char, 4096> buffer{};
    while (const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe)) {
        outcome.output.append(buffer.data(), n);
    }
    const int status = ::pclose(pipe);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

// Whether the loader said it opened `library`.
bool loaded(const Outcome& outcome, const std::string& library) {
    return outcome.output.find(library) != std::string::npos;
}

TEST(EditorProcess, HeadlessRunsNeverLoadSDLOrItsAudioAndWindowLibraries) {
    testsupport::ScratchDirectory data;
    const std::string script = (data.path() / "edit.txt").string();
    testsupport::writeText(script, "wait 0.5\ndown 1 100 200\nmove 1 150 220\nup 1 180 230\n"
                                   "wait 0.5\npress undo\nwait 0.5\n");
    const Outcome run = runPixello(
        "LD_DEBUG=files", "--headless --data-dir " + data.path().string() + " --script " + script);
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(loaded(run, "libEGL")) << "the loader's messages are missing";
    EXPECT_TRUE(loaded(run, "swrast_dri") || loaded(run, "_dri.so")) << "no GL driver";
    for (const char* library :
         {"libSDL2", "libpulse", "libasound", "libX11.so", "libwayland-cursor"}) {
        EXPECT_FALSE(loaded(run, library)) << library;
    }
}

TEST(EditorProcess, AWindowedStartLoadsTheWindowHostAndSaysWhenThereIsNoDisplay) {
    testsupport::ScratchDirectory data;
    const Outcome run = runPixello("env -u DISPLAY -u WAYLAND_DISPLAY LD_DEBUG=files",
                                   "--data-dir " + data.path().string());
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(loaded(run, "pixello-window.so"));
    EXPECT_TRUE(loaded(run, "libSDL2"));
    EXPECT_NE(run.output.find("pixello: no window system (DISPLAY/WAYLAND_DISPLAY unset); run "
                              "with --headless --script FILE"),
              std::string::npos)
        << run.output;
}

TEST(EditorProcess, AScriptedRunWhoseSavesFailedEndsWithStatusThreeAndSaysWhy) {
    testsupport::ScratchDirectory data;
    // The images folder taken by a file: no picture can be written.
    testsupport::writeText(data.path() / "PixelloImages", "");
    const std::string script = (data.path() / "edit.txt").string();
    testsupport::writeText(script, "wait 0.5\n");
    const Outcome run =
        runPixello("", "--headless --data-dir " + data.path().string() + " --script " + script);
    EXPECT_EQ(run.status, 3);
    EXPECT_NE(run.output.find("pixello: The picture could not be saved: cannot create a file "
                              "beside '" +
                              (data.path() / "PixelloImages").string()),
              std::string::npos)
        << run.output;
}

TEST(EditorProcess, RefusesScriptsItCannotReadAndChecksEveryLineBeforeAnythingRuns) {
    testsupport::ScratchDirectory data;
    const std::string dataDir = "--headless --data-dir " + data.path().string() + " --script ";
    for (const std::string& script : {data.path().string(), std::string("/dev/zero")}) {
        const Outcome run = runPixello("", dataDir + script);
        EXPECT_EQ(run.status, 2) << script;
        EXPECT_NE(run.output.find("is not a file or a pipe"), std::string::npos) << run.output;
    }
    // A misspelt command after a stroke stops the run before the stroke is made: nothing
    // is saved.
    const std::string script = (data.path() / "edit.txt").string();
    testsupport::writeText(script, "wait 0.5\ndown 1 100 200\nup 1 180 230\nwait 0.5\n"
                                   "prss\x1b effect\n");
    const Outcome run = runPixello("", dataDir + script);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find(script + ":5: unknown command 'prss\\x1b'"), std::string::npos)
        << run.output;
    EXPECT_FALSE(std::filesystem::exists(data.path() / "Pixello.storage"));
}

// Starts the editor with `arguments` (and `environment` added); its process id.
pid_t startPixello(const std::vector<std::string>& arguments,
                   const std::vector<std::string>& environment = {}) {
    const pid_t pid = ::fork();
    if (pid == 0) {
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

// Waits (up to a minute, for slow sanitizer builds) until `path` exists.
bool appears(const std::filesystem::path& path) {
    for (int i = 0; i < 6000 && !std::filesystem::exists(path); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::filesystem::exists(path);
}

int exitStatusAfter(pid_t pid, int signal) {
    ::kill(pid, signal);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
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

} // namespace
