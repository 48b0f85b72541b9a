#include "platform/render/PictureTextureCache.h"

#include "platform/gl/GLContext.h"
#include "platform/gl/GLResources.h"

#include <cstring>
#include <vector>

namespace platform {

PictureTextureCache::~PictureTextureCache() {
    GLContext* context = GLContext::shared();
    if (entries_.empty() || context == nullptr || !context->makeCurrent()) {
        return;
    }
    for (const auto& [pixels, entry] : entries_) {
        glDeleteTextures(1, &entry.texture);
    }
}

void PictureTextureCache::sweep() {
    ++frame_;
    std::erase_if(entries_, [this](const auto& item) {
        const Entry& entry = item.second;
        if (entry.pixels.expired() || frame_ - entry.lastFrame > kKeepFrames) {
            glDeleteTextures(1, &entry.texture);
            return true;
        }
        return false;
    });
}

const PictureTextureCache::Entry& PictureTextureCache::textureFor(const Picture& picture) {
    const int w = picture.width();
    const int h = picture.height();
    const PixelBuffer& pixels = picture.pixels();
    Entry& entry = entries_[pixels.get()];
    const bool same = entry.texture != 0 && !entry.pixels.owner_before(pixels) &&
                      !pixels.owner_before(entry.pixels) && !entry.pixels.expired();
    const TextureBindingGuard bound;
    if (!same) {
        // ES 1.1 wants power-of-two textures: the picture goes into the top-left corner. It
        // does so whatever the driver takes, for the transparent texels around it are what
        // its edges fade into when it is drawn larger.
        const int tw = powerOfTwoSide(w);
        const int th = powerOfTwoSide(h);
        std::vector<std::uint8_t> padded(static_cast<std::size_t>(tw) *
                                         static_cast<std::size_t>(th) * 4);
        const std::size_t row = static_cast<std::size_t>(w) * 4;
        for (int y = 0; y < h; ++y) {
            std::memcpy(padded.data() +
                            static_cast<std::size_t>(y) * static_cast<std::size_t>(tw) * 4,
                        pixels->data() + static_cast<std::size_t>(y) * row, row);
        }
        if (entry.texture == 0) {
            glGenTextures(1, &entry.texture);
        }
        glBindTexture(GL_TEXTURE_2D, entry.texture);
        defineTexture(tw, th, padded.data(), GL_LINEAR);
        entry.pixels = pixels;
        entry.textureWidth = tw;
        entry.textureHeight = th;
    }
    entry.lastFrame = frame_;
    return entry;
}

} // namespace platform
