#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

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

// The running application: launch and terminate callbacks to its delegate, the status
// bar's orientation (the window turns the whole screen to it, as a rotated phone would) and
// the opening of web addresses in the desktop's browser.
class Application {
public:
    // Observer of status-bar changes: the new orientation and whether to animate.
    using StatusBarObserver = std::function<void(int orientation, bool animated)>;

    static constexpr const char* kDefaultURLOpener = "xdg-open";

    // `delegate` is not owned and must outlive the application's launch and terminate calls.
    explicit Application(ApplicationDelegate* delegate) : delegate_(delegate) {}
    // Collects the openers that have ended; running ones are left to finish on their own.
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

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

    // Opens a web address. Only http and https addresses with a host and without spaces or
    // control characters are taken: the address comes from a translation table, and a typo
    // there must not open a local file or run a program. In a window session the opener
    // program is started with the address as its one argument (no shell ever sees it);
    // otherwise nothing is started. Answers whether the address was taken and, in a window
    // session, the opener could be started; only then is it remembered as the last one.
    bool openURL(std::string_view url);
    // The address openURL last took; empty before the first.
    const std::string& lastOpenedURL() const { return lastOpenedURL_; }
    static bool isWebAddress(std::string_view url);

    // The application tells of work it could not keep (a save that did not reach the disk)
    // as it happens; a scripted run that had any ends with a failure status and the message.
    void reportFailedSave(std::string message);
    int failedSaves() const { return failedSaves_; }
    // The message of the first failed save; empty when there was none.
    const std::string& firstFailedSave() const { return firstFailedSave_; }

    // A windowed host switches this on; headless runs and tests never start anything.
    bool isWindowSession() const { return windowSession_; }
    void setWindowSession(bool windowSession) { windowSession_ = windowSession; }
    // The program that opens addresses, looked up in PATH.
    const std::string& urlOpener() const { return urlOpener_; }
    void setURLOpener(std::string program) { urlOpener_ = std::move(program); }

private:
    bool spawnOpener(const std::string& url);
    void reapOpeners();

    ApplicationDelegate* delegate_; // not owned
    bool launched_ = false;
    bool terminated_ = false;
    int statusBarOrientation_ = 1;
    StatusBarObserver observer_;
    bool windowSession_ = false;
    std::string urlOpener_ = kDefaultURLOpener;
    std::string lastOpenedURL_;
    int failedSaves_ = 0;
    std::string firstFailedSave_;
    std::vector<pid_t> openers_; // started and not yet collected
};

} // namespace platform
