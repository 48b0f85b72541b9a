#include "platform/AffineTransform.h"

#include <cmath>

namespace platform {

AffineTransform AffineTransform::makeRotation(double angle) {
    const double cosine = std::cos(angle);
    const double sine = std::sin(angle);
    return {cosine, sine, -sine, cosine, 0.0, 0.0};
}

AffineTransform AffineTransform::makeTranslation(double x, double y) {
    return {1.0, 0.0, 0.0, 1.0, x, y};
}

AffineTransform AffineTransform::translated(double x, double y) const {
    return concat(makeTranslation(x, y), *this);
}

AffineTransform AffineTransform::concat(const AffineTransform& first, const AffineTransform& then) {
    return {first.a * then.a + first.b * then.c,
            first.a * then.b + first.b * then.d,
            first.c * then.a + first.d * then.c,
            first.c * then.b + first.d * then.d,
            first.tx * then.a + first.ty * then.c + then.tx,
            first.tx * then.b + first.ty * then.d + then.ty};
}

Point AffineTransform::apply(Point p) const {
    const double x = p.x;
    const double y = p.y;
    return {static_cast<float>(a * x + c * y + tx), static_cast<float>(b * x + d * y + ty)};
}

} // namespace platform
