#include "Pixello/PixelloAppDelegate.h"

#include "platform/Color.h"
#include "platform/Window.h"

void PixelloAppDelegate::applicationDidFinishLaunching(platform::Application& application) {
    kernel_ = PixelloKernel::create(&application, window_);
    if (window_ != nullptr) {
        window_->setBackgroundColor(platform::Color::black());
        window_->makeKeyAndVisible();
    }
}

void PixelloAppDelegate::applicationWillTerminate(platform::Application& /*application*/) {
    if (kernel_) {
        kernel_->terminate();
    }
}
