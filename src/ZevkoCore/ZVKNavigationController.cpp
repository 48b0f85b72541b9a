#include "ZevkoCore/ZVKNavigationController.h"

#include <algorithm>
#include <cmath>

using platform::Animation;
using platform::NavigationItem;
using platform::Rect;
using platform::View;
namespace Screen = platform::Screen;

namespace {

using Scrolling = ZVKNavigationController::Scrolling;
using BarChange = ZVKNavigationController::BarChange;

bool validScrolling(Scrolling s) {
    return s >= Scrolling::FromRight && s <= Scrolling::FromBelow;
}

} // namespace

std::shared_ptr<ZVKNavigationController::AnimationContext>
ZVKNavigationController::AnimationContext::contextWithNext(std::shared_ptr<ZVKViewController> next,
                                                           std::shared_ptr<NavigationItem> nextItem,
                                                           std::shared_ptr<ZVKViewController> prev,
                                                           std::shared_ptr<NavigationItem> prevItem,
                                                           Scrolling scrolling) {
    auto context = std::make_shared<AnimationContext>();
    context->next = std::move(next);
    context->nextItem = std::move(nextItem);
    context->prev = std::move(prev);
    context->prevItem = std::move(prevItem);
    context->scrolling = scrolling;
    return context;
}

std::unique_ptr<ZVKNavigationController>
ZVKNavigationController::create(platform::Window* window,
                                std::shared_ptr<ZVKViewController> rootViewController) {
    if (window == nullptr || !rootViewController) {
        return nullptr;
    }
    return std::unique_ptr<ZVKNavigationController>(
        new ZVKNavigationController(*window, std::move(rootViewController)));
}

ZVKNavigationController::ZVKNavigationController(platform::Window& window,
                                                 std::shared_ptr<ZVKViewController> root)
    : window_(&window), root_(std::move(root)) {
    navigationBar_ =
        std::make_shared<platform::NavigationBar>(Rect(0, 0, Screen::kWidth, kBarHeight));
    navigationBar_->setDelegate(this);
    contentView_ = std::make_shared<View>(Rect(0, 0, Screen::kWidth, Screen::kHeight));
    navigationBar_->setBarStyle(0);

    const float h = barHeight();
    contentView_->setFrame({0, h, Screen::kWidth, Screen::kHeight - h});
    window_->addSubview(navigationBar_);
    contentView_->setBackgroundColor(platform::Color::black());
    window_->addSubview(contentView_);

    navigationBarManually_ = true;
    navigationBarAuto_ = true;
    pushViewController(root_, false);
    shouldQuery_ = true;
    shouldCallPreview_ = true;
}

ZVKNavigationController::~ZVKNavigationController() {
    navigationBar_->setDelegate(nullptr);
    navigationBar_->removeFromSuperview();
    contentView_->removeFromSuperview();
}

// MARK: directions

void ZVKNavigationController::adjustViewFrame(View& view, Scrolling scrolling) {
    Rect frame = view.frame();
    switch (scrolling) {
    case Scrolling::FromRight:
        frame.origin.x += Screen::kWidth;
        break;
    case Scrolling::FromLeft:
        frame.origin.x -= Screen::kWidth;
        break;
    case Scrolling::FromAbove:
        frame.origin.y -= Screen::kHeight;
        break;
    case Scrolling::FromBelow:
        frame.origin.y += Screen::kHeight;
        break;
    default:
        return;
    }
    view.setFrame(frame);
}

void ZVKNavigationController::adjustViewFrame(View& view, int dx, int dy) {
    Rect frame = view.frame();
    frame.origin.x += static_cast<float>(dx);
    frame.origin.y += static_cast<float>(dy);
    view.setFrame(frame);
}

Scrolling ZVKNavigationController::backwardScrollingForScrolling(Scrolling scrolling) {
    switch (scrolling) {
    case Scrolling::FromRight:
        return Scrolling::FromLeft;
    case Scrolling::FromLeft:
        return Scrolling::FromRight;
    case Scrolling::FromAbove:
        return Scrolling::FromBelow;
    case Scrolling::FromBelow:
        return Scrolling::FromAbove;
    default:
        return Scrolling::FromLeft;
    }
}

Scrolling ZVKNavigationController::reverseMove(Scrolling scrolling) {
    // An invalid direction does not move a screen away, so it must not move it back
    // either: the screens then change in place instead of ending a screen off-screen.
    return validScrolling(scrolling) ? backwardScrollingForScrolling(scrolling) : scrolling;
}

// MARK: queries and delegates

ZVKViewController* ZVKNavigationController::topViewController() const {
    return scrollings_.empty() ? nullptr : scrollings_.back().viewController.get();
}

bool ZVKNavigationController::checkShouldPush(ZVKViewController& vc) {
    if (!shouldQuery_) {
        return true;
    }
    ZVKViewController* top = topViewController();
    return top != nullptr && top->shouldDisappear() && vc.shouldAppear();
}

bool ZVKNavigationController::checkShouldPop() {
    if (!shouldQuery_) {
        return true;
    }
    if (scrollings_.size() < 2 || !scrollings_.back().viewController->shouldDisappear()) {
        return false;
    }
    return scrollings_[scrollings_.size() - 2].viewController->shouldAppear();
}

void ZVKNavigationController::addDelegate(std::shared_ptr<ZVKNavigationControllerDelegate> d) {
    if (d) {
        ZVKNavigationControllerDelegate* raw = d.get();
        delegates_.push_back({std::move(d), raw});
    }
}

void ZVKNavigationController::addDelegate(ZVKNavigationControllerDelegate* delegate) {
    if (delegate != nullptr) {
        delegates_.push_back({nullptr, delegate});
    }
}

void ZVKNavigationController::removeDelegate(const ZVKNavigationControllerDelegate* delegate) {
    std::erase_if(delegates_, [delegate](const auto& e) { return e.delegate == delegate; });
}

void ZVKNavigationController::performNavigate(ZVKViewController* from, NavigationItem* fromItem,
                                              ZVKViewController* to, NavigationItem* toItem,
                                              bool before) {
    // A copy: a delegate may add or remove delegates while it is told.
    const std::vector<DelegateEntry> delegates = delegates_;
    for (const auto& entry : delegates) {
        ZVKNavigationControllerDelegate* d = entry.delegate;
        if (d->implementsNavigateFrom()) {
            d->navigateFrom(from, fromItem, to, toItem, before);
        } else if (before) {
            d->beforeNavigateFrom(from, fromItem, to, toItem);
        } else {
            d->afterNavigateFrom(from, fromItem, to, toItem);
        }
    }
}

BarChange ZVKNavigationController::barChange() const {
    if (navigationBarStateAfterNextScroll_ == BarChange::BringIn && navigationBarHidden_) {
        return BarChange::BringIn;
    }
    if (navigationBarStateAfterNextScroll_ == BarChange::TakeAway && !navigationBarHidden_) {
        return BarChange::TakeAway;
    }
    return BarChange::None;
}

bool ZVKNavigationController::inContentView(const std::shared_ptr<ZVKViewController>& vc) const {
    return vc && vc->isViewLoaded() && vc->view()->superview() == contentView_.get();
}

void ZVKNavigationController::finishRunningTransition() {
    if (!running_) {
        return;
    }
    const std::shared_ptr<AnimationContext> context = std::move(running_);
    if (context->push) {
        pushAnimationEnded(*context, true);
    } else {
        popAnimationEnded(*context, true);
    }
}

// MARK: push

void ZVKNavigationController::pushViewController(std::shared_ptr<ZVKViewController> vc,
                                                 bool animated, Scrolling scrolling) {
    // A screen can be on the stack only once: its one view can not lie in two places.
    if (!vc || std::any_of(scrollings_.begin(), scrollings_.end(),
                           [&vc](const auto& entry) { return entry.viewController == vc; })) {
        return;
    }
    finishRunningTransition();
    if (shouldQuery_ && !checkShouldPush(*vc)) {
        return;
    }
    prepushViewController(std::move(vc), animated, scrolling);
}

void ZVKNavigationController::prepushViewController(std::shared_ptr<ZVKViewController> vc,
                                                    bool animated, Scrolling s) {
    contentView_->setUserInteractionEnabled(false);
    navigationBar_->setUserInteractionEnabled(false);

    std::shared_ptr<ZVKViewController> prev =
        scrollings_.empty() ? nullptr : scrollings_.back().viewController;
    std::shared_ptr<NavigationItem> prevItem = navigationBar_->topItem();
    std::shared_ptr<NavigationItem> nextItem =
        vc->prepareNavigationItem(std::make_shared<NavigationItem>(vc->title()));
    if (!nextItem) {
        nextItem = std::make_shared<NavigationItem>(vc->title());
    }

    performNavigate(prev.get(), prevItem.get(), vc.get(), nextItem.get(), true);
    // Read only now: the before-message may set it for this very transition.
    const BarChange change = barChange();

    scrollings_.push_back(ScrollingObject::objectWithScrolling(s, vc));
    if (shouldCallPreview_) {
        vc->previewWillAppear(animated);
    }
    vc->viewWillAppear(animated);

    const std::shared_ptr<View> nextView = vc->view();
    adjustViewFrame(*nextView, s);
    contentView_->addSubview(nextView);

    const int h = static_cast<int>(std::lround(barHeight()));
    if (change != BarChange::None) {
        ++barGeneration_;
    }
    if (change == BarChange::BringIn) {
        // From its resting place, also when a hide's slide was cut short.
        navigationBar_->setFrame({0, 0, Screen::kWidth, kBarHeight});
        adjustViewFrame(*navigationBar_, s);
        adjustViewFrame(*nextView, 0, h);
        window_->addSubview(navigationBar_);
    } else if (change == BarChange::TakeAway) {
        contentView_->setFrame({0, 0, Screen::kWidth, Screen::kHeight});
        if (prev) {
            adjustViewFrame(*prev->view(), 0, h);
        }
        window_->bringSubviewToFront(navigationBar_.get());
    }

    auto context = AnimationContext::contextWithNext(vc, nextItem, prev, prevItem, s);
    context->barChange = change;
    context->push = true;
    beginTransition(kPushId, context, animated);

    if (inContentView(prev)) {
        announceDisappearing(*prev, animated);
        adjustViewFrame(*prev->view(), reverseMove(s));
    }
    adjustViewFrame(*nextView, reverseMove(s));

    if (change == BarChange::BringIn) {
        adjustViewFrame(*navigationBar_, reverseMove(s));
        if (navigationBarManually_) {
            navigationBarAuto_ = false;
            navigationBar_->pushNavigationItem(nextItem, false);
        }
    } else if (change == BarChange::TakeAway) {
        adjustViewFrame(*navigationBar_, reverseMove(s));
    } else if (navigationBarManually_) {
        navigationBarAuto_ = false;
        navigationBar_->pushNavigationItem(nextItem, animated);
    }

    if (animated) {
        running_ = context;
        Animation::commitAnimations();
    } else {
        pushAnimationEnded(*context, false);
    }
}

void ZVKNavigationController::pushAnimationEnded(const AnimationContext& c, bool animated) {
    const int h = static_cast<int>(std::lround(barHeight()));
    if (inContentView(c.prev)) {
        c.prev->view()->removeFromSuperview();
        adjustViewFrame(*c.prev->view(), c.scrolling);
        if (shouldCallPreview_) {
            c.prev->previewDidDisappear(animated);
        }
        c.prev->viewDidDisappear(animated);
    }
    if (c.barChange == BarChange::BringIn) {
        adjustViewFrame(*c.next->view(), 0, -h);
        navigationBarHidden_ = false;
        contentView_->setFrame({0, static_cast<float>(h), Screen::kWidth, Screen::kHeight - h});
    } else if (c.barChange == BarChange::TakeAway) {
        if (c.prev) {
            adjustViewFrame(*c.prev->view(), 0, -h);
        }
        navigationBarHidden_ = true;
        navigationBar_->removeFromSuperview();
        // Back to its resting place, also when a hide during the slide already put it there.
        navigationBar_->setFrame({0, 0, Screen::kWidth, kBarHeight});
        if (navigationBarManually_) {
            navigationBarAuto_ = false;
            navigationBar_->pushNavigationItem(c.nextItem, false);
        }
    }
    navigationBarManually_ = true;
    if (shouldCallPreview_) {
        c.next->previewDidAppear(animated);
    }
    c.next->viewDidAppear(animated);
    performNavigate(c.prev.get(), c.prevItem.get(), c.next.get(), c.nextItem.get(), false);
    navigationBarStateAfterNextScroll_ = BarChange::None;
    navigationBar_->setUserInteractionEnabled(true);
    contentView_->setUserInteractionEnabled(true);
}

// MARK: pop

std::shared_ptr<ZVKViewController>
ZVKNavigationController::popViewControllerAnimated(bool animated) {
    finishRunningTransition();
    if (scrollings_.size() < 2) {
        navigationBarManually_ = true;
        return nullptr;
    }
    return popViewControllerAnimated(animated, scrollings_.back().scrolling);
}

std::shared_ptr<ZVKViewController> ZVKNavigationController::popViewControllerAnimated(bool animated,
                                                                                      Scrolling s) {
    finishRunningTransition();
    if (scrollings_.size() < 2 || (shouldQuery_ && !checkShouldPop())) {
        navigationBarManually_ = true;
        return nullptr;
    }
    contentView_->setUserInteractionEnabled(false);
    navigationBar_->setUserInteractionEnabled(false);

    std::shared_ptr<ZVKViewController> cur = scrollings_.back().viewController;
    std::shared_ptr<NavigationItem> curItem = navigationBar_->topItem();
    std::shared_ptr<ZVKViewController> back = scrollings_[scrollings_.size() - 2].viewController;
    std::shared_ptr<NavigationItem> barBackItem = navigationBar_->backItem();
    if (!barBackItem) {
        barBackItem = std::make_shared<NavigationItem>(back->title());
    }
    std::shared_ptr<NavigationItem> backItem = back->prepareNavigationItem(barBackItem);
    if (!backItem) {
        backItem = barBackItem;
    }

    performNavigate(cur.get(), curItem.get(), back.get(), backItem.get(), true);
    const BarChange change = barChange();
    scrollings_.pop_back();
    if (shouldCallPreview_) {
        back->previewWillAppear(animated);
    }
    back->viewWillAppear(animated);

    const std::shared_ptr<View> backView = back->view();
    adjustViewFrame(*backView, reverseMove(s));
    contentView_->addSubview(backView);

    const int h = static_cast<int>(std::lround(barHeight()));
    if (change != BarChange::None) {
        ++barGeneration_;
    }
    if (change == BarChange::BringIn) {
        // From its resting place, also when a hide's slide was cut short.
        navigationBar_->setFrame({0, 0, Screen::kWidth, kBarHeight});
        adjustViewFrame(*navigationBar_, reverseMove(s));
        adjustViewFrame(*backView, 0, h);
        window_->addSubview(navigationBar_);
    } else if (change == BarChange::TakeAway) {
        contentView_->setFrame({0, 0, Screen::kWidth, Screen::kHeight});
        adjustViewFrame(*cur->view(), 0, h);
        window_->bringSubviewToFront(navigationBar_.get());
    }

    auto context = AnimationContext::contextWithNext(back, backItem, cur, curItem, s);
    context->barChange = change;
    context->push = false;
    beginTransition(kPopId, context, animated);

    if (inContentView(cur)) {
        announceDisappearing(*cur, animated);
        adjustViewFrame(*cur->view(), s);
    }
    adjustViewFrame(*backView, s);

    if (change == BarChange::BringIn) {
        adjustViewFrame(*navigationBar_, s);
        if (navigationBarManually_) {
            navigationBarAuto_ = false;
            navigationBar_->popNavigationItemAnimated(false);
        }
    } else if (change == BarChange::TakeAway) {
        adjustViewFrame(*navigationBar_, s);
    } else if (navigationBarManually_) {
        navigationBarAuto_ = false;
        navigationBar_->popNavigationItemAnimated(animated);
    }

    if (animated) {
        running_ = context;
        Animation::commitAnimations();
    } else {
        popAnimationEnded(*context, false);
    }
    return cur;
}

void ZVKNavigationController::popAnimationEnded(const AnimationContext& c, bool animated) {
    // Here `prev` is the screen that left and `next` the one that came back.
    const int h = static_cast<int>(std::lround(barHeight()));
    if (inContentView(c.prev)) {
        c.prev->view()->removeFromSuperview();
        adjustViewFrame(*c.prev->view(), reverseMove(c.scrolling));
        if (shouldCallPreview_) {
            c.prev->previewDidDisappear(animated);
        }
        c.prev->viewDidDisappear(animated);
    }
    if (c.barChange == BarChange::BringIn) {
        adjustViewFrame(*c.next->view(), 0, -h);
        navigationBarHidden_ = false;
        contentView_->setFrame({0, static_cast<float>(h), Screen::kWidth, Screen::kHeight - h});
    } else if (c.barChange == BarChange::TakeAway) {
        adjustViewFrame(*c.prev->view(), 0, -h);
        navigationBarHidden_ = true;
        navigationBar_->removeFromSuperview();
        // Back to its resting place, also when a hide during the slide already put it there.
        navigationBar_->setFrame({0, 0, Screen::kWidth, kBarHeight});
        if (navigationBarManually_) {
            navigationBarAuto_ = false;
            navigationBar_->popNavigationItemAnimated(false);
        }
    }
    navigationBarManually_ = true;
    if (shouldCallPreview_) {
        c.next->previewDidAppear(animated);
    }
    c.next->viewDidAppear(animated);
    performNavigate(c.prev.get(), c.prevItem.get(), c.next.get(), c.nextItem.get(), false);
    navigationBarStateAfterNextScroll_ = BarChange::None;
    navigationBar_->setUserInteractionEnabled(true);
    contentView_->setUserInteractionEnabled(true);
}

// MARK: bar

bool ZVKNavigationController::navigationBarShouldPushItem(platform::NavigationBar&,
                                                          NavigationItem&) {
    navigationBarAuto_ = true;
    return true;
}

bool ZVKNavigationController::navigationBarShouldPopItem(platform::NavigationBar&,
                                                         NavigationItem&) {
    if (navigationBarAuto_) {
        // The user pressed the back button.
        if (shouldQuery_ && !checkShouldPop()) {
            return false;
        }
        navigationBarManually_ = false;
        popViewControllerAnimated(true);
    }
    navigationBarAuto_ = true;
    return true;
}

void ZVKNavigationController::showNavigationBarAnimated(bool animated) {
    // A slide that moves the bar itself ends first, so the two never fight over it.
    finishRunningTransition();
    if (!navigationBarHidden_) {
        return;
    }
    navigationBarHidden_ = false;
    ++barGeneration_;
    navigationBar_->setFrame({0, -kBarHeight, Screen::kWidth, kBarHeight});
    window_->addSubview(navigationBar_);
    if (animated) {
        Animation::beginAnimations(kShowBarId);
        Animation::setAnimationDuration(kDuration);
    }
    navigationBar_->setFrame({0, 0, Screen::kWidth, kBarHeight});
    const float h = barHeight();
    contentView_->setFrame({0, h, Screen::kWidth, Screen::kHeight - h});
    if (animated) {
        Animation::commitAnimations();
    }
}

void ZVKNavigationController::hideNavigationBarAnimated(bool animated) {
    finishRunningTransition();
    if (navigationBarHidden_) {
        return;
    }
    navigationBarHidden_ = true;
    ++barGeneration_;
    if (animated) {
        Animation::beginAnimations(kHideBarId, std::make_shared<std::uint64_t>(barGeneration_));
        Animation::setAnimationDuration(kDuration);
        Animation::setAnimationDelegate(this);
        navigationBar_->setFrame({0, -kBarHeight, Screen::kWidth, kBarHeight});
    }
    contentView_->setFrame({0, 0, Screen::kWidth, Screen::kHeight});
    if (animated) {
        Animation::commitAnimations();
    } else {
        hideNavigationBarAnimationEnded();
    }
}

void ZVKNavigationController::hideNavigationBarAnimationEnded() {
    navigationBar_->removeFromSuperview();
    navigationBar_->setFrame({0, 0, Screen::kWidth, kBarHeight});
}

void ZVKNavigationController::animationDidStop(const std::string& animationId, bool,
                                               void* context) {
    if (animationId == kPushId || animationId == kPopId) {
        // A transition that was finished early by a later one has already ended.
        if (!running_ || running_.get() != context) {
            return;
        }
        finishRunningTransition();
    } else if (animationId == kHideBarId && context != nullptr) {
        // A show, or a transition that brought the bar in or took it away, since this
        // hide began has the last word on the bar: the late end of the slide must not
        // take away a bar that is meant to stay.
        if (*static_cast<const std::uint64_t*>(context) == barGeneration_) {
            hideNavigationBarAnimationEnded();
        }
    }
}

void ZVKNavigationController::beginTransition(const char* animationId,
                                              std::shared_ptr<AnimationContext> context,
                                              bool animated) {
    if (animated) {
        Animation::beginAnimations(animationId, std::move(context));
        Animation::setAnimationDuration(kDuration);
        Animation::setAnimationDelegate(this);
    }
}

void ZVKNavigationController::announceDisappearing(ZVKViewController& controller, bool animated) {
    if (shouldCallPreview_) {
        controller.previewWillDisappear(animated);
    }
    controller.viewWillDisappear(animated);
}
