#include "platform/host/window/MouseFingers.h"

#include <gtest/gtest.h>
#include <utility>

namespace {

using platform::MouseFingers;
using platform::Point;
using platform::TouchPhase;

// The touches as (id, point) pairs, with their phase; Cancelled stands for none at all.
struct Seen {
    TouchPhase phase = TouchPhase::Cancelled;
    std::vector<std::pair<int, Point>> fingers;
    friend bool operator==(const Seen&, const Seen&) = default;
};

Seen seen(const std::optional<MouseFingers::Touches>& touches) {
    Seen result;
    if (touches) {
        result.phase = touches->phase;
        for (const auto& input : touches->inputs) {
            result.fingers.emplace_back(input.id, input.location);
        }
    }
    return result;
}

const Seen kNothing;
constexpr Point kCentre{160, 300};

TEST(MouseFingers, OneFingerFollowsTheMouseWhileTheButtonIsDown) {
    MouseFingers mouse;
    EXPECT_EQ(seen(mouse.moved({5, 5}, false, kCentre)), kNothing) << "no button, no finger";
    EXPECT_EQ(seen(mouse.pressed({10, 20}, kCentre)), (Seen{TouchPhase::Began, {{0, {10, 20}}}}));
    EXPECT_EQ(seen(mouse.pressed({11, 21}, kCentre)), kNothing) << "already down";
    EXPECT_EQ(seen(mouse.moved({30, 40}, false, kCentre)),
              (Seen{TouchPhase::Moved, {{0, {30, 40}}}}));
    EXPECT_EQ(seen(mouse.released({50, 60}, kCentre)), (Seen{TouchPhase::Ended, {{0, {50, 60}}}}));
    EXPECT_EQ(seen(mouse.released({50, 60}, kCentre)), kNothing);
    EXPECT_TRUE(mouse.shown(kCentre).empty()) << "circles only with Alt";

    // Fingers whose touches ended otherwise (the device turned) are not released again.
    mouse.pressed({1, 1}, kCentre);
    mouse.forget();
    EXPECT_EQ(seen(mouse.released({1, 1}, kCentre)), kNothing);
}

TEST(MouseFingers, AltMirrorsASecondFingerAboutTheCentreWithinTheScreen) {
    MouseFingers mouse;
    mouse.altFromMouse(true);
    mouse.moved({100, 250}, false, kCentre);
    EXPECT_EQ(mouse.shown(kCentre), (std::vector<Point>{{100, 250}, {220, 350}}))
        << "where the fingers would touch";
    EXPECT_EQ(seen(mouse.pressed({100, 250}, kCentre)),
              (Seen{TouchPhase::Began, {{0, {100, 250}}, {1, {220, 350}}}}));
    EXPECT_EQ(seen(mouse.moved({300, 10}, false, kCentre)),
              (Seen{TouchPhase::Moved, {{0, {300, 10}}, {1, {20, 480}}}}))
        << "the mirrored finger stays on the screen";
    EXPECT_EQ(mouse.shown(kCentre), (std::vector<Point>{{300, 10}, {20, 480}}));
    EXPECT_EQ(seen(mouse.released({120, 280}, kCentre)),
              (Seen{TouchPhase::Ended, {{0, {120, 280}}, {1, {200, 320}}}}));

    // Without a centre of the application's, the middle of the screen below the status bar.
    EXPECT_EQ(seen(mouse.pressed({100, 200}, std::nullopt)),
              (Seen{TouchPhase::Began, {{0, {100, 200}}, {1, {220, 300}}}}));
}

TEST(MouseFingers, AltShiftMovesBothFingersUntilAltIsPressedAgain) {
    MouseFingers mouse;
    EXPECT_TRUE(mouse.altFromKeys(true));
    EXPECT_FALSE(mouse.altFromKeys(true)) << "no change";
    mouse.moved({100, 250}, false, kCentre);
    mouse.pressed({100, 250}, kCentre);
    EXPECT_EQ(seen(mouse.moved({110, 270}, true, kCentre)),
              (Seen{TouchPhase::Moved, {{0, {110, 270}}, {1, {230, 370}}}}))
        << "the centre travelled with the mouse";
    mouse.released({110, 270}, kCentre);
    mouse.altFromMouse(true);
    EXPECT_EQ(mouse.shown(kCentre), (std::vector<Point>{{110, 270}, {230, 370}}))
        << "a mouse event keeps the moved centre";

    EXPECT_TRUE(mouse.altFromKeys(false));
    EXPECT_TRUE(mouse.altFromKeys(true));
    EXPECT_EQ(mouse.shown(kCentre), (std::vector<Point>{{110, 270}, {210, 330}}))
        << "a new Alt press mirrors about the application's centre again";
}

TEST(MouseFingers, TheFingersStayAsManyAsCameDownUntilRelease) {
    MouseFingers mouse;
    mouse.pressed({10, 20}, kCentre);
    mouse.altFromMouse(true);
    EXPECT_EQ(seen(mouse.moved({30, 40}, false, kCentre)),
              (Seen{TouchPhase::Moved, {{0, {30, 40}}}}));
    EXPECT_EQ(seen(mouse.released({30, 40}, kCentre)), (Seen{TouchPhase::Ended, {{0, {30, 40}}}}));

    mouse.pressed({100, 250}, kCentre);
    mouse.altFromMouse(false);
    EXPECT_EQ(seen(mouse.moved({90, 240}, false, kCentre)),
              (Seen{TouchPhase::Moved, {{0, {90, 240}}, {1, {90, 240}}}}))
        << "without Alt both follow the mouse";
    EXPECT_EQ(seen(mouse.released({80, 230}, kCentre)),
              (Seen{TouchPhase::Ended, {{0, {80, 230}}, {1, {80, 230}}}}));
}

} // namespace
