#include "platform/base/RunLoop.h"
#include "platform/ui/Window.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using platform::Event;
using platform::Point;
using platform::Rect;
using platform::RunLoop;
using platform::Touch;
using platform::TouchList;
using platform::View;
using platform::VirtualClock;
using platform::Window;

// Records every phase it gets: "began 0x… (x,y) taps".
class Recorder : public View {
public:
    using View::View;
    struct Call {
        std::string phase;
        std::vector<Touch*> touches;
        std::vector<Point> locations;
        std::vector<int> taps;
    };
    std::vector<Call> calls;

    void touchesBegan(const TouchList& t, const Event&) override { record("began", t); }
    void touchesMoved(const TouchList& t, const Event&) override { record("moved", t); }
    void touchesEnded(const TouchList& t, const Event&) override { record("ended", t); }
    void touchesCancelled(const TouchList& t, const Event&) override { record("cancelled", t); }

private:
    void record(std::string phase, const TouchList& touches) {
        Call call{std::move(phase), {}, {}, {}};
        for (const auto& t : touches) {
            call.touches.push_back(t.get());
            call.locations.push_back(t->locationInView(this));
            call.taps.push_back(t->tapCount());
        }
        calls.push_back(std::move(call));
    }
};

struct TouchDelivery : ::testing::Test {
    void SetUp() override {
        RunLoop::main().reset(std::make_shared<VirtualClock>());
        window->addSubview(target);
        target->setMultipleTouchEnabled(true);
    }
    std::shared_ptr<Window> window = std::make_shared<Window>();
    std::shared_ptr<Recorder> target = std::make_shared<Recorder>(Rect(20, 40, 200, 200));
};

TEST_F(TouchDelivery, FourPhasesReachTheHitViewOrAPlainOnesSuperviewWithOneTouchPerFinger) {
    window->handleTouches(platform::TouchPhase::Began, {{1, {30, 50}}, {2, {100, 100}}});
    window->touchMove(2, {110, 120});
    window->touchUp(1, {31, 52});
    window->touchCancel(2);

    ASSERT_EQ(target->calls.size(), 4u);
    EXPECT_EQ(target->calls[0].phase, "began");
    ASSERT_EQ(target->calls[0].touches.size(), 2u) << "one event, one call with both fingers";
    EXPECT_EQ(target->calls[0].locations[0], (Point{10, 10})) << "in the view's coordinates";
    Touch* first = target->calls[0].touches[0];
    Touch* second = target->calls[0].touches[1];
    EXPECT_EQ(target->calls[1].phase, "moved");
    EXPECT_EQ(target->calls[1].touches, std::vector<Touch*>{second});
    EXPECT_EQ(target->calls[1].locations[0], (Point{90, 80}));
    EXPECT_EQ(target->calls[2].phase, "ended");
    EXPECT_EQ(target->calls[2].touches, std::vector<Touch*>{first});
    EXPECT_EQ(target->calls[3].phase, "cancelled");
    EXPECT_EQ(target->calls[3].touches, std::vector<Touch*>{second});
    EXPECT_EQ(window->activeTouchCount(), 0u);

    // A plain view hands its touches to its superview.
    auto plain = std::make_shared<View>(Rect(0, 0, 50, 50));
    target->addSubview(plain);
    window->touchDown(3, {30, 50});
    ASSERT_EQ(target->calls.size(), 5u);
    EXPECT_EQ(target->calls[4].touches[0]->view(), plain.get());
}

TEST_F(TouchDelivery, TapCountGrowsForQuickTapsAtOnePlace) {
    const auto lastTaps = [&] { return target->calls.back().taps.front(); };
    window->tap({50, 50});
    EXPECT_EQ(lastTaps(), 1);
    RunLoop::main().advance(0.3);
    window->tap({55, 53});
    EXPECT_EQ(lastTaps(), 2);
    RunLoop::main().advance(0.1);
    window->tap({50, 50});
    EXPECT_EQ(lastTaps(), 3);
    RunLoop::main().advance(0.36);
    window->tap({50, 50});
    EXPECT_EQ(lastTaps(), 1) << "too late for a double tap";
    window->tap({120, 150});
    EXPECT_EQ(lastTaps(), 1) << "too far for a double tap";
    window->touchDown(4, {120, 150});
    window->touchMove(4, {180, 150});
    window->touchUp(4, {180, 150});
    window->tap({180, 150});
    EXPECT_EQ(lastTaps(), 1) << "a drag is no tap";
}

TEST_F(TouchDelivery, UnknownFingersSecondFingersOfSingleTouchViewsAndSwitchedOffViewsGetNoMore) {
    window->touchMove(9, {30, 50});
    window->touchUp(9, {30, 50});
    window->touchCancel(9);
    EXPECT_TRUE(target->calls.empty());

    window->touchDown(1, {30, 50});
    window->touchDown(1, {60, 50}); // the same finger can not come down twice
    EXPECT_EQ(target->calls.size(), 1u);

    target->setMultipleTouchEnabled(false);
    window->touchDown(2, {60, 60});
    EXPECT_EQ(target->calls.size(), 1u) << "a single-touch view takes one finger at a time";
    window->touchMove(2, {70, 60});
    window->touchUp(2, {70, 60});
    EXPECT_EQ(target->calls.size(), 1u);
    window->cancelAllTouches();
    EXPECT_EQ(target->calls.back().phase, "cancelled");

    // A view switched off while a finger is down gets a cancel instead of the rest. (Which
    // view a disabled one leaves the touch to is the hit test's.)
    window->touchDown(3, {30, 50});
    target->setUserInteractionEnabled(false);
    window->touchMove(3, {40, 50});
    window->touchUp(3, {40, 50});
    ASSERT_EQ(target->calls.size(), 4u);
    EXPECT_EQ(target->calls[2].phase, "began");
    EXPECT_EQ(target->calls[3].phase, "cancelled");
}

} // namespace
