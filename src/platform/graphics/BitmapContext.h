#pragma once

#include "platform/base/AffineTransform.h"
#include "platform/graphics/Picture.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace platform {

// An offscreen bitmap of premultiplied RGBA bytes (R, G, B, A in memory) that pictures
// are drawn into through an affine transform, for scaling and turning pictures.
// Coordinates follow the platform's 2-D drawing: origin at the bottom-left, y upward,
// one unit per pixel before the current transform (CTM) applies.
class BitmapContext {
public:
    enum class Interpolation { None, Bilinear };

    // A transparent width × height bitmap; nullptr for an empty size or one larger than
    // Picture::maxPixels.
    static std::unique_ptr<BitmapContext> create(int width, int height);
    BitmapContext(const BitmapContext&) = delete;
    BitmapContext& operator=(const BitmapContext&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }

    // Bilinear unless set otherwise.
    Interpolation interpolation() const { return interpolation_; }
    void setInterpolation(Interpolation interpolation) { interpolation_ = interpolation; }

    const AffineTransform& ctm() const { return ctm_; }
    // `transform` is applied to user coordinates before the current CTM.
    void concatCTM(const AffineTransform& transform);

    // Draws the picture's stored pixels (its orientation flag is not applied) over the
    // bitmap so that they fill `rect` in user space, the stored top row along the
    // rectangle's upper edge (its larger y). Nothing is drawn for an empty or
    // degenerate mapping.
    void drawPicture(const Picture& picture, Rect rect);

    // The bitmap's current content as an upright picture of its own bytes.
    std::optional<Picture> makePicture() const;
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    BitmapContext(int width, int height);

    int width_;
    int height_;
    std::vector<std::uint8_t> bytes_;
    AffineTransform ctm_;
    Interpolation interpolation_ = Interpolation::Bilinear;
};

} // namespace platform
