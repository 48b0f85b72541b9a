#pragma once

namespace platform {

// An RGBA colour with straight (not premultiplied) components from 0 to 1.
struct Color {
    float red = 0.0f;
    float green = 0.0f;
    float blue = 0.0f;
    float alpha = 0.0f;

    static Color black() { return {0.0f, 0.0f, 0.0f, 1.0f}; }
    static Color white() { return {1.0f, 1.0f, 1.0f, 1.0f}; }
    static Color clear() { return {0.0f, 0.0f, 0.0f, 0.0f}; }

    friend bool operator==(const Color&, const Color&) = default;
};

} // namespace platform
