#include "platform/Application.h"

namespace platform {

void Application::launch() {
    if (launched_) {
        return;
    }
    launched_ = true;
    if (delegate_ != nullptr) {
        delegate_->applicationDidFinishLaunching(*this);
    }
}

void Application::terminate() {
    if (!launched_ || terminated_) {
        return;
    }
    terminated_ = true;
    if (delegate_ != nullptr) {
        delegate_->applicationWillTerminate(*this);
    }
}

void Application::setStatusBarOrientation(int orientation, bool animated) {
    if (orientation < 1 || orientation > 4) {
        return;
    }
    statusBarOrientation_ = orientation;
    if (observer_) {
        observer_(orientation, animated);
    }
}

} // namespace platform
