#pragma once

#include "platform/base/Geometry.h"

namespace platform {

// How the screen (its points, turned as the window is) fills a window: the size a new window
// opens at, and where the screen lies in a window of any size, as large as fits, centred, the
// rest black. Drawing and the mouse go through the same box, so a point lands where it is
// seen. Knows nothing of the window system.
struct WindowFit {
    static constexpr int kMaxScale = 8;

    // The window size for `screen` points on a display whose usable area is `usable`: the
    // screen at the largest whole scale that fits (at most kMaxScale), or where even scale 1
    // does not fit, the largest size of the screen's shape that does (whole units).
    static Size openingSize(Size screen, Size usable);

    // The screen's box in a drawable of `drawableWidth` × `drawableHeight` pixels: top-left
    // origin, whole pixels.
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    static WindowFit inDrawable(Size screen, int drawableWidth, int drawableHeight);

    // Drawable pixels per screen point.
    float scale(Size screen) const;
    // The compositor's whole scale for this box: the smallest at least as sharp as the box
    // (1 to kMaxScale). When it is not exactly the box's scale the screen is filtered smoothly.
    int renderScale(Size screen) const;
    // The screen point under a drawable pixel position; outside the box it lies beyond the
    // screen's edges.
    Point toScreen(Size screen, Point drawable) const;
};

} // namespace platform
