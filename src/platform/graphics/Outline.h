#pragma once

#include "platform/base/Geometry.h"

#include <vector>

namespace platform {

// Outlines for Painter::fillConvex, clockwise on screen.
std::vector<Point> roundedRectOutline(Rect rect, float radius);
std::vector<Point> ellipseOutline(Rect rect);

} // namespace platform
