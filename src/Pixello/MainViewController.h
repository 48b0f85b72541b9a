#pragma once

#include "Pixello/GLView.h"
#include "ZevkoCore/ZVKApplicationModelDelegate.h"
#include "ZevkoCore/ZVKScrollView.h"
#include "ZevkoCore/ZVKScrollViewDelegate.h"
#include "ZevkoCore/ZVKViewController.h"
#include "platform/Geometry.h"

#include <memory>
#include <string>

class PixelloKernel;

// The main editing screen: the picture in a GL view on the zoomable touch surface, and the
// activity indicator. Its state follows the model: every change arrives as a property name in
// modelPropertyChanged().
class MainViewController : public ZVKViewController,
                           public ZVKApplicationModelDelegate,
                           public ZVKScrollViewDelegate {
public:
    // Root view (0, 20, 320, 460): the screen below the status bar.
    static platform::Rect viewFrame() { return {0.0f, 20.0f, 320.0f, 460.0f}; }
    static platform::Rect indicatorFrame() { return {100.0f, 180.0f, 120.0f, 120.0f}; }
    static constexpr float kToolbarHeight = 47.0f;
    static constexpr float kMinZoom = 0.1f;
    static constexpr float kMaxZoom = 10.0f;
    // A finger's path keeps at most this many samples.
    static constexpr int kMaxTouches = 1000;

    // `kernel` is not owned: the kernel owns this controller.
    explicit MainViewController(PixelloKernel* kernel) : kernel_(kernel) {}

    // Null until the view is loaded; the GL view also when no GL context could be had.
    GLView* glView() const { return glView_.get(); }
    ZVKScrollView* scrollView() const { return scrollView_.get(); }
    platform::View* indicator() const { return indicator_; }

    void modelPropertyChanged(const std::string& name) override;

    // The crop rectangle a new picture starts with: an inset of 15 pixels, or of a third of
    // the shorter side for small pictures.
    static platform::Rect initialCropRect(platform::Size size);

protected:
    void loadView() override;

private:
    void imageChanged();
    void gridChanged();

    PixelloKernel* kernel_; // not owned
    std::shared_ptr<GLView> glView_;
    std::shared_ptr<ZVKScrollView> scrollView_;
    platform::View* indicator_ = nullptr; // held by the view tree
};
