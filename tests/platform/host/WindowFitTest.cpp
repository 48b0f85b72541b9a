// How the window host maps its window onto the screen and the mouse onto fingers.
#include "platform/host/window/WindowFit.h"

#include "platform/host/window/MouseFingers.h"

#include <gtest/gtest.h>
#include <tuple>
#include <utility>

namespace {

using platform::MouseFingers;
using platform::Point;
using platform::Size;
using platform::TouchPhase;
using platform::WindowFit;

const Size kPortrait{320, 480};
const Size kLandscape{480, 320};

// A laptop at scale 1 and a large screen at scale 3 open under Xvfb in the window host's tests.
TEST(WindowFit, ANewWindowTakesTheLargestWholeScaleAndTheScreenIsCentredAsLargeAsFits) {
    const struct {
        Size screen;
        Size usable;
        Size window;
    } cases[] = {
        {kPortrait, {960, 1440}, {960, 1440}},     // exactly the room there is
        {kLandscape, {1366, 741}, {960, 640}},     // turned, the height limits less
        {kPortrait, {20000, 20000}, {2560, 3840}}, // never beyond scale 8
        {kPortrait, {1024, 400}, {266, 400}},      // not even scale 1: the screen's shape
        {kPortrait, {200, 900}, {200, 300}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WindowFit::openingSize(c.screen, c.usable), c.window)
            << c.usable.width << " x " << c.usable.height;
    }

    // In the window the screen is centred as large as fits, and points map back through the
    // same box.
    const struct {
        Size screen;
        int drawableWidth;
        int drawableHeight;
        WindowFit box;
        int renderScale;
    } boxes[] = {
        {kPortrait, 320, 480, {0, 0, 320, 480}, 1},     {kPortrait, 640, 960, {0, 0, 640, 960}, 2},
        {kPortrait, 960, 600, {280, 0, 400, 600}, 2},   // pillars left and right
        {kPortrait, 1366, 768, {427, 0, 512, 768}, 2},  // a full-screen laptop
        {kPortrait, 640, 1200, {0, 120, 640, 960}, 2},  // bars above and below
        {kLandscape, 1000, 700, {0, 16, 1000, 667}, 3}, // rounded to whole pixels
        {kPortrait, 321, 481, {0, 0, 321, 481}, 2},     // beyond scale 1: smoothed down
        {kPortrait, 200, 300, {0, 0, 200, 300}, 1},
    };
    for (const auto& c : boxes) {
        const WindowFit box = WindowFit::inDrawable(c.screen, c.drawableWidth, c.drawableHeight);
        SCOPED_TRACE(testing::Message() << c.drawableWidth << " x " << c.drawableHeight);
        EXPECT_EQ(std::tie(box.x, box.y, box.width, box.height),
                  std::tie(c.box.x, c.box.y, c.box.width, c.box.height));
        EXPECT_EQ(box.renderScale(c.screen), c.renderScale);
        // The box's corners are the screen's corners.
        EXPECT_EQ(box.toScreen(c.screen, {static_cast<float>(box.x), static_cast<float>(box.y)}),
                  (Point{0, 0}));
        EXPECT_EQ(box.toScreen(c.screen, {static_cast<float>(box.x + box.width),
                                          static_cast<float>(box.y + box.height)}),
                  (Point{c.screen.width, c.screen.height}));
    }
    // Inside a letterboxed window a point lands where the screen shows it.
    const WindowFit pillars = WindowFit::inDrawable(kPortrait, 960, 600);
    EXPECT_EQ(pillars.toScreen(kPortrait, {405, 250}), (Point{100, 200}));
    EXPECT_LT(pillars.toScreen(kPortrait, {100, 250}).x, 0.0f);
}

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

using enum TouchPhase;
const Seen kNothing;
constexpr Point kCentre{160, 300};

TEST(MouseFingers, TheFingersThatCameDownFollowTheMouseWhileTheButtonIsDown) {
    MouseFingers mouse;
    EXPECT_EQ(seen(mouse.moved({5, 5}, false, kCentre)), kNothing) << "no button, no finger";
    EXPECT_EQ(seen(mouse.pressed({10, 20}, kCentre)), (Seen{Began, {{0, {10, 20}}}}));
    EXPECT_EQ(seen(mouse.pressed({11, 21}, kCentre)), kNothing) << "already down";
    EXPECT_EQ(seen(mouse.moved({30, 40}, false, kCentre)), (Seen{Moved, {{0, {30, 40}}}}));
    EXPECT_EQ(seen(mouse.released({50, 60}, kCentre)), (Seen{Ended, {{0, {50, 60}}}}));
    EXPECT_EQ(seen(mouse.released({50, 60}, kCentre)), kNothing);
    EXPECT_TRUE(mouse.shown(kCentre).empty()) << "circles only with Alt";

    // Fingers whose touches ended otherwise (the device turned) are not released again.
    mouse.pressed({1, 1}, kCentre);
    mouse.forget();
    EXPECT_EQ(seen(mouse.released({1, 1}, kCentre)), kNothing);

    // The fingers stay as many as came down until release, Alt or not.
    mouse.pressed({10, 20}, kCentre);
    mouse.altFromMouse(true);
    EXPECT_EQ(seen(mouse.moved({30, 40}, false, kCentre)), (Seen{Moved, {{0, {30, 40}}}}));
    EXPECT_EQ(seen(mouse.released({30, 40}, kCentre)), (Seen{Ended, {{0, {30, 40}}}}));
    mouse.pressed({100, 250}, kCentre);
    mouse.altFromMouse(false);
    EXPECT_EQ(seen(mouse.moved({90, 240}, false, kCentre)),
              (Seen{Moved, {{0, {90, 240}}, {1, {90, 240}}}}))
        << "without Alt both follow the mouse";
    EXPECT_EQ(seen(mouse.released({80, 230}, kCentre)),
              (Seen{Ended, {{0, {80, 230}}, {1, {80, 230}}}}));
}

TEST(MouseFingers, AltMirrorsASecondFingerAboutTheCentreWithinTheScreen) {
    MouseFingers mouse;
    mouse.altFromMouse(true);
    mouse.moved({100, 250}, false, kCentre);
    EXPECT_EQ(mouse.shown(kCentre), (std::vector<Point>{{100, 250}, {220, 350}}))
        << "where the fingers would touch";
    EXPECT_EQ(seen(mouse.pressed({100, 250}, kCentre)),
              (Seen{Began, {{0, {100, 250}}, {1, {220, 350}}}}));
    EXPECT_EQ(seen(mouse.moved({300, 10}, false, kCentre)),
              (Seen{Moved, {{0, {300, 10}}, {1, {20, 480}}}}))
        << "the mirrored finger stays on the screen";
    EXPECT_EQ(mouse.shown(kCentre), (std::vector<Point>{{300, 10}, {20, 480}}));
    EXPECT_EQ(seen(mouse.released({120, 280}, kCentre)),
              (Seen{Ended, {{0, {120, 280}}, {1, {200, 320}}}}));

    // Without a centre of the application's, the middle of the screen below the status bar.
    EXPECT_EQ(seen(mouse.pressed({100, 200}, std::nullopt)),
              (Seen{Began, {{0, {100, 200}}, {1, {220, 300}}}}));
}

TEST(MouseFingers, AltShiftMovesBothFingersUntilAltIsPressedAgain) {
    MouseFingers mouse;
    EXPECT_TRUE(mouse.altFromKeys(true));
    EXPECT_FALSE(mouse.altFromKeys(true)) << "no change";
    mouse.moved({100, 250}, false, kCentre);
    mouse.pressed({100, 250}, kCentre);
    EXPECT_EQ(seen(mouse.moved({110, 270}, true, kCentre)),
              (Seen{Moved, {{0, {110, 270}}, {1, {230, 370}}}}))
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

} // namespace
