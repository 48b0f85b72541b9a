#pragma once

#include "platform/base/Geometry.h"

// The crop rectangle in picture pixels: where it starts and how a finger drags its edges.
namespace CropGeometry {

// A crop edge can be grabbed this many screen points away from it, at any zoom.
inline constexpr double kEdgeBand = 10.0;

// The crop rectangle a new picture starts with: an inset of 15 pixels, or of a third of
// the shorter side for small pictures.
platform::Rect initialCropRect(platform::Size size);
// Whether `point` grabs an edge of `crop` at zoom `zoom`.
bool isOnCropEdge(platform::Point point, platform::Rect crop, float zoom);
// One crop drag increment from `from` to `to` on a picture of `imageSize`.
platform::Rect dragCropRect(platform::Rect crop, platform::Point from, platform::Point to,
                            platform::Size imageSize, float zoom);

} // namespace CropGeometry
