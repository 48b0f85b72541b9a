#include "platform/host/window/WindowFit.h"

#include <algorithm>
#include <cmath>

namespace platform {

Size WindowFit::openingSize(Size screen, Size usable) {
    if (screen.width <= 0.0f || screen.height <= 0.0f) {
        return {};
    }
    const float fits = std::min(usable.width / screen.width, usable.height / screen.height);
    if (fits >= 1.0f) {
        const float scale = std::min(std::floor(fits), static_cast<float>(kMaxScale));
        return {screen.width * scale, screen.height * scale};
    }
    const float shrink = std::max(fits, 0.0f);
    return {std::floor(screen.width * shrink), std::floor(screen.height * shrink)};
}

WindowFit WindowFit::inDrawable(Size screen, int drawableWidth, int drawableHeight) {
    if (screen.width <= 0.0f || screen.height <= 0.0f || drawableWidth <= 0 ||
        drawableHeight <= 0) {
        return {};
    }
    const float w = static_cast<float>(drawableWidth);
    const float h = static_cast<float>(drawableHeight);
    // The side that limits the scale is filled exactly; the other is rounded to whole pixels.
    WindowFit box;
    if (w * screen.height <= h * screen.width) {
        box.width = drawableWidth;
        box.height = std::min(drawableHeight,
                              static_cast<int>(std::lround(w * screen.height / screen.width)));
    } else {
        box.height = drawableHeight;
        box.width = std::min(drawableWidth,
                             static_cast<int>(std::lround(h * screen.width / screen.height)));
    }
    box.x = (drawableWidth - box.width) / 2;
    box.y = (drawableHeight - box.height) / 2;
    return box;
}

float WindowFit::scale(Size screen) const {
    return screen.width > 0.0f ? static_cast<float>(width) / screen.width : 0.0f;
}

int WindowFit::renderScale(Size screen) const {
    // Boxes at a whole scale are exact (see inDrawable); the tolerance only absorbs the
    // division's rounding.
    const float chosen = std::ceil(scale(screen) - 1e-4f);
    return std::clamp(static_cast<int>(chosen), 1, kMaxScale);
}

Point WindowFit::toScreen(Size screen, Point drawable) const {
    if (width <= 0 || height <= 0) {
        return {};
    }
    return {(drawable.x - static_cast<float>(x)) * screen.width / static_cast<float>(width),
            (drawable.y - static_cast<float>(y)) * screen.height / static_cast<float>(height)};
}

} // namespace platform
