#include "platform/ui/widgets/AlertView.h"

#include "platform/base/RunLoop.h"
#include "platform/ui/Window.h"
#include "platform/ui/widgets/Button.h"

#include <gtest/gtest.h>

namespace {

using platform::AlertView;
using platform::Rect;

struct Alerts : ::testing::Test {
    void SetUp() override {
        platform::RunLoop::main().reset(std::make_shared<platform::VirtualClock>());
        window->addSubview(underneath);
        underneath->addTarget(
            &taps, [this](platform::Control&) { ++taps; }, platform::Control::TouchUpInside);
    }
    void tapButtonOf(const std::shared_ptr<AlertView>& alert) {
        platform::RunLoop::main().advance(0.3); // past the entrance
        const auto centre = alert->buttonCentreInWindow(0);
        ASSERT_TRUE(centre);
        window->tap(*centre);
    }
    std::shared_ptr<platform::Window> window = std::make_shared<platform::Window>();
    std::shared_ptr<platform::Button> underneath =
        std::make_shared<platform::Button>(Rect(0, 0, 320, 480));
    int taps = 0;
};

TEST_F(Alerts, QueueOldestFirstTheButtonDismissesAndAQueuedOneCanGoBeforeItsTurn) {
    std::weak_ptr<AlertView> firstWeak;
    {
        auto first = std::make_shared<AlertView>("", "Rotate the device.", "OK");
        auto second = std::make_shared<AlertView>("Saved.", "", "OK");
        first->show(*window);
        second->show(*window);
        first->show(*window); // already there: no second entry
        firstWeak = first;
    }
    ASSERT_FALSE(firstWeak.expired()) << "the window keeps shown alerts alive";
    EXPECT_EQ(AlertView::alertCount(*window), 2u);
    auto shown = AlertView::visibleAlert(*window);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->message(), "Rotate the device.");

    // The box is centred on the screen, the button inside it.
    const Rect box = shown->frame();
    EXPECT_NEAR(box.x() + box.width() / 2, 160, 0.5);
    EXPECT_NEAR(box.y() + box.height() / 2, 240, 0.5);

    shown.reset();
    tapButtonOf(AlertView::visibleAlert(*window));
    EXPECT_TRUE(firstWeak.expired()) << "dismissed and let go";
    shown = AlertView::visibleAlert(*window);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->title(), "Saved.");
    EXPECT_EQ(AlertView::alertCount(*window), 1u);

    tapButtonOf(shown);
    EXPECT_EQ(AlertView::alertCount(*window), 0u);
    EXPECT_EQ(taps, 0) << "the taps went to the alerts, not to what lies below";

    // After the fade the dimming layer is gone and the screen takes taps again.
    platform::RunLoop::main().advance(0.3);
    EXPECT_EQ(window->subviews().size(), 1u);
    window->tap({10, 10});
    EXPECT_EQ(taps, 1);

    // A queued alert can be dismissed before its turn, and a new one reuses a fading layer.
    auto first = std::make_shared<AlertView>("One", "", "OK");
    auto waiting = std::make_shared<AlertView>("Two", "", "OK");
    first->show(*window);
    waiting->show(*window);
    waiting->dismissWithClickedButtonIndex(0, true);
    EXPECT_EQ(AlertView::alertCount(*window), 1u);
    EXPECT_TRUE(first->isVisible());
    EXPECT_FALSE(waiting->isVisible());

    first->dismissWithClickedButtonIndex(0, true);
    auto third = std::make_shared<AlertView>("Three", "", "OK");
    third->show(*window); // while the layer fades out
    platform::RunLoop::main().advance(0.5);
    EXPECT_TRUE(third->isVisible()) << "the pending removal of the layer was called off";
    EXPECT_EQ(window->subviews().size(), 2u);
    tapButtonOf(third);
    EXPECT_FALSE(third->isVisible());

    // Once dismissed, an alert can be shown again.
    third->show(*window);
    EXPECT_TRUE(third->isVisible());
}

TEST_F(Alerts, TheDimmingLayerSwallowsTouchesOutsideTheBox) {
    auto alert = std::make_shared<AlertView>("Please, wait...", "", "");
    alert->show(*window);
    platform::RunLoop::main().advance(0.3);
    EXPECT_FALSE(alert->buttonCentreInWindow(0));
    window->tap({10, 10});
    window->tap({160, 240});
    EXPECT_EQ(taps, 0);
    EXPECT_TRUE(alert->isVisible());

    alert->dismissWithClickedButtonIndex(0, false);
    EXPECT_FALSE(alert->isVisible());
    EXPECT_EQ(window->subviews().size(), 1u) << "without animation the layer goes at once";
    window->tap({10, 10});
    EXPECT_EQ(taps, 1);

    // Shown again with a view of the caller's (a spinner): the title, made when first shown,
    // moves below it.
    alert->addSubview(std::make_shared<platform::View>(Rect(121.5f, 16.5f, 37, 37)));
    alert->show(*window);
    ASSERT_EQ(alert->subviews().size(), 2u);
    const Rect title = alert->subviews()[0]->frame();
    EXPECT_GE(title.y(), 53.5f);
    EXPECT_GT(alert->bounds().height(), title.y() + title.height());
}

} // namespace
