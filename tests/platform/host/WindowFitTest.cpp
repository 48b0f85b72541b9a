#include "platform/host/window/WindowFit.h"

#include <gtest/gtest.h>

namespace {

using platform::Point;
using platform::Size;
using platform::WindowFit;

const Size kPortrait{320, 480};
const Size kLandscape{480, 320};

TEST(WindowFit, ANewWindowTakesTheLargestWholeScaleThatFitsElseShrinks) {
    const struct {
        Size screen;
        Size usable;
        Size window;
    } cases[] = {
        {kPortrait, {1366, 741}, {320, 480}},      // a laptop under its panel: scale 1
        {kPortrait, {2560, 1600}, {960, 1440}},    // scale 3, scale 4 would be 1920 high
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
}

TEST(WindowFit, TheScreenIsCentredAsLargeAsFitsAndPointsMapBackThroughTheSameBox) {
    const struct {
        Size screen;
        int drawableWidth;
        int drawableHeight;
        WindowFit box;
        int renderScale;
    } cases[] = {
        {kPortrait, 320, 480, {0, 0, 320, 480}, 1},     {kPortrait, 640, 960, {0, 0, 640, 960}, 2},
        {kPortrait, 960, 600, {280, 0, 400, 600}, 2},   // pillars left and right
        {kPortrait, 1366, 768, {427, 0, 512, 768}, 2},  // a full-screen laptop
        {kPortrait, 640, 1200, {0, 120, 640, 960}, 2},  // bars above and below
        {kLandscape, 1000, 700, {0, 16, 1000, 667}, 3}, // rounded to whole pixels
        {kPortrait, 321, 481, {0, 0, 321, 481}, 2},     // beyond scale 1: smoothed down
        {kPortrait, 200, 300, {0, 0, 200, 300}, 1},
    };
    for (const auto& c : cases) {
        const WindowFit box = WindowFit::inDrawable(c.screen, c.drawableWidth, c.drawableHeight);
        SCOPED_TRACE(testing::Message() << c.drawableWidth << " x " << c.drawableHeight);
        EXPECT_EQ(box.x, c.box.x);
        EXPECT_EQ(box.y, c.box.y);
        EXPECT_EQ(box.width, c.box.width);
        EXPECT_EQ(box.height, c.box.height);
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

} // namespace
