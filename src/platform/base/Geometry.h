#pragma once

namespace platform {

// Geometry of the platform, in 32-bit floats: points, sizes and rectangles (origin
// x, origin y, width, height) with y growing downward on screen.
struct Point {
    float x = 0.0f;
    float y = 0.0f;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    float width = 0.0f;
    float height = 0.0f;
    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    Point origin;
    Size size;

    Rect() = default;
    Rect(float x, float y, float w, float h) : origin{x, y}, size{w, h} {}
    float x() const { return origin.x; }
    float y() const { return origin.y; }
    float width() const { return size.width; }
    float height() const { return size.height; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

} // namespace platform
