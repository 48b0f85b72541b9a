#include "platform/ui/ViewController.h"

#include "platform/base/Screen.h"
#include "platform/ui/Window.h"

namespace platform {

namespace {

constexpr const char* kPresentId = "ViewController::presentModal";
constexpr const char* kDismissId = "ViewController::dismissModal";
const Rect kModalFrame{0.0f, Screen::kStatusBarHeight, Screen::kWidth,
                       Screen::kHeight - Screen::kStatusBarHeight};

} // namespace

ViewController::~ViewController() {
    if (modal_) {
        modal_->parent_ = nullptr;
    }
}

const std::shared_ptr<View>& ViewController::view() {
    if (!view_) {
        loadView();
        if (!view_) {
            // A loadView that made nothing still leaves the screen a view to show.
            ViewController::loadView();
        }
        viewDidLoad();
    }
    return view_;
}

void ViewController::loadView() {
    view_ = std::make_shared<View>(kModalFrame);
}

void ViewController::setTitle(std::string title) {
    title_ = std::move(title);
    if (navigationItem_) {
        navigationItem_->setTitle(title_);
    }
}

const std::shared_ptr<NavigationItem>& ViewController::navigationItem() {
    if (!navigationItem_) {
        navigationItem_ = std::make_shared<NavigationItem>(title_);
    }
    return navigationItem_;
}

void ViewController::presentModalViewController(std::shared_ptr<ViewController> controller,
                                                bool animated) {
    if (!controller || modal_ || controller.get() == this || controller->parent_ != nullptr) {
        return;
    }
    modal_ = std::move(controller);
    modal_->parent_ = this;
    Window* window = view()->window();
    const std::shared_ptr<View>& shown = modal_->view();
    modal_->viewWillAppear(animated);
    shown->setFrame(kModalFrame);
    if (window != nullptr) {
        window->addSubview(shown);
    }
    if (!animated) {
        modal_->viewDidAppear(false);
        return;
    }
    shown->setCenter({shown->center().x, shown->center().y + Screen::kHeight});
    Animation::beginAnimations(kPresentId);
    Animation::setAnimationDuration(0.3);
    Animation::setAnimationDelegate(this);
    shown->setFrame(kModalFrame);
    Animation::commitAnimations();
}

void ViewController::dismissModalViewControllerAnimated(bool animated) {
    if (!modal_) {
        return;
    }
    std::shared_ptr<ViewController> leaving = std::move(modal_);
    leaving->parent_ = nullptr;
    leaving->viewWillDisappear(animated);
    if (!animated) {
        leaving->view()->removeFromSuperview();
        leaving->viewDidDisappear(false);
        return;
    }
    dismissing_ = leaving;
    const std::shared_ptr<View>& shown = leaving->view();
    Animation::beginAnimations(kDismissId);
    Animation::setAnimationDuration(0.3);
    Animation::setAnimationDelegate(this);
    shown->setCenter({shown->center().x, shown->center().y + Screen::kHeight});
    Animation::commitAnimations();
}

void ViewController::animationDidStop(const std::string& animationId, bool, void*) {
    if (animationId == kPresentId && modal_) {
        modal_->viewDidAppear(true);
    } else if (animationId == kDismissId && dismissing_) {
        std::shared_ptr<ViewController> leaving = std::move(dismissing_);
        leaving->view()->removeFromSuperview();
        leaving->view()->setFrame(kModalFrame);
        leaving->viewDidDisappear(true);
    }
}

} // namespace platform
