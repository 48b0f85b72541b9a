#include "platform/ui/widgets/ActivityIndicatorView.h"

#include "platform/base/RunLoop.h"

#include <gtest/gtest.h>

namespace {

using platform::ActivityIndicatorView;
using platform::Rect;
using platform::RunLoop;

TEST(Indicators, SpinsOnTheRunLoopClockOnlyWhileAnimating) {
    RunLoop::main().reset(std::make_shared<platform::VirtualClock>());
    ActivityIndicatorView indicator(ActivityIndicatorView::WhiteLarge);
    EXPECT_EQ(indicator.bounds(), Rect(0, 0, 37, 37));
    EXPECT_TRUE(indicator.isHidden()) << "stopped and hidden at first";

    indicator.setFrame(Rect(100, 180, 120, 120));
    indicator.startAnimating();
    EXPECT_FALSE(indicator.isHidden());
    EXPECT_EQ(indicator.leadingSpoke(), 0);
    // One spoke a twelfth of the turn; a whole turn comes back round.
    RunLoop::main().advance(ActivityIndicatorView::kTurnDuration * 3.5 / 12);
    EXPECT_EQ(indicator.leadingSpoke(), 3);
    RunLoop::main().advance(ActivityIndicatorView::kTurnDuration);
    EXPECT_EQ(indicator.leadingSpoke(), 3);

    indicator.stopAnimating();
    EXPECT_FALSE(indicator.isAnimating());
    EXPECT_TRUE(indicator.isHidden());
    RunLoop::main().advance(0.25);
    EXPECT_EQ(indicator.leadingSpoke(), 3) << "stopped means still";

    indicator.setHidesWhenStopped(false);
    EXPECT_FALSE(indicator.isHidden());
    indicator.startAnimating();
    indicator.startAnimating(); // twice changes nothing
    indicator.stopAnimating();
    EXPECT_FALSE(indicator.isHidden());

    // Styles set the wheel size about the centre; unknown styles are ignored.
    auto small = std::make_unique<ActivityIndicatorView>(ActivityIndicatorView::Gray);
    EXPECT_EQ(small->bounds(), Rect(0, 0, 20, 20));
    small->setCenter({50, 50});
    small->setActivityIndicatorViewStyle(ActivityIndicatorView::WhiteLarge);
    small->setActivityIndicatorViewStyle(42);
    EXPECT_EQ(small->frame(), Rect(31.5f, 31.5f, 37, 37));
    // An indicator may go while spinning: its frame observer goes with it.
    small->startAnimating();
    small.reset();
    RunLoop::main().advance(0.5);
}

} // namespace
