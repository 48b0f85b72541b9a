#include "ZevkoCore/ZVKViewController.h"

#include "platform/base/RunLoop.h"
#include "platform/ui/Window.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using platform::Rect;

struct Screen : ZVKViewController {
    int loads = 0;
    std::vector<std::string> log;
    void loadView() override {
        ++loads;
        setView(std::make_shared<platform::View>(Rect(0, 0, 320, 415)));
    }
    void viewWillAppear(bool animated) override { log.push_back(animated ? "will+" : "will"); }
    void viewDidAppear(bool animated) override { log.push_back(animated ? "did+" : "did"); }
    void viewWillDisappear(bool) override { log.push_back("willGo"); }
    void viewDidDisappear(bool) override { log.push_back("didGo"); }
};

TEST(ZVKViewController, BuildsItsViewOnFirstUseAndTitlesItsItem) {
    Screen screen;
    EXPECT_FALSE(screen.isViewLoaded());
    EXPECT_EQ(screen.view()->frame(), Rect(0, 0, 320, 415));
    screen.view();
    EXPECT_EQ(screen.loads, 1);

    // The title goes to the item prepared for the bar and to its own item.
    screen.setTitle("Settings");
    auto item = std::make_shared<platform::NavigationItem>("old");
    EXPECT_EQ(screen.prepareNavigationItem(item), item);
    EXPECT_EQ(item->title(), "Settings");
    EXPECT_EQ(screen.navigationItem()->title(), "Settings");
    screen.setTitle("Other");
    EXPECT_EQ(screen.navigationItem()->title(), "Other");

    ZVKViewController plain;
    EXPECT_EQ(plain.view()->frame(), Rect(0, 20, 320, 460)) << "the screen below the status bar";
}

TEST(ZVKViewController, PresentsAndDismissesAModalScreen) {
    platform::RunLoop::main().reset(std::make_shared<platform::VirtualClock>());
    auto window = std::make_shared<platform::Window>();
    Screen presenter;
    window->addSubview(presenter.view());
    auto modal = std::make_shared<Screen>();

    presenter.presentModalViewController(modal, true);
    EXPECT_EQ(presenter.modalViewController(), modal.get());
    EXPECT_EQ(modal->view()->window(), window.get());
    EXPECT_EQ(modal->view()->frame(), Rect(0, 20, 320, 460));
    EXPECT_EQ(modal->view()->presentation().frame().y(), 500.0f) << "it slides up from below";
    platform::RunLoop::main().advance(0.31);
    EXPECT_EQ(modal->log, (std::vector<std::string>{"will+", "did+"}));

    presenter.presentModalViewController(std::make_shared<Screen>(), false);
    EXPECT_EQ(presenter.modalViewController(), modal.get()) << "one modal at a time";

    presenter.dismissModalViewControllerAnimated(true);
    EXPECT_EQ(presenter.modalViewController(), nullptr);
    EXPECT_EQ(modal->view()->window(), window.get()) << "still sliding away";
    platform::RunLoop::main().advance(0.31);
    EXPECT_EQ(modal->view()->window(), nullptr);
    EXPECT_EQ(modal->log.back(), "didGo");
}

} // namespace
