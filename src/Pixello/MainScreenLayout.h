#pragma once

#include "platform/base/Device.h"
#include "platform/base/Geometry.h"

#include <optional>

// Where the main screen's parts lie for each orientation the interface turns to. The root
// view is turned against the device, so the screen stays upright for the user.
struct MainScreenLayout {
    static constexpr float kToolbarHeight = 47.0f;

    // The root view's frame: the screen below the status bar.
    static platform::Rect viewFrame();

    float width = 0.0f;    // of the toolbars and the name label
    float angle = 0.0f;    // the root view's rotation
    platform::Rect bounds; // the root view's bounds
    platform::Rect indicatorFrame;
    float bottomToolbarY = 0.0f;
    float effectToolbarY = 0.0f;
    float surfaceInset = 0.0f; // taken off the touch surface's height

    // Nothing for unknown, face up and face down: the screen stays as it is.
    static std::optional<MainScreenLayout> forOrientation(platform::DeviceOrientation orientation);
};
