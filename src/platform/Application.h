#pragma once

#include <functional>

namespace platform {

class Application;
class Window;

// Told when the application has launched and when it is about to end.
class ApplicationDelegate {
public:
    virtual ~ApplicationDelegate() = default;
    virtual void applicationDidFinishLaunching(Application& application) = 0;
    virtual void applicationWillTerminate(Application& application) = 0;
};

// The running application: launch and terminate callbacks to its delegate, and the status
// bar's orientation (the window turns the whole screen to it, as a rotated phone would).
class Application {
public:
    // Observer of status-bar changes: the new orientation and whether to animate.
    using StatusBarObserver = std::function<void(int orientation, bool animated)>;

    // `delegate` is not owned and must outlive the application's launch and terminate calls.
    explicit Application(ApplicationDelegate* delegate) : delegate_(delegate) {}

    // Tells the delegate once that the application has launched.
    void launch();
    // Tells the delegate once, and only after launch, that the application ends.
    void terminate();
    bool isLaunched() const { return launched_; }
    bool isTerminated() const { return terminated_; }

    int statusBarOrientation() const { return statusBarOrientation_; }
    // Accepts 1–4 (the device's orientation numbers); other values change nothing.
    void setStatusBarOrientation(int orientation, bool animated);
    void setStatusBarObserver(StatusBarObserver observer) { observer_ = std::move(observer); }

private:
    ApplicationDelegate* delegate_; // not owned
    bool launched_ = false;
    bool terminated_ = false;
    int statusBarOrientation_ = 1;
    StatusBarObserver observer_;
};

} // namespace platform
