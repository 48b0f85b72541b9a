#pragma once

#include "platform/Application.h"
#include "platform/HostInputDelegate.h"
#include "platform/ScriptCommandDelegate.h"

#include <functional>
#include <memory>
#include <string>

namespace platform {

class Window;

// How the host runs the application: in a window (the default) or headless on the
// virtual clock, driven by a script.
struct HostOptions {
    bool headless = false;
    // The script of a headless run: a file, or "-" for standard input; empty for none
    // (the application then starts and ends at once).
    std::string script;
    // Pixels per point of the window and of screenshots.
    int scale = 2;
    // Prefixes the host's messages ("NAME: no window system …").
    std::string programName = "host";
    std::string windowTitle;
    // Told once, right after the first frame was swapped onto the window (benchmarks).
    std::function<void()> firstFrameShown;

    enum class Parsed { notMine, taken, failed };
    // Reads the host's option at argv[index] ("--headless", "--script FILE|-",
    // "--scale N", also as "--script=FILE", "--scale=N") and moves `index` past a value it
    // took. On failure `error` says why in one line.
    Parsed parseArgument(int& index, int argc, char** argv, std::string& error);
    // Checks the options together once all are read.
    bool validate(std::string& error) const;
    // The lines of --help for these options.
    static const char* usage();
};

// What the host gets from the application it runs. The two delegates are not owned;
// they usually are the application delegate itself and live as long as it does.
struct HostedApplication {
    std::unique_ptr<ApplicationDelegate> delegate;
    HostInputDelegate* input = nullptr;
    ScriptCommandDelegate* commands = nullptr;
};

// Makes the application for the window it is to run in (before anything is launched).
using ApplicationFactory = std::function<HostedApplication(Window& window)>;

// Runs the application until its window closes or its script ends; the process's exit
// status. Messages go to standard error.
int runHost(const HostOptions& options, const ApplicationFactory& factory);

} // namespace platform
