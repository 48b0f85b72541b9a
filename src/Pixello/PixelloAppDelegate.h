#pragma once

#include "Pixello/PixelloKernel.h"
#include "platform/base/Application.h"

#include <memory>

// The application's delegate: creates the kernel when the application has launched and lets
// it save when the application ends; the kernel saves once more when the delegate goes.
class PixelloAppDelegate : public platform::ApplicationDelegate {
public:
    // `window` is not owned; null when the application runs headless.
    explicit PixelloAppDelegate(platform::Window* window) : window_(window) {}

    void applicationDidFinishLaunching(platform::Application& application) override;
    void applicationWillTerminate(platform::Application& application) override;

    PixelloKernel* kernel() const { return kernel_.get(); }
    platform::Window* window() const { return window_; }

private:
    platform::Window* window_; // not owned
    std::unique_ptr<PixelloKernel> kernel_;
};
