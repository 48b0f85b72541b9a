#pragma once

#include "platform/base/Color.h"
#include "platform/base/Geometry.h"
#include "platform/graphics/Font.h"

#include <memory>

namespace platform {

class Painter;

// The look shared by toolbars and navigation bars: a glossy gradient made from the bar's
// tint, and rounded buttons a shade darker than the bar.
namespace bar {

// The tint of a bar nobody tinted: a greyish blue.
Color defaultTint();
Color mix(Color a, Color b, float t);

// The bar's background over `rect`: a lighter upper half, the tint below, a dark line at
// the top and at the bottom.
void drawBackground(Painter& painter, Rect rect, Color tint);

enum class ButtonShape { Rounded, BackArrow };
// A button's bezel in `rect`: rounded, or with a point to the left for a back button.
// `done` emphasises it (the bar's main action); `pressed` darkens it.
void drawButton(Painter& painter, Rect rect, Color tint, bool done, bool pressed,
                ButtonShape shape = ButtonShape::Rounded);

// The bold font of button titles.
std::shared_ptr<const Font> buttonFont();
// How far a button's title keeps from its left and right edges.
constexpr float kButtonPadding = 10.0f;
// How high buttons on a bar are.
constexpr float kButtonHeight = 30.0f;
// How far the point of a back button reaches into it.
constexpr float kArrowDepth = 11.0f;

} // namespace bar

} // namespace platform
