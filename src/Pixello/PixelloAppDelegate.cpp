#include "Pixello/PixelloAppDelegate.h"

#include "platform/base/Color.h"
#include "platform/ui/Window.h"

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
