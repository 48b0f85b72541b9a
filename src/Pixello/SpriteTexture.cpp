#include "Pixello/SpriteTexture.h"

#include "platform/gl/GLResources.h"

#include <GLES/gl.h>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// Rows uploaded at a time while the texels beyond the picture are filled: the padding
// goes up in small strips instead of through a second sprite-sized buffer.
constexpr std::size_t kPaddingRows = 16;

} // namespace

namespace SpriteTexture {

std::uint32_t sideFor(float size) {
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    if (!(size > 0.0f) || !(size <= static_cast<float>(largest))) {
        return 0;
    }
    return static_cast<std::uint32_t>(platform::powerOfTwoSide(static_cast<int>(std::ceil(size))));
}

bool isOpaque(const std::uint8_t* pixels, std::size_t w, std::size_t h) {
    const std::size_t count = w * h;
    for (std::size_t i = 0; i < count; ++i) {
        if (pixels[i * 4 + 3] != 255) {
            return false;
        }
    }
    return true;
}

void upload(const std::uint8_t* pixels, std::size_t w, std::size_t h, std::size_t spriteWidth,
            std::size_t spriteHeight) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, static_cast<GLsizei>(w), static_cast<GLsizei>(h),
                    GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    std::vector<std::uint8_t> strip;
    if (spriteWidth > w) {
        const std::size_t extra = spriteWidth - w;
        strip.resize(extra * kPaddingRows * 4);
        for (std::size_t y0 = 0; y0 < h; y0 += kPaddingRows) {
            const std::size_t rows = std::min(kPaddingRows, h - y0);
            for (std::size_t r = 0; r < rows; ++r) {
                const std::uint8_t* last = pixels + ((y0 + r) * w + w - 1) * 4;
                for (std::size_t x = 0; x < extra; ++x) {
                    std::memcpy(strip.data() + (r * extra + x) * 4, last, 4);
                }
            }
            glTexSubImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(w), static_cast<GLint>(y0),
                            static_cast<GLsizei>(extra), static_cast<GLsizei>(rows), GL_RGBA,
                            GL_UNSIGNED_BYTE, strip.data());
        }
    }
    if (spriteHeight > h) {
        // The last row as it lies in the texture, its padding included, again and again.
        const std::size_t rowBytes = spriteWidth * 4;
        const std::size_t rows = std::min(kPaddingRows, spriteHeight - h);
        strip.resize(rowBytes * rows);
        const std::uint8_t* last = pixels + (h - 1) * w * 4;
        std::memcpy(strip.data(), last, w * 4);
        for (std::size_t x = w; x < spriteWidth; ++x) {
            std::memcpy(strip.data() + x * 4, last + (w - 1) * 4, 4);
        }
        for (std::size_t r = 1; r < rows; ++r) {
            std::memcpy(strip.data() + r * rowBytes, strip.data(), rowBytes);
        }
        for (std::size_t y0 = h; y0 < spriteHeight; y0 += rows) {
            const std::size_t n = std::min(rows, spriteHeight - y0);
            glTexSubImage2D(GL_TEXTURE_2D, 0, 0, static_cast<GLint>(y0),
                            static_cast<GLsizei>(spriteWidth), static_cast<GLsizei>(n), GL_RGBA,
                            GL_UNSIGNED_BYTE, strip.data());
        }
    }
}

} // namespace SpriteTexture
