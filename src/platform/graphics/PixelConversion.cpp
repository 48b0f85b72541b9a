#include "platform/graphics/PixelConversion.h"

namespace platform {

void premultiplyRGBA(std::uint8_t* pixels, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i, pixels += 4) {
        const unsigned a = pixels[3];
        if (a == 255) {
            continue;
        }
        for (int c = 0; c < 3; ++c) {
            pixels[c] = static_cast<std::uint8_t>((pixels[c] * a + 127) / 255);
        }
    }
}

void unpremultiplyRGBA(const std::uint8_t* from, std::uint8_t* to, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i, from += 4, to += 4) {
        const unsigned a = from[3];
        for (int c = 0; c < 3; ++c) {
            // A premultiplied value above its alpha is damaged; clamp instead of wrapping.
            const unsigned v = a == 0 ? 0 : (from[c] * 255u + a / 2) / a;
            to[c] = static_cast<std::uint8_t>(v > 255 ? 255 : v);
        }
        to[3] = static_cast<std::uint8_t>(a);
    }
}

} // namespace platform
