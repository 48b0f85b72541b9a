// The editor program as a user starts it: which libraries each way of running it loads.
#include "support/TestEnvironment.h"

#include <array>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>

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

} // namespace
