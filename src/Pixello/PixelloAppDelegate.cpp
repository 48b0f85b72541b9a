#include "Pixello/PixelloAppDelegate.h"

void PixelloAppDelegate::applicationDidFinishLaunching(platform::Application& application) {
    kernel_ = PixelloKernel::create(&application, window_);
}

void PixelloAppDelegate::applicationWillTerminate(platform::Application& /*application*/) {
    if (kernel_) {
        kernel_->terminate();
    }
}
