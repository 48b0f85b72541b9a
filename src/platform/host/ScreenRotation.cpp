#include "platform/host/ScreenRotation.h"

#include "platform/ui/Window.h"

namespace platform::ScreenRotation {

namespace {

constexpr float kW = Screen::kWidth;
constexpr float kH = Screen::kHeight;

} // namespace

Size turnedSize(int orientation) {
    return orientation == 3 || orientation == 4 ? Size{kH, kW} : Size{kW, kH};
}

// With the home button on the right (3) the top of the glass faces left, so the screen's
// x axis points up for the user; with it on the left (4) the x axis points down.
Point screenToTurned(Point p, int orientation) {
    switch (orientation) {
    case 2:
        return {kW - p.x, kH - p.y};
    case 3:
        return {p.y, kW - p.x};
    case 4:
        return {kH - p.y, p.x};
    default:
        return p;
    }
}

Point turnedToScreen(Point p, int orientation) {
    switch (orientation) {
    case 2:
        return {kW - p.x, kH - p.y};
    case 3:
        return {kW - p.y, p.x};
    case 4:
        return {p.y, kH - p.x};
    default:
        return p;
    }
}

} // namespace platform::ScreenRotation
