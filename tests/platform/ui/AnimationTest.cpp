#include "platform/ui/Animation.h"

#include "platform/base/RunLoop.h"
#include "platform/ui/View.h"

#include <gtest/gtest.h>

namespace {

using platform::Animation;
using platform::Point;
using platform::Rect;
using platform::RunLoop;
using platform::View;
using platform::VirtualClock;

struct Ends : platform::AnimationDelegate {
    struct End {
        std::string id;
        bool finished;
        void* context;
        double time;
    };
    std::vector<End> ends;
    void animationDidStop(const std::string& id, bool finished, void* context) override {
        ends.push_back({id, finished, context, RunLoop::main().now()});
    }
};

struct AnimationBlocks : ::testing::Test {
    void SetUp() override { RunLoop::main().reset(std::make_shared<VirtualClock>()); }
    std::shared_ptr<View> view = std::make_shared<View>(Rect(0, 0, 100, 100));
    Ends delegate;
};

// The window asks whether a block is moving to know when to draw.
bool animating() {
    return Animation::isAnimating(RunLoop::main().now());
}

TEST_F(AnimationBlocks, PropertiesMoveOnTheClockAndTheEndCallCarriesIdAndContext) {
    auto context = std::make_shared<int>(7);
    Animation::beginAnimations("slide", context);
    Animation::setAnimationDelegate(&delegate);
    view->setCenter({150, 50});
    view->setAlpha(0.0f);
    EXPECT_FALSE(animating()) << "open blocks move nothing yet";
    Animation::commitAnimations();
    EXPECT_TRUE(animating());

    EXPECT_EQ(view->center(), (Point{150, 50})) << "the getter answers the new value at once";
    EXPECT_EQ(view->presentation().center, (Point{50, 50}));
    RunLoop::main().advance(0.1);
    EXPECT_NEAR(view->presentation().center.x, 100.0f, 1e-3) << "half way at half time";
    EXPECT_NEAR(view->presentation().alpha, 0.5f, 1e-4);
    RunLoop::main().advance(0.05);
    EXPECT_TRUE(delegate.ends.empty());
    EXPECT_TRUE(animating());
    RunLoop::main().advance(0.05);
    EXPECT_FALSE(animating());
    ASSERT_EQ(delegate.ends.size(), 1u);
    EXPECT_EQ(delegate.ends[0].id, "slide");
    EXPECT_TRUE(delegate.ends[0].finished);
    EXPECT_EQ(delegate.ends[0].context, context.get());
    EXPECT_DOUBLE_EQ(delegate.ends[0].time, Animation::kDefaultDuration);
    EXPECT_EQ(view->presentation().center, (Point{150, 50}));
}

TEST_F(AnimationBlocks, OverlappingBlocksEachEndWithTheirOwnCall) {
    Animation::beginAnimations("first");
    Animation::setAnimationDuration(0.5);
    Animation::setAnimationDelegate(&delegate);
    view->setFrame({100, 0, 100, 100});
    Animation::commitAnimations();
    RunLoop::main().advance(0.2);
    const Point halfway = view->presentation().center;
    EXPECT_GT(halfway.x, 50.0f);
    EXPECT_LT(halfway.x, 100.0f) << "the default curve eases in";

    Animation::beginAnimations("second");
    Animation::setAnimationDelegate(&delegate);
    view->setCenter({0, 50});
    Animation::commitAnimations();
    EXPECT_EQ(view->presentation().center, halfway) << "a new block starts where the view is";

    RunLoop::main().advance(0.2);
    ASSERT_EQ(delegate.ends.size(), 1u);
    RunLoop::main().advance(0.1);
    ASSERT_EQ(delegate.ends.size(), 2u);
    EXPECT_EQ(delegate.ends[0].id, "second");
    EXPECT_TRUE(delegate.ends[0].finished);
    EXPECT_EQ(delegate.ends[1].id, "first");
    EXPECT_FALSE(delegate.ends[1].finished) << "the first block lost its centre to the second";
    EXPECT_EQ(view->presentation().center, (Point{0, 50}));
}

TEST_F(AnimationBlocks, ChangesOutsideABlockStopTheAnimationAndDeadDelegatesAreForgotten) {
    auto gone = std::make_unique<Ends>();
    Animation::beginAnimations("fade");
    Animation::setAnimationDelegate(gone.get());
    view->setAlpha(0.0f);
    Animation::commitAnimations();
    RunLoop::main().advance(0.05);
    view->setAlpha(0.25f);
    EXPECT_EQ(view->presentation().alpha, 0.25f);
    gone.reset();
    RunLoop::main().advance(1.0); // the end call must not reach the dead delegate

    // An empty block still ends, after its duration.
    Animation::beginAnimations("empty");
    Animation::setAnimationDelegate(&delegate);
    Animation::commitAnimations();
    RunLoop::main().advance(0.19);
    EXPECT_TRUE(delegate.ends.empty());
    RunLoop::main().advance(0.01);
    EXPECT_EQ(delegate.ends.size(), 1u);
}

} // namespace
