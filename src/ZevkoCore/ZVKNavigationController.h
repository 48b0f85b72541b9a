#pragma once

#include "ZevkoCore/ZVKNavigationControllerDelegate.h"
#include "ZevkoCore/ZVKViewController.h"
#include "platform/base/Screen.h"
#include "platform/ui/Animation.h"
#include "platform/ui/Window.h"
#include "platform/ui/widgets/NavigationBar.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A stack of screens in one full-screen content view of the window, moved from screen
// to screen by 0.4 s slides in four directions, with a navigation bar whose items
// follow the stack and which can be brought in or taken away, also as part of a slide.
//
// A push, pop, show or hide of the bar that comes while a slide runs first finishes
// that slide at once (its end steps run, views jump to their places), then starts; the
// stack, the bar and user interaction are therefore always those of a finished
// transition. Pushing a screen that is already on the stack does nothing.
class ZVKNavigationController : public platform::NavigationBarDelegate,
                                private platform::AnimationDelegate {
public:
    static constexpr float kBarHeight = 65.0f;
    static constexpr double kDuration = 0.4;
    static constexpr const char* kPushId = "ApplicationKernelPush";
    static constexpr const char* kPopId = "ApplicationKernelPop";
    static constexpr const char* kShowBarId = "ApplicationKernelShowNavigationBar";
    static constexpr const char* kHideBarId = "ApplicationKernelHideNavigationBar";

    // Where a pushed screen comes from; a pop reverses the push of its screen. Any other
    // number moves nothing.
    enum class Scrolling : std::int32_t {
        FromRight = 0,
        FromLeft = 1,
        FromAbove = 2,
        FromBelow = 3
    };
    // What the next transition does with the bar. BringIn acts only on a hidden bar and
    // TakeAway only on a shown one; otherwise, and for any other number, the bar stays.
    enum class BarChange : std::int32_t { None = 0, BringIn = 1, TakeAway = 2 };

    // One stack entry: the screen and the direction it was pushed with. The entry keeps
    // its screen alive, so a pushed screen can not vanish from under the stack.
    struct ScrollingObject {
        Scrolling scrolling = Scrolling::FromRight;
        std::shared_ptr<ZVKViewController> viewController;
        static ScrollingObject objectWithScrolling(Scrolling scrolling,
                                                   std::shared_ptr<ZVKViewController> vc) {
            return {scrolling, std::move(vc)};
        }
    };

    // Carries a running transition to its end. For a push `next` comes in; for a pop
    // `next` comes back and `prev` leaves. `barChange` is the bar movement decided at
    // the start.
    struct AnimationContext {
        std::shared_ptr<ZVKViewController> next;
        std::shared_ptr<ZVKViewController> prev;
        std::shared_ptr<platform::NavigationItem> nextItem;
        std::shared_ptr<platform::NavigationItem> prevItem;
        Scrolling scrolling = Scrolling::FromRight;
        BarChange barChange = BarChange::None;
        bool push = true;
        static std::shared_ptr<AnimationContext>
        contextWithNext(std::shared_ptr<ZVKViewController> next,
                        std::shared_ptr<platform::NavigationItem> nextItem,
                        std::shared_ptr<ZVKViewController> prev,
                        std::shared_ptr<platform::NavigationItem> prevItem, Scrolling scrolling);
    };

    // nullptr without a window or a root screen.
    static std::unique_ptr<ZVKNavigationController>
    create(platform::Window* window, std::shared_ptr<ZVKViewController> rootViewController);
    ~ZVKNavigationController() override;

    void pushViewController(std::shared_ptr<ZVKViewController> vc, bool animated,
                            Scrolling scrolling);
    void pushViewController(std::shared_ptr<ZVKViewController> vc, bool animated) {
        pushViewController(std::move(vc), animated, defaultScrolling_);
    }
    // The screen that left, or nullptr when nothing was popped.
    std::shared_ptr<ZVKViewController> popViewControllerAnimated(bool animated,
                                                                 Scrolling scrolling);
    std::shared_ptr<ZVKViewController> popViewControllerAnimated(bool animated);
    ZVKViewController* topViewController() const;

    void showNavigationBarAnimated(bool animated);
    void hideNavigationBarAnimated(bool animated);

    // Kept alive by the list. The plain-pointer form is for a delegate that owns this
    // controller itself and would otherwise keep itself alive.
    void addDelegate(std::shared_ptr<ZVKNavigationControllerDelegate> delegate);
    void addDelegate(ZVKNavigationControllerDelegate* delegate);
    void removeDelegate(const ZVKNavigationControllerDelegate* delegate);

    bool navigationBarHidden() const { return navigationBarHidden_; }
    platform::Window* window() const { return window_; }
    BarChange navigationBarStateAfterNextScroll() const {
        return navigationBarStateAfterNextScroll_;
    }
    void setNavigationBarStateAfterNextScroll(BarChange state) {
        navigationBarStateAfterNextScroll_ = state;
    }
    platform::NavigationBar& navigationBar() const { return *navigationBar_; }
    bool shouldCallPreview() const { return shouldCallPreview_; }
    void setShouldCallPreview(bool v) { shouldCallPreview_ = v; }
    Scrolling defaultScrolling() const { return defaultScrolling_; }
    void setDefaultScrolling(Scrolling s) { defaultScrolling_ = s; }
    const std::vector<ScrollingObject>& scrollings() const { return scrollings_; }
    platform::View& contentView() const { return *contentView_; }
    const std::shared_ptr<ZVKViewController>& rootViewController() const { return root_; }
    bool isTransitionRunning() const { return running_ != nullptr; }

    bool checkShouldPush(ZVKViewController& vc);
    bool checkShouldPop();

    // Navigation bar callbacks.
    bool navigationBarShouldPushItem(platform::NavigationBar& bar,
                                     platform::NavigationItem& item) override;
    bool navigationBarShouldPopItem(platform::NavigationBar& bar,
                                    platform::NavigationItem& item) override;

    void animationDidStop(const std::string& animationId, bool finished, void* context) override;

    static void adjustViewFrame(platform::View& view, Scrolling scrolling);
    static void adjustViewFrame(platform::View& view, int dx, int dy);
    static Scrolling backwardScrollingForScrolling(Scrolling scrolling);

private:
    ZVKNavigationController(platform::Window& window, std::shared_ptr<ZVKViewController> root);
    // The slide of a push or a pop, animated or not.
    void beginTransition(const char* animationId, std::shared_ptr<AnimationContext> context,
                         bool animated);
    // Tells the screen being covered or removed that it goes.
    void announceDisappearing(ZVKViewController& controller, bool animated);

    struct DelegateEntry {
        std::shared_ptr<ZVKNavigationControllerDelegate> keep;
        ZVKNavigationControllerDelegate* delegate;
    };

    void performNavigate(ZVKViewController* from, platform::NavigationItem* fromItem,
                         ZVKViewController* to, platform::NavigationItem* toItem, bool before);
    void prepushViewController(std::shared_ptr<ZVKViewController> vc, bool animated,
                               Scrolling scrolling);
    // The slide of a push or a pop from the before-messages on; `in` is the direction the
    // entering screen slides in by (a push's own, the reverse of it for a pop).
    void slide(const std::shared_ptr<AnimationContext>& context, Scrolling in, bool animated);
    // The end of a slide, at once or when its animation ends.
    void slideEnded(const AnimationContext& context, bool animated);
    // Pushes or pops the bar's item with the stack, unless the bar's back button is doing it.
    void followOnBar(const AnimationContext& context, bool animated);
    void hideNavigationBarAnimationEnded();
    void finishRunningTransition();
    BarChange barChange() const;
    float barHeight() const { return navigationBar_->frame().height(); }
    // The direction that undoes `scrolling`; an invalid direction has none.
    static Scrolling reverseMove(Scrolling scrolling);
    bool inContentView(const std::shared_ptr<ZVKViewController>& vc) const;

    bool navigationBarHidden_ = false;
    platform::Window* window_; // not owned: the window outlives the controller
    BarChange navigationBarStateAfterNextScroll_ = BarChange::None;
    std::shared_ptr<platform::NavigationBar> navigationBar_;
    bool shouldCallPreview_ = false;
    Scrolling defaultScrolling_ = Scrolling::FromRight;
    std::vector<ScrollingObject> scrollings_;
    std::vector<DelegateEntry> delegates_;
    std::shared_ptr<platform::View> contentView_;
    bool navigationBarManually_ = true;
    bool navigationBarAuto_ = true;
    std::shared_ptr<ZVKViewController> root_;
    bool shouldQuery_ = false;
    std::shared_ptr<AnimationContext> running_;
    // Counts the changes of the bar's presence (show, hide, transitions that move it in
    // or out); the end of an animated hide acts only if nothing changed since.
    std::uint64_t barGeneration_ = 0;
};
