#pragma once

#include "platform/base/Geometry.h"

namespace platform {

// How the portrait screen (320 × 480 points, the window's own coordinates) lies when the
// device is turned to an orientation (1 portrait, 2 upside down, 3 landscape with the home
// button on the right, 4 with it on the left). "Turned" coordinates are what the user sees
// upright: 320 × 480 for 1 and 2, 480 × 320 for 3 and 4. Other orientations count as 1.
namespace ScreenRotation {

Size turnedSize(int orientation);
Point screenToTurned(Point screen, int orientation);
Point turnedToScreen(Point turned, int orientation);

} // namespace ScreenRotation

} // namespace platform
