#pragma once

#include "platform/base/Geometry.h"
#include "platform/graphics/PixelBuffer.h"

#include <array>
#include <cstdint>
#include <optional>

namespace platform {

// A picture: premultiplied RGBA pixels as stored (top row first), their size, and how
// the stored pixels are to be turned for display. Cheap to copy: the pixels are shared,
// so a picture made over a captured buffer shares its bytes with the buffer's holder.
class Picture {
public:
    // The platform's orientation numbering; a camera's sensor image stored sideways is
    // `Right` or `Left` and is displayed with width and height swapped.
    enum Orientation : int {
        Up = 0,
        Down = 1,
        Left = 2,
        Right = 3,
        UpMirrored = 4,
        DownMirrored = 5,
        LeftMirrored = 6,
        RightMirrored = 7,
    };

    // A picture over `pixels`, which must hold exactly width · height · 4 bytes; nothing
    // for an empty size, a size beyond maxPixels, a buffer of another length or an
    // orientation outside 0–7.
    static std::optional<Picture> create(PixelBuffer pixels, int width, int height,
                                         int orientation = Up);

    // Most pixels a picture may have (50 megapixels, 200 MB of RGBA): decoders refuse
    // larger pictures instead of exhausting memory.
    static constexpr std::int64_t maxPixels = 50'000'000;

    // The size of the stored pixels.
    int width() const { return width_; }
    int height() const { return height_; }
    int orientation() const { return orientation_; }
    // The displayed size: width and height swapped for the sideways orientations.
    Size size() const;
    const PixelBuffer& pixels() const { return pixels_; }

    // The stored pixels inside `rect` (in stored pixels, y downward), widened to whole
    // pixels and clipped to the picture, as a new upright picture. Nothing when the
    // clipped rectangle is empty or not a number.
    std::optional<Picture> subImage(Rect rect) const;

    // The premultiplied R, G, B, A of the stored pixel (x, y); (0, 0) is the top-left.
    // The coordinates must lie inside the picture.
    std::array<std::uint8_t, 4> pixelAt(int x, int y) const;

private:
    Picture(PixelBuffer pixels, int width, int height, int orientation)
        : pixels_(std::move(pixels)), width_(width), height_(height), orientation_(orientation) {}

    PixelBuffer pixels_;
    int width_;
    int height_;
    int orientation_;
};

} // namespace platform
