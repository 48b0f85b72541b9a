#include "platform/ui/widgets/BarAppearance.h"

#include "platform/graphics/Outline.h"
#include "platform/graphics/Painter.h"

#include <algorithm>
#include <vector>

namespace platform::bar {

namespace {

Color lighter(Color c, float t) {
    return mix(c, Color::white(), t);
}

Color darker(Color c, float t) {
    return mix(c, Color::black(), t);
}

// The rounded back-button outline: a point on the left, rounded corners on the right.
std::vector<Point> backArrowOutline(Rect r, float radius) {
    const float depth = std::min(kArrowDepth, r.width() * 0.5f);
    const float midY = r.y() + r.height() * 0.5f;
    std::vector<Point> points = {{r.x(), midY}, {r.x() + depth, r.y()}};
    // The right half of a rounded rectangle supplies the two round corners.
    const auto rounded = roundedRectOutline(r, radius);
    const float middle = r.x() + r.width() * 0.5f;
    for (const Point& p : rounded) {
        if (p.x > middle) {
            points.push_back(p);
        }
    }
    points.push_back({r.x() + depth, r.y() + r.height()});
    return points;
}

} // namespace

Color defaultTint() {
    return {0.43f, 0.52f, 0.64f, 1.0f};
}

Color mix(Color a, Color b, float t) {
    return {a.red + (b.red - a.red) * t, a.green + (b.green - a.green) * t,
            a.blue + (b.blue - a.blue) * t, a.alpha + (b.alpha - a.alpha) * t};
}

void drawBackground(Painter& painter, Rect r, Color tint) {
    tint.alpha = 1.0f;
    const float pixel = 1.0f / static_cast<float>(painter.scale());
    const float half = r.height() * 0.5f;
    painter.fillConvex(roundedRectOutline(Rect(r.x(), r.y(), r.width(), half), 0),
                       lighter(tint, 0.42f), lighter(tint, 0.2f), r.y(), r.y() + half);
    painter.fillConvex(
        roundedRectOutline(Rect(r.x(), r.y() + half, r.width(), r.height() - half), 0), tint,
        darker(tint, 0.1f), r.y() + half, r.y() + r.height());
    painter.fillRect(Rect(r.x(), r.y(), r.width(), pixel), darker(tint, 0.5f));
    painter.fillRect(Rect(r.x(), r.y() + pixel, r.width(), pixel), lighter(tint, 0.6f));
    painter.fillRect(Rect(r.x(), r.y() + r.height() - pixel, r.width(), pixel),
                     darker(tint, 0.55f));
}

void drawButton(Painter& painter, Rect r, Color tint, bool done, bool pressed, ButtonShape shape) {
    tint.alpha = 1.0f;
    const float pixel = 1.0f / static_cast<float>(painter.scale());
    constexpr float kRadius = 5.0f;
    const auto outline = [&](Rect rect, float radius) {
        return shape == ButtonShape::BackArrow ? backArrowOutline(rect, radius)
                                               : roundedRectOutline(rect, radius);
    };
    Color base = done ? mix(tint, {0.16f, 0.36f, 0.86f, 1.0f}, 0.75f) : darker(tint, 0.12f);
    if (pressed) {
        base = darker(base, 0.35f);
    }
    // A light edge under the button presses it into the bar.
    painter.fillConvex(outline(Rect(r.x(), r.y() + pixel, r.width(), r.height()), kRadius),
                       {1.0f, 1.0f, 1.0f, 0.0f}, {1.0f, 1.0f, 1.0f, 0.45f}, r.y(),
                       r.y() + r.height());
    painter.fillConvex(outline(r, kRadius), darker(tint, 0.6f));
    const Rect inner(r.x() + pixel, r.y() + pixel, r.width() - 2 * pixel, r.height() - 2 * pixel);
    painter.fillConvex(outline(inner, kRadius - pixel), lighter(base, 0.3f), base, inner.y(),
                       inner.y() + inner.height() * 0.5f);
    const float half = inner.height() * 0.5f;
    const Rect lower(inner.x(), inner.y() + half, inner.width(), inner.height() - half);
    // The lower half without its top corners rounded: clip the rounded shape's lower part.
    std::vector<Point> bottomHalf;
    for (const Point& p : outline(inner, kRadius - pixel)) {
        bottomHalf.push_back({p.x, std::max(p.y, lower.y())});
    }
    painter.fillConvex(bottomHalf, darker(base, 0.08f), darker(base, 0.2f), lower.y(),
                       lower.y() + lower.height());
}

std::shared_ptr<const Font> buttonFont() {
    return Font::boldSystemFontOfSize(12.0f);
}

} // namespace platform::bar
