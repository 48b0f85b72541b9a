#pragma once

#include "platform/graphics/Picture.h"

#include <GLES/gl.h>
#include <cstdint>
#include <memory>
#include <unordered_map>

namespace platform {

// Textures of the pictures drawn lately, by the address of their pixels; the weak
// reference tells a picture that died from a new one at the same address. The texture
// made of a picture's pixels is kept while they live and are drawn now and then, so
// buttons and labels are not uploaded again every frame. Works on the shared GL context,
// which must be current.
class PictureTextureCache {
public:
    struct Entry {
        std::weak_ptr<const PixelBytes> pixels;
        GLuint texture = 0;
        int textureWidth = 0;
        int textureHeight = 0;
        std::uint64_t lastFrame = 0;
    };
    // A picture not drawn for this many frames gives its texture back.
    static constexpr std::uint64_t kKeepFrames = 120;

    PictureTextureCache() = default;
    ~PictureTextureCache();
    PictureTextureCache(const PictureTextureCache&) = delete;
    PictureTextureCache& operator=(const PictureTextureCache&) = delete;

    // The texture of `picture`, which has pixels and a positive size: uploaded when its
    // pixels are new, marked as drawn in this frame. The picture fills the top-left
    // width × height texels, its top row in texture row 0. The texture binding is left as
    // it was.
    const Entry& textureFor(const Picture& picture);
    // Starts a frame: drops the textures of pictures that are gone or were not drawn for
    // a while.
    void sweep();
    // How many picture textures are kept now.
    std::size_t size() const { return entries_.size(); }

private:
    std::unordered_map<const PixelBytes*, Entry> entries_;
    std::uint64_t frame_ = 0;
};

} // namespace platform
