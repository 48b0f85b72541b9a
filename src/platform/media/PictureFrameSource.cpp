#include "platform/media/PictureFrameSource.h"

#include "platform/base/Assert.h"
#include "platform/graphics/PictureCodec.h"

#include <cstddef>
#include <vector>

namespace platform {

namespace {

// Where the displayed pixel (u, v) of a w × h stored picture lies in the stored pixels,
// for each orientation flag: the picture is turned and mirrored without resampling.
struct StoredPixel {
    int x;
    int y;
};

StoredPixel storedPixel(int orientation, int u, int v, int w, int h) {
    switch (orientation) {
    case Picture::UpMirrored:
        return {w - 1 - u, v};
    case Picture::Down:
        return {w - 1 - u, h - 1 - v};
    case Picture::DownMirrored:
        return {u, h - 1 - v};
    case Picture::LeftMirrored:
        return {v, u};
    case Picture::Right:
        return {v, h - 1 - u};
    case Picture::RightMirrored:
        return {w - 1 - v, h - 1 - u};
    case Picture::Left:
        return {w - 1 - v, u};
    default:
        return {u, v};
    }
}

// The picture as it is displayed, with every pixel opaque. Premultiplied colour over black
// is the colour itself, so only the alpha changes.
Picture uprightOpaque(const Picture& picture) {
    const int w = picture.width();
    const int h = picture.height();
    const int orientation = picture.orientation();
    const bool sideways = orientation == Picture::Left || orientation == Picture::Right ||
                          orientation == Picture::LeftMirrored ||
                          orientation == Picture::RightMirrored;
    const int width = sideways ? h : w;
    const int height = sideways ? w : h;
    const std::uint8_t* from = picture.pixels()->data();
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(width) * height * 4);
    std::uint8_t* to = bytes.data();
    for (int v = 0; v < height; ++v) {
        for (int u = 0; u < width; ++u, to += 4) {
            const StoredPixel stored = storedPixel(orientation, u, v, w, h);
            const std::uint8_t* pixel =
                from + (static_cast<std::size_t>(stored.y) * w + stored.x) * 4;
            to[0] = pixel[0];
            to[1] = pixel[1];
            to[2] = pixel[2];
            to[3] = 255;
        }
    }
    auto upright =
        Picture::create(std::make_shared<const PixelBytes>(std::move(bytes)), width, height);
    // The same number of pixels as a picture that exists, so the size is valid.
    PIXELLO_ASSERT(upright.has_value());
    return *std::move(upright);
}

} // namespace

std::expected<void, Error> PictureFrameSource::start() {
    beginRun();
    auto picture = PictureCodec::decodeFile(file_);
    if (!picture) {
        return failure("the camera picture '" + file_.string() +
                       "' cannot be shown: " + picture.error().message);
    }
    deliverFrame(uprightOpaque(*picture));
    return {};
}

} // namespace platform
