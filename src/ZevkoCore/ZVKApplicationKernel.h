#pragma once

#include <memory>
#include <utility>

namespace platform {
class Application;
class Window;
} // namespace platform

class ZVKNavigationController;
class ZVKViewController;

// The application's spine: owns the model and the screens and builds them in a fixed order.
//
// A constructor cannot call the overridable steps of the start-up template, so a kernel is
// made only through create<Kernel>(application, window): it constructs the concrete kernel and
// then runs the template. Without an application there is no kernel. The window may be absent
// when the application runs headless.
class ZVKApplicationKernel {
protected:
    // Only create() can make one, so no kernel escapes without its start-up template.
    class ConstructionKey {
        friend class ZVKApplicationKernel;
        ConstructionKey() = default;
    };

public:
    template <class Kernel, class... Args>
    static std::unique_ptr<Kernel> create(platform::Application* application,
                                          platform::Window* window, Args&&... args) {
        if (application == nullptr) {
            return nullptr;
        }
        auto kernel = std::make_unique<Kernel>(ConstructionKey{}, application, window,
                                               std::forward<Args>(args)...);
        kernel->start();
        return kernel;
    }

    ZVKApplicationKernel(ConstructionKey, platform::Application* application,
                         platform::Window* window);
    virtual ~ZVKApplicationKernel();
    ZVKApplicationKernel(const ZVKApplicationKernel&) = delete;
    ZVKApplicationKernel& operator=(const ZVKApplicationKernel&) = delete;

    platform::Application* application() const { return application_; }
    platform::Window* window() const { return window_; }
    // Made around rootViewController() during start-up; nullptr without a window or a root.
    ZVKNavigationController* navigationController() const { return navigationController_.get(); }

    // Called at shutdown. Base: nothing.
    virtual void terminate() {}

protected:
    // The start-up template's steps, in the order they run. Base: nothing, and no root.
    virtual void createModel() {}
    virtual void createViewControllers() {}
    virtual std::shared_ptr<ZVKViewController> rootViewController() { return nullptr; }
    virtual void registerDelegatesAndCustomize() {}

private:
    // The model exists before the screens are built; delegates are registered only when
    // everything exists.
    void start();

    platform::Application* application_; // not owned
    platform::Window* window_;           // not owned; absent when headless
    std::unique_ptr<ZVKNavigationController> navigationController_;
};
