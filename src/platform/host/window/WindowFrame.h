#pragma once

#include "platform/base/Geometry.h"
#include "platform/host/window/WindowFit.h"

#include <vector>

namespace platform {

class Compositor;
class StatusBarTexture;

// One frame of the window over the screen the compositor keeps: the screen turned as the
// window is (unless the window holds it upright already), the status bar along the edge
// its orientation calls the top and, while Alt is held, the mouse fingers as translucent
// circles. Drawn into the window's framebuffer, bound now, with its context current.
struct WindowFrame {
    int drawableWidth = 0;
    int drawableHeight = 0;
    // Where the screen goes in the drawable; outside it the window is black.
    WindowFit box;
    // Whether the compositor's screen is filtered smoothly into a box of another size.
    bool smooth = false;
    // How the window is turned (1–4).
    int orientation = 1;
    // Whether the window holds the screen already, upright: drawn into it directly.
    bool screenInWindow = false;
    const Compositor* screen = nullptr;    // not owned
    const StatusBarTexture* bar = nullptr; // not owned
    // The fingers to show, screen points.
    std::vector<Point> fingers;

    // Draws the frame. Where the window holds the screen, answers the screen boxes (points)
    // drawn over it, which the next frame draws again from the views before the bar and
    // the fingers go over them.
    std::vector<Rect> draw() const;
};

} // namespace platform
