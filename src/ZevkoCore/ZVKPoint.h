#pragma once

#include "platform/base/Geometry.h"

// A mutable, copyable point of two 32-bit floats. The touch surface reports every
// point as a new ZVKPoint; lists of points are ordered lists of them.
class ZVKPoint {
public:
    ZVKPoint() = default;
    ZVKPoint(float x, float y) : x_(x), y_(y) {}
    explicit ZVKPoint(platform::Point p) : x_(p.x), y_(p.y) {}

    static ZVKPoint pointWithX(float x, float y) { return ZVKPoint(x, y); }
    static ZVKPoint pointWithCGPoint(platform::Point p) { return ZVKPoint(p); }

    float x() const { return x_; }
    float y() const { return y_; }
    void setX(float x) { x_ = x; }
    void setY(float y) { y_ = y; }
    platform::Point cgPoint() const { return {x_, y_}; }
    void setCgPoint(platform::Point p) {
        x_ = p.x;
        y_ = p.y;
    }
    ZVKPoint copy() const { return *this; }

    friend bool operator==(const ZVKPoint&, const ZVKPoint&) = default;

private:
    float x_ = 0.0f;
    float y_ = 0.0f;
};
