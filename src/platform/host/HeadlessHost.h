#pragma once

#include "platform/graphics/Picture.h"
#include "platform/host/Host.h"
#include "platform/host/Script.h"

#include <expected>
#include <functional>
#include <memory>
#include <set>
#include <string>

namespace platform {

class Compositor;
class StatusBar;
class Window;

// Runs the application without a window on a virtual clock and carries out scripts:
// touches go to the window, waits move the clock (running delayed calls and animation
// frames), screenshots composite the screen with a status bar that always shows the same.
class HeadlessHost {
public:
    explicit HeadlessHost(int scale = 2);
    // Ends the application if it still runs.
    ~HeadlessHost();
    HeadlessHost(const HeadlessHost&) = delete;
    HeadlessHost& operator=(const HeadlessHost&) = delete;

    // Puts the main run loop on a fresh virtual clock, makes the window and the
    // application and launches it. Fails when it is already running or the factory made
    // no delegate.
    std::expected<void, Error> launch(const ApplicationFactory& factory);
    // Runs the commands in order; the first that fails stops the run with
    // "NAME:LINE: what went wrong". Before each command `interrupted` is asked whether to
    // stop there (as when a termination signal came), which is no failure.
    std::expected<void, Error> run(const Script& script,
                                   const std::function<bool()>& interrupted = {});
    // The application's terminate path, then the application and its window are let go.
    void terminate();
    // What the application reported as not saved, up to and including its terminate path:
    // the first message, or empty when every save went through.
    const std::string& failedSave() const { return failedSave_; }

    bool isRunning() const { return application_ != nullptr; }
    // The composited portrait screen, scale × (320 × 480) pixels, status bar included.
    std::expected<Picture, Error> screenshot();
    Window* window() const { return window_.get(); }
    Application* application() const { return application_.get(); }

private:
    std::expected<void, Error> runCommand(const ScriptCommand& command);
    HostedRun running() { return {window_, hosted_, application_}; }

    int scale_;
    std::shared_ptr<Window> window_;
    HostedApplication hosted_;
    std::unique_ptr<Application> application_;
    std::unique_ptr<Compositor> compositor_;
    std::unique_ptr<StatusBar> statusBar_;
    std::set<int> fingersDown_;
    std::string failedSave_;
};

} // namespace platform
