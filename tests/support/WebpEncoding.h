#pragma once

// WebP files made from pictures, for the decoder's tests, the fuzz seeds and the benchmarks;
// free of the test framework, so a fuzz target can use it.

#include "platform/graphics/Picture.h"
#include "platform/graphics/PixelConversion.h"

#include <cstdint>
#include <vector>
#include <webp/encode.h>

namespace testsupport {

// A still WebP of `picture` (its colour un-premultiplied, as the format stores it): lossless,
// or lossy at quality 90.
inline std::vector<std::uint8_t> encodeWebp(const platform::Picture& picture, bool lossless) {
    std::vector<std::uint8_t> straight(picture.pixels()->size());
    platform::unpremultiplyRGBA(picture.pixels()->data(), straight.data(), straight.size() / 4);
    std::uint8_t* out = nullptr;
    const int stride = picture.width() * 4;
    const std::size_t size = lossless ? WebPEncodeLosslessRGBA(straight.data(), picture.width(),
                                                               picture.height(), stride, &out)
                                      : WebPEncodeRGBA(straight.data(), picture.width(),
                                                       picture.height(), stride, 90.0f, &out);
    std::vector<std::uint8_t> file(out, out + size);
    WebPFree(out);
    return file;
}

} // namespace testsupport
