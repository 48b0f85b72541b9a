#include "platform/graphics/Painter.h"

#include "platform/graphics/Outline.h"

namespace platform {

void Painter::fillConvex(std::span<const Point> outline, Color color) {
    fillConvex(outline, color, color, 0.0f, 0.0f);
}

void Painter::fillRoundedRect(Rect rect, float radius, Color color) {
    fillConvex(roundedRectOutline(rect, radius), color);
}

void Painter::fillRoundedRect(Rect rect, float radius, Color top, Color bottom) {
    fillConvex(roundedRectOutline(rect, radius), top, bottom, rect.y(), rect.y() + rect.height());
}

void Painter::fillEllipse(Rect rect, Color color) {
    fillConvex(ellipseOutline(rect), color);
}

void Painter::fillEllipse(Rect rect, Color top, Color bottom) {
    fillConvex(ellipseOutline(rect), top, bottom, rect.y(), rect.y() + rect.height());
}

} // namespace platform
