#include "Pixello/MainScreenLayout.h"

#include "platform/base/Screen.h"

#include <cstddef>
#include <numbers>

namespace Screen = platform::Screen;

platform::Rect MainScreenLayout::viewFrame() {
    return {0.0f, Screen::kStatusBarHeight, Screen::kWidth,
            Screen::kHeight - Screen::kStatusBarHeight};
}

std::optional<MainScreenLayout>
MainScreenLayout::forOrientation(platform::DeviceOrientation orientation) {
    if (!platform::isInterfaceOrientation(orientation)) {
        return std::nullopt;
    }
    const bool portrait = orientation <= platform::DeviceOrientation::PortraitUpsideDown;
    const auto row = static_cast<std::size_t>(orientation) - 1;
    // What is left of the screen below the status bar, whichever edge it lies along.
    const float below = Screen::kHeight - Screen::kStatusBarHeight;
    const float bar = Screen::kStatusBarHeight;
    const float pi = std::numbers::pi_v<float>;
    const float angles[] = {0.0f, pi, pi / 2.0f, -pi / 2.0f};
    const platform::Rect bounds[] = {{0.0f, 0.0f, Screen::kWidth, below},
                                     {0.0f, -bar, Screen::kWidth, below},
                                     {bar, -bar, below, Screen::kWidth},
                                     {0.0f, -bar, below, Screen::kWidth}};

    MainScreenLayout layout;
    layout.width = portrait ? Screen::kWidth : Screen::kHeight;
    layout.angle = angles[row];
    layout.bounds = bounds[row];
    layout.indicatorFrame = portrait ? platform::Rect{100.0f, 180.0f, 120.0f, 120.0f}
                                     : platform::Rect{180.0f, 120.0f, 120.0f, 120.0f};
    // The toolbars stand at the bottom of what the turned view shows.
    const float shown = portrait ? below : Screen::kWidth - bar;
    layout.bottomToolbarY = shown - kToolbarHeight;
    layout.effectToolbarY = shown - 2.0f * kToolbarHeight;
    // In landscape the picture area leaves the status bar's height free.
    layout.surfaceInset = portrait ? 0.0f : bar;
    return layout;
}
