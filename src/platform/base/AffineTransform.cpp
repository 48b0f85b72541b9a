#include "platform/base/AffineTransform.h"

#include <cmath>

namespace platform {

AffineTransform AffineTransform::makeRotation(float angle) {
    const double r = static_cast<double>(angle);
    const auto cs = static_cast<float>(std::cos(r));
    const auto sn = static_cast<float>(std::sin(r));
    return {cs, sn, -sn, cs, 0.0f, 0.0f};
}

AffineTransform AffineTransform::concat(const AffineTransform& t) const {
    return {a * t.a + b * t.c, a * t.b + b * t.d,          c * t.a + d * t.c,
            c * t.b + d * t.d, tx * t.a + ty * t.c + t.tx, tx * t.b + ty * t.d + t.ty};
}

AffineTransform AffineTransform::inverted() const {
    const float det = a * d - b * c;
    if (det == 0.0f || !std::isfinite(det)) {
        return {};
    }
    const float ia = d / det;
    const float ib = -b / det;
    const float ic = -c / det;
    const float id = a / det;
    return {ia, ib, ic, id, -(tx * ia + ty * ic), -(tx * ib + ty * id)};
}

} // namespace platform
