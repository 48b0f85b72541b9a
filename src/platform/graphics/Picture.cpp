#include "platform/graphics/Picture.h"

#include "platform/base/Assert.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace platform {

std::optional<Picture> Picture::create(PixelBuffer pixels, int width, int height, int orientation) {
    if (pixels == nullptr || width <= 0 || height <= 0 || orientation < Up ||
        orientation > RightMirrored ||
        static_cast<std::int64_t>(width) * static_cast<std::int64_t>(height) > maxPixels ||
        pixels->size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4) {
        return std::nullopt;
    }
    return Picture(std::move(pixels), width, height, orientation);
}

Size Picture::size() const {
    const auto w = static_cast<float>(width_);
    const auto h = static_cast<float>(height_);
    switch (orientation_) {
    case Left:
    case Right:
    case LeftMirrored:
    case RightMirrored:
        return {h, w};
    default:
        return {w, h};
    }
}

std::optional<Picture> Picture::subImage(Rect rect) const {
    // Widen to whole pixels first, then clip; all in double so that huge or
    // not-a-number rectangles cannot overflow an int.
    const double left = std::floor(static_cast<double>(rect.x()));
    const double top = std::floor(static_cast<double>(rect.y()));
    const double right = std::ceil(static_cast<double>(rect.x()) + rect.width());
    const double bottom = std::ceil(static_cast<double>(rect.y()) + rect.height());
    const double x0 = std::max(left, 0.0);
    const double y0 = std::max(top, 0.0);
    const double x1 = std::min(right, static_cast<double>(width_));
    const double y1 = std::min(bottom, static_cast<double>(height_));
    if (!(x1 > x0) || !(y1 > y0)) {
        return std::nullopt;
    }
    const auto x = static_cast<std::size_t>(x0);
    const auto y = static_cast<std::size_t>(y0);
    const auto w = static_cast<std::size_t>(x1 - x0);
    const auto h = static_cast<std::size_t>(y1 - y0);
    const std::size_t sourceRow = static_cast<std::size_t>(width_) * 4;
    std::vector<std::uint8_t> bytes(w * h * 4);
    for (std::size_t row = 0; row < h; ++row) {
        std::memcpy(bytes.data() + row * w * 4, pixels_->data() + (y + row) * sourceRow + x * 4,
                    w * 4);
    }
    return Picture(std::make_shared<const PixelBytes>(std::move(bytes)), static_cast<int>(w),
                   static_cast<int>(h), Up);
}

std::array<std::uint8_t, 4> Picture::pixelAt(int x, int y) const {
    PIXELLO_ASSERT(x >= 0 && x < width_ && y >= 0 && y < height_);
    const std::uint8_t* p =
        pixels_->data() + (static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                           static_cast<std::size_t>(x)) *
                              4;
    return {p[0], p[1], p[2], p[3]};
}

} // namespace platform
