#pragma once

#include "platform/Geometry.h"

namespace platform {

// A 2-D affine transform in the platform's row-vector convention:
// x' = a·x + c·y + tx, y' = b·x + d·y + ty. Kept in double precision.
struct AffineTransform {
    double a = 1.0;
    double b = 0.0;
    double c = 0.0;
    double d = 1.0;
    double tx = 0.0;
    double ty = 0.0;

    static AffineTransform makeRotation(double angle);
    static AffineTransform makeTranslation(double x, double y);
    // This transform with a translation by (x, y) applied before it.
    AffineTransform translated(double x, double y) const;
    // `first` applied, then `then`.
    static AffineTransform concat(const AffineTransform& first, const AffineTransform& then);
    Point apply(Point p) const;

    friend bool operator==(const AffineTransform&, const AffineTransform&) = default;
};

} // namespace platform
