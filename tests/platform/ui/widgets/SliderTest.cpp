#include "platform/ui/widgets/Slider.h"

#include "platform/base/RunLoop.h"
#include "platform/ui/Window.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

using platform::Control;
using platform::Point;
using platform::Rect;
using platform::Slider;

struct Sliders : ::testing::Test {
    void SetUp() override {
        platform::RunLoop::main().reset(std::make_shared<platform::VirtualClock>());
        window->addSubview(slider);
        slider->setMinimumValue(5);
        slider->setMaximumValue(15);
        slider->setValue(10);
        slider->addTarget(
            &changes,
            [this](Control& sender) { changes.push_back(static_cast<Slider&>(sender).value()); },
            Control::ValueChanged);
    }
    // The thumb's centre in window coordinates.
    Point thumb() const {
        const Point p = slider->thumbCentreForValue(slider->value());
        return {p.x + 25, p.y + 220};
    }
    std::shared_ptr<platform::Window> window = std::make_shared<platform::Window>();
    std::shared_ptr<Slider> slider = std::make_shared<Slider>(Rect(25, 220, 270, 20));
    std::vector<float> changes;
};

TEST_F(Sliders, NotContinuousSendsOneValueChangedOnReleaseAndValuesStayInTheRange) {
    slider->setContinuous(false);
    // A finger on the track's far left end, away from the thumb, moves nothing.
    window->touchDown(2, {30, 230});
    window->touchMove(2, {200, 230});
    window->touchUp(2, {200, 230});
    EXPECT_FLOAT_EQ(slider->value(), 10);
    EXPECT_TRUE(changes.empty());

    const Point start = thumb();
    window->touchDown(1, start);
    // 247 points of travel for 10 units; far below the track the finger still drags.
    window->touchMove(1, {start.x + 49.4f, start.y + 40});
    EXPECT_TRUE(changes.empty()) << "nothing while the finger is down";
    window->touchUp(1, {start.x + 49.4f, start.y + 40});
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_NEAR(changes[0], 12, 1e-3);

    // Put down and lifted without moving: no change, no action.
    window->tap(thumb());
    EXPECT_EQ(changes.size(), 1u);

    // Values stay in the range.
    slider->setValue(99);
    EXPECT_FLOAT_EQ(slider->value(), 15);
    slider->setValue(-3, true);
    EXPECT_FLOAT_EQ(slider->value(), 5) << "animated or not, the value is there at once";
    slider->setValue(std::nanf(""));
    EXPECT_FLOAT_EQ(slider->value(), 5);
    EXPECT_EQ(changes.size(), 1u) << "setting the value is no user change";

    slider->setMinimumValue(8);
    EXPECT_FLOAT_EQ(slider->value(), 8);
    slider->setMaximumValue(6);
    EXPECT_FLOAT_EQ(slider->minimumValue(), 6);
    EXPECT_FLOAT_EQ(slider->maximumValue(), 6);
    EXPECT_FLOAT_EQ(slider->value(), 6);
    // An empty range puts the thumb at the left end instead of dividing by zero.
    EXPECT_FLOAT_EQ(slider->thumbCentreForValue(6).x, Slider::kThumbDiameter / 2);
}

TEST_F(Sliders, ContinuousSendsEveryChangeAndTheThumbDoesNotJump) {
    // Grabbed 5 points right of the thumb's centre: that offset is kept.
    const Point start = thumb();
    window->touchDown(1, {start.x + 5, start.y});
    EXPECT_TRUE(changes.empty());
    EXPECT_FLOAT_EQ(slider->value(), 10);
    window->touchMove(1, {start.x + 5 + 24.7f, start.y});
    window->touchMove(1, {start.x + 5 + 24.7f, start.y}); // no change, no action
    window->touchMove(1, {start.x + 1000, start.y});
    window->touchUp(1, {start.x + 1000, start.y});
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_NEAR(changes[0], 11, 1e-3);
    EXPECT_FLOAT_EQ(changes[1], 15) << "clamped to the maximum";
    EXPECT_FLOAT_EQ(slider->value(), 15);
}

} // namespace
