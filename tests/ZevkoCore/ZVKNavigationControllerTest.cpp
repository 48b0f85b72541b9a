#include "ZevkoCore/ZVKNavigationController.h"

#include "platform/base/RunLoop.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

using platform::Point;
using platform::Rect;
using platform::RunLoop;
using Lines = std::vector<std::string>;
using BarChange = ZVKNavigationController::BarChange;
using Scrolling = ZVKNavigationController::Scrolling;

struct Screen : ZVKViewController {
    Screen(std::string name, Lines& log, Rect frame) : log(log), frame(frame) { setTitle(name); }
    Lines& log;
    Rect frame;
    bool appear = true;
    bool disappear = true;

    void loadView() override { setView(std::make_shared<platform::View>(frame)); }
    void previewWillAppear(bool a) override { say("willAppear", a); }
    void previewDidAppear(bool a) override { say("didAppear", a); }
    void previewWillDisappear(bool a) override { say("willDisappear", a); }
    void previewDidDisappear(bool a) override { say("didDisappear", a); }
    bool shouldAppear() override { return appear; }
    bool shouldDisappear() override { return disappear; }
    std::shared_ptr<platform::NavigationItem>
    prepareNavigationItem(std::shared_ptr<platform::NavigationItem> item) override {
        log.push_back(title() + " prepare");
        return ZVKViewController::prepareNavigationItem(std::move(item));
    }

private:
    void say(const std::string& what, bool animated) {
        log.push_back(title() + " " + what + (animated ? "+" : ""));
    }
};

std::string nameOf(ZVKViewController* vc) {
    return vc != nullptr ? vc->title() : "none";
}

// Logs before/after messages; optionally steers the bar like the editor's kernel:
// bring it in when the first screen is left, take it away when it is entered.
struct Listener : ZVKNavigationControllerDelegate {
    Listener(Lines& log, std::string name) : log(log), name(std::move(name)) {}
    Lines& log;
    std::string name;
    ZVKNavigationController* steer = nullptr;
    ZVKViewController* home = nullptr;

    void beforeNavigateFrom(ZVKViewController* from, platform::NavigationItem*,
                            ZVKViewController* to, platform::NavigationItem* toItem) override {
        log.push_back(name + " before " + nameOf(from) + ">" + nameOf(to) + " item " +
                      (toItem != nullptr ? toItem->title() : "none"));
        if (steer != nullptr && from == home) {
            steer->setNavigationBarStateAfterNextScroll(BarChange::BringIn);
        } else if (steer != nullptr && to == home) {
            steer->setNavigationBarStateAfterNextScroll(BarChange::TakeAway);
        }
    }
    void afterNavigateFrom(ZVKViewController* from, platform::NavigationItem*,
                           ZVKViewController* to, platform::NavigationItem*) override {
        log.push_back(name + " after " + nameOf(from) + ">" + nameOf(to));
    }
};

struct Combined : Listener {
    using Listener::Listener;
    bool implementsNavigateFrom() const override { return true; }
    void navigateFrom(ZVKViewController* from, platform::NavigationItem*, ZVKViewController* to,
                      platform::NavigationItem*, bool before) override {
        log.push_back(name + " navigate " + nameOf(from) + ">" + nameOf(to) +
                      (before ? " before" : " after"));
    }
};

struct Navigation : ::testing::Test {
    void SetUp() override {
        RunLoop::main().reset(std::make_shared<platform::VirtualClock>());
        nav = ZVKNavigationController::create(window.get(), main);
        ASSERT_TRUE(nav);
        nav->addDelegate(listener);
        log.clear();
    }
    Lines log;
    std::shared_ptr<platform::Window> window = std::make_shared<platform::Window>();
    std::shared_ptr<Screen> main = std::make_shared<Screen>("Main", log, Rect(0, 20, 320, 460));
    std::shared_ptr<Screen> settings =
        std::make_shared<Screen>("Settings", log, Rect(0, 0, 320, 415));
    std::shared_ptr<Listener> listener = std::make_shared<Listener>(log, "L");
    std::unique_ptr<ZVKNavigationController> nav;

    bool inContent(Screen& s) { return s.view()->superview() == &nav->contentView(); }
    Point shown(Screen& s) { return s.view()->presentation().frame().origin; }
};

TEST_F(Navigation, StartsWithTheRootUnderAShownBar) {
    EXPECT_FALSE(ZVKNavigationController::create(nullptr, main));
    EXPECT_FALSE(ZVKNavigationController::create(window.get(), nullptr));

    // A bar state that does not apply (the bar is already shown) gives an ordinary push.
    nav->setNavigationBarStateAfterNextScroll(BarChange::BringIn);
    nav->pushViewController(settings, false);
    EXPECT_EQ(nav->contentView().frame(), Rect(0, 65, 320, 415));
    EXPECT_EQ(nav->navigationBarStateAfterNextScroll(), BarChange::None);
}

TEST_F(Navigation, AnAnimatedPushSlidesAndEndsAfterPointFourSeconds) {
    nav->pushViewController(settings, true);
    EXPECT_EQ(log.size(), 4u) << "the first four messages below come at once";
    EXPECT_FALSE(nav->contentView().isUserInteractionEnabled());
    EXPECT_FALSE(nav->navigationBar().isUserInteractionEnabled());
    EXPECT_EQ(shown(*settings), (Point{320, 0})) << "comes in from the right";
    RunLoop::main().advance(0.2);
    EXPECT_NEAR(shown(*settings).x, 160, 1e-3);
    EXPECT_NEAR(shown(*main).x, -160, 1e-3) << "the old screen leaves to the left";
    EXPECT_TRUE(inContent(*main));
    RunLoop::main().advance(0.19);
    EXPECT_EQ(log.size(), 4u);
    RunLoop::main().advance(0.011);
    EXPECT_EQ(log, (Lines{"Settings prepare", "L before Main>Settings item Settings",
                          "Settings willAppear+", "Main willDisappear+", "Main didDisappear+",
                          "Settings didAppear+", "L after Main>Settings"}));
}

TEST_F(Navigation, PopsReverseThePushAndTheRootStays) {
    EXPECT_EQ(nav->popViewControllerAnimated(false), nullptr);
    EXPECT_TRUE(log.empty());

    nav->pushViewController(settings, false, Scrolling::FromAbove);
    log.clear();
    EXPECT_EQ(nav->popViewControllerAnimated(true), settings);
    EXPECT_EQ(shown(*main), (Point{0, 500})) << "pushed with 2: the old screen comes back up";
    EXPECT_EQ(shown(*settings), (Point{0, 0}));
    RunLoop::main().advance(0.2);
    EXPECT_NEAR(shown(*settings).y, -240, 1e-3) << "the leaving screen goes back up too";
    EXPECT_NEAR(shown(*main).y, 260, 1e-3);
    RunLoop::main().advance(0.21);
    EXPECT_EQ(log, (Lines{"Main prepare", "L before Settings>Main item Main", "Main willAppear+",
                          "Settings willDisappear+", "Settings didDisappear+", "Main didAppear+",
                          "L after Settings>Main"}));
}

TEST_F(Navigation, RefusingScreensStopTransitions) {
    main->disappear = false;
    nav->pushViewController(settings, false);
    EXPECT_EQ(nav->scrollings().size(), 1u);
    EXPECT_TRUE(log.empty());
    main->disappear = true;
    settings->appear = false;
    nav->pushViewController(settings, false);
    EXPECT_EQ(nav->scrollings().size(), 1u);
    settings->appear = true;
    nav->pushViewController(settings, false);

    // The back button of a screen that will not go: the bar keeps its item.
    settings->disappear = false;
    log.clear();
    window->tap({30, 30});
    RunLoop::main().advance(1.0);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(nav->navigationBar().items().size(), 2u);
    EXPECT_EQ(nav->topViewController(), settings.get());

    settings->disappear = true;
    window->tap({30, 30});
    RunLoop::main().advance(0.41);
    EXPECT_EQ(nav->topViewController(), main.get());
    ASSERT_EQ(nav->navigationBar().items().size(), 1u) << "the bar removed its own item once";
    EXPECT_EQ(nav->navigationBar().topItem()->title(), "Main");
}

// An unanimated push sends everything before it returns.
TEST_F(Navigation, DelegatesAreToldInOrderAndTheCombinedMessageWins) {
    auto combined = std::make_shared<Combined>(log, "C");
    nav->addDelegate(combined);
    nav->addDelegate(listener.get());
    nav->pushViewController(settings, false);
    EXPECT_EQ(log, (Lines{"Settings prepare", "L before Main>Settings item Settings",
                          "C navigate Main>Settings before", "L before Main>Settings item Settings",
                          "Settings willAppear", "Main willDisappear", "Main didDisappear",
                          "Settings didAppear", "L after Main>Settings",
                          "C navigate Main>Settings after", "L after Main>Settings"}));

    nav->removeDelegate(listener.get());
    std::weak_ptr<Combined> weak = combined;
    combined.reset();
    ASSERT_FALSE(weak.expired()) << "the list keeps its delegates alive";
    log.clear();
    nav->popViewControllerAnimated(false);
    EXPECT_EQ(
        std::count_if(log.begin(), log.end(), [](const auto& l) { return l.starts_with("L "); }), 0)
        << "every occurrence was removed";
}

TEST_F(Navigation, TheSettingsFlowBringsTheBarInAndTakesItAway) {
    nav->hideNavigationBarAnimated(false);
    EXPECT_TRUE(nav->navigationBarHidden());

    listener->steer = nav.get();
    listener->home = main.get();
    nav->pushViewController(settings, true);
    EXPECT_EQ(shown(*settings), (Point{320, 65})) << "placed 320 right and 65 down";
    EXPECT_EQ(nav->navigationBar().presentation().frame().origin, (Point{320, 0}));
    EXPECT_EQ(nav->navigationBar().superview(), window.get());
    EXPECT_EQ(nav->navigationBar().items().size(), 2u) << "the item is pushed at once";
    RunLoop::main().advance(0.41);
    EXPECT_EQ(main->view()->frame(), Rect(0, 20, 320, 460));
    EXPECT_FALSE(nav->navigationBarHidden());
    EXPECT_EQ(nav->navigationBarStateAfterNextScroll(), BarChange::None);

    // Back: the bar leaves with the settings screen.
    window->tap({30, 30});
    EXPECT_EQ(nav->contentView().frame(), Rect(0, 0, 320, 480));
    EXPECT_EQ(shown(*settings), (Point{0, 65})) << "moved down as the content view moved up";
    RunLoop::main().advance(0.41);
    EXPECT_TRUE(nav->navigationBarHidden());
    EXPECT_EQ(settings->view()->frame(), Rect(0, 0, 320, 415));
}

TEST_F(Navigation, TheBarSlidesInAndOut) {
    nav->hideNavigationBarAnimated(true);
    EXPECT_EQ(nav->contentView().frame(), Rect(0, 0, 320, 480));
    RunLoop::main().advance(0.2);
    EXPECT_NEAR(nav->navigationBar().presentation().frame().y(), -32.5f, 1e-3);
    RunLoop::main().advance(0.21);
    EXPECT_EQ(nav->navigationBar().superview(), nullptr);

    nav->showNavigationBarAnimated(true);
    EXPECT_EQ(nav->navigationBar().presentation().frame().y(), -65.0f);
    EXPECT_EQ(nav->contentView().frame(), Rect(0, 65, 320, 415));
    RunLoop::main().advance(0.2);
    EXPECT_NEAR(nav->navigationBar().presentation().frame().y(), -32.5f, 1e-3);
    EXPECT_NEAR(nav->contentView().presentation().frame().y(), 32.5f, 1e-3);
    RunLoop::main().advance(0.21);
    EXPECT_EQ(nav->navigationBar().presentation().frame(), Rect(0, 0, 320, 65));
}

TEST_F(Navigation, ATransitionDuringAnotherFinishesTheFirstAtOnce) {
    auto third = std::make_shared<Screen>("Third", log, Rect(0, 0, 320, 415));
    nav->pushViewController(settings, true);
    nav->pushViewController(third, true);
    EXPECT_EQ(nav->scrollings().size(), 3u);
    EXPECT_FALSE(inContent(*main)) << "the first push ended before the second began";
    const auto firstAfter = std::find(log.begin(), log.end(), "L after Main>Settings");
    const auto secondBefore =
        std::find(log.begin(), log.end(), "L before Settings>Third item Third");
    EXPECT_LT(firstAfter, secondBefore);

    EXPECT_EQ(nav->popViewControllerAnimated(true), third);
    RunLoop::main().advance(0.41);
    EXPECT_EQ(nav->topViewController(), settings.get());
    EXPECT_EQ(std::count(log.begin(), log.end(), "L after Settings>Third"), 1);
}

TEST_F(Navigation, RandomTransitionsLeaveAConsistentStackBarAndScreen) {
    std::vector<std::shared_ptr<Screen>> pool{settings};
    for (int i = 0; i < 3; ++i) {
        pool.push_back(std::make_shared<Screen>("S" + std::to_string(i), log,
                                                Rect(0, static_cast<float>(i), 320, 400)));
    }
    nav->pushViewController(settings, false);
    nav->pushViewController(settings, false);
    EXPECT_EQ(nav->scrollings().size(), 2u) << "a screen is on the stack only once";

    std::mt19937 random(8101);
    for (int step = 0; step < 3000; ++step) {
        const bool animated = random() % 2 == 0;
        switch (random() % 8) {
        case 0:
        case 1:
            nav->pushViewController(
                pool[random() % pool.size()], animated,
                static_cast<Scrolling>(static_cast<std::int32_t>(random() % 7) - 1));
            break;
        case 2:
            nav->popViewControllerAnimated(animated);
            break;
        case 3:
            window->tap({30, 30});
            break;
        case 4:
            nav->setNavigationBarStateAfterNextScroll(
                static_cast<BarChange>(static_cast<std::int32_t>(random() % 4)));
            break;
        case 5:
            animated ? nav->showNavigationBarAnimated(random() % 2 == 0)
                     : nav->hideNavigationBarAnimated(random() % 2 == 0);
            break;
        default:
            RunLoop::main().advance(0.1 * static_cast<double>(random() % 6));
            break;
        }
        if (step % 50 != 49) {
            continue;
        }
        RunLoop::main().advance(1.0);
        ASSERT_FALSE(nav->scrollings().empty());
        ASSERT_EQ(nav->scrollings().front().viewController, main);
        ASSERT_FALSE(nav->isTransitionRunning());
        auto* top = static_cast<Screen*>(nav->topViewController());
        ASSERT_EQ(nav->contentView().children().size(), 1u);
        ASSERT_EQ(nav->contentView().children().front(), top->view());
        ASSERT_EQ(top->view()->frame(), top->frame) << "the screen's own frame is restored";
        ASSERT_TRUE(nav->contentView().isUserInteractionEnabled());
        ASSERT_TRUE(nav->navigationBar().isUserInteractionEnabled());
        ASSERT_EQ(nav->navigationBar().items().size(), nav->scrollings().size());
        ASSERT_EQ(nav->navigationBar().frame(), Rect(0, 0, 320, 65));
        ASSERT_EQ(nav->navigationBarHidden(), nav->navigationBar().superview() == nullptr);
        ASSERT_EQ(nav->contentView().frame(),
                  nav->navigationBarHidden() ? Rect(0, 0, 320, 480) : Rect(0, 65, 320, 415));
    }
}

} // namespace
