#include "platform/ui/widgets/NavigationBar.h"

#include "platform/base/RunLoop.h"
#include "platform/ui/Window.h"
#include "platform/ui/widgets/BarButtonItem.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using platform::NavigationBar;
using platform::NavigationItem;
using platform::Rect;

struct Asker : platform::NavigationBarDelegate {
    std::vector<std::string> log;
    bool allowPop = true;
    bool navigationBarShouldPushItem(NavigationBar&, NavigationItem& item) override {
        log.push_back("shouldPush " + item.title());
        return true;
    }
    void navigationBarDidPushItem(NavigationBar&, NavigationItem& item) override {
        log.push_back("didPush " + item.title());
    }
    bool navigationBarShouldPopItem(NavigationBar&, NavigationItem& item) override {
        log.push_back("shouldPop " + item.title());
        return allowPop;
    }
    void navigationBarDidPopItem(NavigationBar&, NavigationItem& item) override {
        log.push_back("didPop " + item.title());
    }
};

struct Bar : ::testing::Test {
    void SetUp() override {
        platform::RunLoop::main().reset(std::make_shared<platform::VirtualClock>());
        window->addSubview(bar);
        bar->setDelegate(&asker);
    }
    std::shared_ptr<platform::Window> window = std::make_shared<platform::Window>();
    std::shared_ptr<NavigationBar> bar = std::make_shared<NavigationBar>(Rect(0, 0, 320, 65));
    Asker asker;
};

TEST_F(Bar, PushAndPopAskTheDelegateFirst) {
    bar->pushNavigationItem(std::make_shared<NavigationItem>("Main"), false);
    bar->pushNavigationItem(std::make_shared<NavigationItem>("Settings"), true);
    EXPECT_EQ(bar->topItem()->title(), "Settings");
    EXPECT_EQ(bar->backItem()->title(), "Main");
    EXPECT_EQ(bar->backButtonTitle(), "Main");

    asker.allowPop = false;
    EXPECT_EQ(bar->popNavigationItemAnimated(false), nullptr);
    EXPECT_EQ(bar->items().size(), 2u);
    asker.allowPop = true;
    EXPECT_EQ(bar->popNavigationItemAnimated(false)->title(), "Settings");
    EXPECT_EQ(bar->backItem(), nullptr);
    EXPECT_FALSE(bar->backButtonFrame());
    EXPECT_EQ(asker.log,
              (std::vector<std::string>{"shouldPush Main", "didPush Main", "shouldPush Settings",
                                        "didPush Settings", "shouldPop Settings",
                                        "shouldPop Settings", "didPop Settings"}));

    // The back button says where it leads, an untitled screen is still somewhere.
    auto untitled = std::make_shared<NavigationItem>("");
    bar->pushNavigationItem(untitled, false);
    bar->pushNavigationItem(std::make_shared<NavigationItem>("Settings"), false);
    EXPECT_EQ(bar->backButtonTitle(), "Back");
    untitled->setBackBarButtonItem(std::make_shared<platform::BarButtonItem>(
        "Editor", platform::BarButtonItem::Bordered, nullptr, nullptr));
    EXPECT_EQ(bar->backButtonTitle(), "Editor");
}

TEST_F(Bar, TheBackButtonAsksAndThenRemovesItsOwnItem) {
    bar->pushNavigationItem(std::make_shared<NavigationItem>("Main"), false);
    window->tap({30, 30});
    EXPECT_EQ(bar->items().size(), 1u) << "no back button with one item";

    bar->pushNavigationItem(std::make_shared<NavigationItem>("Settings"), false);
    asker.log.clear();
    window->touchDown(1, {30, 30});
    window->touchUp(1, {200, 30});
    EXPECT_TRUE(asker.log.empty()) << "lifting outside the button is no press";
    bar->setUserInteractionEnabled(false);
    window->tap({30, 30});
    EXPECT_TRUE(asker.log.empty()) << "a bar with interaction off has no working button";

    bar->setUserInteractionEnabled(true);
    window->tap({30, 30});
    EXPECT_EQ(bar->items().size(), 1u);
    EXPECT_EQ(asker.log, (std::vector<std::string>{"shouldPop Settings", "didPop Settings"}));
}

} // namespace
