#pragma once

#include "platform/base/Geometry.h"
#include "platform/host/Host.h"
#include "platform/host/window/MouseFingers.h"
#include "platform/host/window/WindowFit.h"

#include <cstdint>
#include <expected>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

union SDL_Event;

namespace platform {

class Compositor;
class SDLGLContext;
class StatusBarTexture;
class Window;

// The application in an SDL window: the 320 × 480 point screen with its status bar, turned
// as a phone would be turned. The window opens at the chosen scale, else at its last size,
// else at the largest whole scale that fits the display; it can be resized, maximised and
// made full screen (F11), and the screen is drawn as large as fits, centred. The mouse is
// one finger; with Alt held a second finger mirrors it about a centre, and Alt+Shift moves
// both together. Real touch screens deliver real fingers. Ctrl+Z undoes, Ctrl+Shift+Z and
// Ctrl+Y redo, Escape goes back, Ctrl+Left/Right turn the device. Closing the window
// terminates the application and remembers the window's size in the data folder.
class WindowHost {
public:
    // Opens the window, runs the application until the window closes; the exit status.
    static int run(const HostOptions& options, const ApplicationFactory& factory);

    // Starts SDL's video, opens the window and installs its GL context as the shared one.
    // Fails when there is no window system or no GL ES 1.1.
    static std::expected<std::unique_ptr<WindowHost>, Error> create(const HostOptions& options);
    ~WindowHost();
    WindowHost(const WindowHost&) = delete;
    WindowHost& operator=(const WindowHost&) = delete;

    std::expected<void, Error> launch(const ApplicationFactory& factory);
    // One turn of the loop: waits at most `maxWait` seconds for an event (less when a
    // delayed call is due or something animates), handles every waiting event, runs the
    // due calls and draws a frame when something changed. False once the window closed.
    bool runOnce(double maxWait);
    // The application's terminate path, and the window's size remembered; the window stays
    // until the host goes.
    void close();

    bool isRunning() const { return application_ != nullptr; }
    Window* window() const { return window_.get(); }
    Application* application() const { return application_.get(); }
    std::uint64_t framesShown() const { return framesShown_; }
    // Whether the window keeps its contents across swaps, so that only what changed is
    // drawn into it.
    bool windowKeepsContents() const { return windowKeepsContents_; }
    // The orientation the window is turned to (1–4).
    int windowOrientation() const { return turned_; }
    // The window's size in SDL window units.
    Size windowSize() const;
    // Where the screen lies in the window's drawable (pixels).
    WindowFit screenBox() const;
    bool fullScreen() const;

private:
    WindowHost(HostOptions options, std::unique_ptr<SDLGLContext> context);
    void handle(const SDL_Event& event);
    void handleKey(const SDL_Event& event);
    void handleMouse(const SDL_Event& event);
    void handleFinger(const SDL_Event& event);
    void turnDevice(bool counterClockwise);
    void resizeWindow();
    void toggleFullScreen();
    Point screenPointAt(float windowX, float windowY) const;
    // Where the application wants the mouse fingers' mirror, when it says.
    std::optional<Point> applicationCentre() const;
    bool animating() const;
    void draw();
    HostedRun running() { return {window_, hosted_, application_}; }

    HostOptions options_;
    // The shared GL context owns the window; this is the same object, not owned here.
    SDLGLContext* context_;
    std::shared_ptr<Window> window_;
    HostedApplication hosted_;
    std::unique_ptr<Application> application_;
    std::unique_ptr<Compositor> compositor_;
    std::unique_ptr<StatusBarTexture> statusBar_;

    int turned_ = 1;
    // The window's size the last time the user set it (not full screen or maximised).
    Size lastNormalSize_;
    // Whether the window's swaps keep its contents, so the screen is kept in the window.
    bool windowKeepsContents_ = false;
    // Screen boxes (points) the host drew over the composited screen in the last frame.
    std::vector<Rect> drawnOver_;
    bool needsFrame_ = true;
    std::uint64_t framesShown_ = 0;
    double lastFrame_ = 0.0;

    MouseFingers mouse_;
    std::map<std::int64_t, int> touchFingers_;
    int nextTouchFinger_ = 1000;
};

} // namespace platform
