#pragma once

#include "platform/base/Geometry.h"

namespace platform {

// A 2-D affine transform [a b 0; c d 0; tx ty 1] applied to row vectors:
// x' = a·x + c·y + tx, y' = b·x + d·y + ty.
struct AffineTransform {
    float a = 1.0f;
    float b = 0.0f;
    float c = 0.0f;
    float d = 1.0f;
    float tx = 0.0f;
    float ty = 0.0f;

    static AffineTransform identity() { return {}; }
    static AffineTransform makeScale(float sx, float sy) {
        return {sx, 0.0f, 0.0f, sy, 0.0f, 0.0f};
    }
    static AffineTransform makeTranslation(float x, float y) {
        return {1.0f, 0.0f, 0.0f, 1.0f, x, y};
    }
    static AffineTransform makeRotation(float angle);

    bool isIdentity() const { return *this == AffineTransform{}; }
    Point apply(Point p) const { return {a * p.x + c * p.y + tx, b * p.x + d * p.y + ty}; }
    // This transform followed by `then`.
    AffineTransform concat(const AffineTransform& then) const;
    // The identity when the transform is not invertible: a view scaled to nothing
    // can then still be asked where a point lies without dividing by zero.
    AffineTransform inverted() const;

    friend bool operator==(const AffineTransform&, const AffineTransform&) = default;
};

} // namespace platform
