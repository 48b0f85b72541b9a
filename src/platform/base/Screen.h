#pragma once

// The phone screen the application is laid out for, in points, held upright, and the
// status bar along its top edge. Every size derived from the screen starts here.
namespace platform::Screen {

inline constexpr float kWidth = 320.0f;
inline constexpr float kHeight = 480.0f;
inline constexpr float kStatusBarHeight = 20.0f;

} // namespace platform::Screen
