#pragma once

#include "platform/base/Color.h"
#include "platform/base/Geometry.h"
#include "platform/graphics/Picture.h"

#include <span>

namespace platform {

// What a view's content is drawn with: coordinates are the drawn view's, in points, and
// everything drawn is faded by the alpha of the view and its ancestors. The compositor
// draws with GL; tests record the calls.
class Painter {
public:
    virtual ~Painter() = default;

    // Pixels a point.
    virtual int scale() const = 0;
    virtual void fillRect(Rect rect, Color color) = 0;
    // `alpha` fades the picture further (a dimmed, disabled button).
    virtual void drawPicture(const Picture& picture, Rect rect, float alpha) = 0;
    // Fills a convex outline (its corners in order, either way round) with a vertical
    // gradient: `top` at y = gradientTop, `bottom` at y = gradientBottom, clamped beyond.
    // The edges are smoothed over one pixel, so curves drawn this way look round and not
    // stepped.
    virtual void fillConvex(std::span<const Point> outline, Color top, Color bottom,
                            float gradientTop, float gradientBottom) = 0;

    void drawPicture(const Picture& picture, Rect rect) { drawPicture(picture, rect, 1.0f); }
    void fillConvex(std::span<const Point> outline, Color color);
    void fillRoundedRect(Rect rect, float radius, Color color);
    // With a gradient from the top edge to the bottom edge.
    void fillRoundedRect(Rect rect, float radius, Color top, Color bottom);
    void fillEllipse(Rect rect, Color color);
    void fillEllipse(Rect rect, Color top, Color bottom);
};

} // namespace platform
