#pragma once

#include "platform/base/Application.h"
#include "platform/base/Error.h"
#include "platform/host/HostInputDelegate.h"
#include "platform/host/Script.h"
#include "platform/host/ScriptCommandDelegate.h"

#include <expected>
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
    // Whether the command line chose the scale; otherwise a window takes the largest whole
    // scale that fits the display.
    bool scaleChosen = false;
    // Prefixes the host's messages ("NAME: no window system …").
    std::string programName = "host";
    std::string windowTitle;
    // Told once, right after the first frame was swapped onto the window (benchmarks).
    std::function<void()> firstFrameShown;
    // Checks the application's commands of a script before anything runs; without it they
    // are checked only when they run.
    ScriptCommandCheck scriptCommands;

    enum class Parsed { notMine, taken };
    // Reads the host's option at argv[index] ("--headless", "--script FILE|-",
    // "--scale N", also as "--script=FILE", "--scale=N") and moves `index` past a value it
    // took. Fails when the option is the host's but its value is wrong.
    std::expected<Parsed, Error> parseArgument(int& index, int argc, char** argv);
    // Checks the options together once all are read.
    std::expected<void, Error> validate() const;
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

// The parts of a running application a host keeps, as references to the host's members:
// every host launches and terminates through these, so they all take the same steps in the
// same order.
struct HostedRun {
    std::shared_ptr<Window>& window;
    HostedApplication& hosted;
    std::unique_ptr<Application>& application;

    // Makes the window and, through the factory, the application; `prepare` sets the
    // application up before it launches. Fails when an application already runs or the
    // factory made no delegate.
    std::expected<void, Error> launch(const ApplicationFactory& factory,
                                      const std::function<void(Application&)>& prepare) const;
    // The application's terminate path, then the delegate (it may still hold views of the
    // window), the application and the window are let go. False when nothing was running.
    bool terminate() const;
};

// Runs the application until its window closes or its script ends; the process's exit
// status. Messages go to the log.
int runHost(const HostOptions& options, const ApplicationFactory& factory);

} // namespace platform

// The window host module's entry point, looked up by this name once the module is loaded.
extern "C" int pixelloRunWindowHost(const platform::HostOptions* options,
                                    const platform::ApplicationFactory* factory);
