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
    slideEnded(*context, true);
}

// MARK: push and pop

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

    auto context = AnimationContext::contextWithNext(vc, nextItem, prev, prevItem, s);
    context->push = true;
    slide(context, s, animated);
}

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

    auto context = AnimationContext::contextWithNext(back, backItem, cur, curItem, s);
    context->push = false;
    // The screen below comes back the way the push had sent it.
    slide(context, reverseMove(s), animated);
    return cur;
}

void ZVKNavigationController::slide(const std::shared_ptr<AnimationContext>& context, Scrolling in,
                                    bool animated) {
    AnimationContext& c = *context;
    const Scrolling out = reverseMove(in);
    performNavigate(c.prev.get(), c.prevItem.get(), c.next.get(), c.nextItem.get(), true);
    // Read only now: the before-message may set it for this very transition.
    c.barChange = barChange();

    if (c.push) {
        scrollings_.push_back(ScrollingObject::objectWithScrolling(c.scrolling, c.next));
    } else {
        scrollings_.pop_back();
    }
    if (shouldCallPreview_) {
        c.next->previewWillAppear(animated);
    }
    c.next->viewWillAppear(animated);

    const std::shared_ptr<View> nextView = c.next->view();
    adjustViewFrame(*nextView, in);
    contentView_->addSubview(nextView);

    const int h = static_cast<int>(std::lround(barHeight()));
    if (c.barChange != BarChange::None) {
        ++barGeneration_;
    }
    if (c.barChange == BarChange::BringIn) {
        // From its resting place, also when a hide's slide was cut short.
        navigationBar_->setFrame({0, 0, Screen::kWidth, kBarHeight});
        adjustViewFrame(*navigationBar_, in);
        adjustViewFrame(*nextView, 0, h);
        window_->addSubview(navigationBar_);
    } else if (c.barChange == BarChange::TakeAway) {
        contentView_->setFrame({0, 0, Screen::kWidth, Screen::kHeight});
        if (c.prev) {
            adjustViewFrame(*c.prev->view(), 0, h);
        }
        window_->bringSubviewToFront(navigationBar_.get());
    }

    beginTransition(c.push ? kPushId : kPopId, context, animated);

    if (inContentView(c.prev)) {
        announceDisappearing(*c.prev, animated);
        adjustViewFrame(*c.prev->view(), out);
    }
    adjustViewFrame(*nextView, out);

    if (c.barChange == BarChange::BringIn) {
        adjustViewFrame(*navigationBar_, out);
        followOnBar(c, false);
    } else if (c.barChange == BarChange::TakeAway) {
        // The bar slides out with the old screen; its item follows at the end.
        adjustViewFrame(*navigationBar_, out);
    } else {
        followOnBar(c, animated);
    }

    if (animated) {
        running_ = context;
        Animation::commitAnimations();
    } else {
        slideEnded(c, false);
    }
}

void ZVKNavigationController::slideEnded(const AnimationContext& c, bool animated) {
    // `prev` is the screen that left, `next` the one that came in or came back.
    const int h = static_cast<int>(std::lround(barHeight()));
    if (inContentView(c.prev)) {
        c.prev->view()->removeFromSuperview();
        // Back by the way the entering screen came: the frame it had before the slide.
        adjustViewFrame(*c.prev->view(), c.push ? c.scrolling : reverseMove(c.scrolling));
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
        followOnBar(c, false);
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

void ZVKNavigationController::followOnBar(const AnimationContext& c, bool animated) {
    // While the bar's own back button pops, the bar removes its item itself.
    if (!navigationBarManually_) {
        return;
    }
    navigationBarAuto_ = false;
    if (c.push) {
        navigationBar_->pushNavigationItem(c.nextItem, animated);
    } else {
        navigationBar_->popNavigationItemAnimated(animated);
    }
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
