#pragma once

#include <cstdint>

// The tools, numbered as the model has always kept them. Free pans and zooms the picture.
enum class Effect : std::int32_t { Free = 0, Smudge = 1, Bump = 2, Pinch = 3, Crop = 4 };

// Which extra toolbar the main screen shows. Actions is the second state of the actions
// toggle: no toolbar belongs to it, so the screen looks as with None.
enum class VisibleToolbar : std::int32_t { None = 0, Effects = 1, Actions = 2 };
