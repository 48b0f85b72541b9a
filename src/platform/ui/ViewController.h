#pragma once

#include "platform/ui/NavigationItem.h"
#include "platform/ui/View.h"

#include <memory>
#include <string>

namespace platform {

// Owns one screen's view, made on first use by loadView(), a title and the navigation
// item that stands for the screen on a navigation bar. It can present one other
// controller modally over the window.
class ViewController : private AnimationDelegate {
public:
    ViewController() = default;
    ~ViewController() override;

    // The screen's view; the first call builds it with loadView() and viewDidLoad().
    const std::shared_ptr<View>& view();
    bool isViewLoaded() const { return view_ != nullptr; }
    void setView(std::shared_ptr<View> view) { view_ = std::move(view); }

    const std::string& title() const { return title_; }
    void setTitle(std::string title);
    // Made on first use with the controller's title.
    const std::shared_ptr<NavigationItem>& navigationItem();

    // The modal controller shown over this one, or nullptr.
    ViewController* modalViewController() const { return modal_.get(); }
    // The controller that presented this one modally, or nullptr.
    ViewController* parentViewController() const { return parent_; }
    // Shows `controller`'s view over the whole window this controller's view lies in,
    // sliding it up from the bottom when animated. One modal at a time: a second
    // present while one is shown is ignored.
    void presentModalViewController(std::shared_ptr<ViewController> controller, bool animated);
    void dismissModalViewControllerAnimated(bool animated);

    // Appearance callbacks of the platform.
    virtual void viewWillAppear(bool animated) { (void)animated; }
    virtual void viewDidAppear(bool animated) { (void)animated; }
    virtual void viewWillDisappear(bool animated) { (void)animated; }
    virtual void viewDidDisappear(bool animated) { (void)animated; }

protected:
    // Builds the view; the default is a plain view of the screen below the status bar.
    virtual void loadView();
    virtual void viewDidLoad() {}

private:
    void animationDidStop(const std::string& animationId, bool finished, void* context) override;

    std::shared_ptr<View> view_;
    std::string title_;
    std::shared_ptr<NavigationItem> navigationItem_;
    std::shared_ptr<ViewController> modal_;
    std::shared_ptr<ViewController> dismissing_; // kept until its slide ends
    ViewController* parent_ = nullptr;           // back reference to the presenter
};

} // namespace platform
