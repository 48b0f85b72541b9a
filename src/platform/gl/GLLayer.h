#pragma once

#include "platform/base/Geometry.h"
#include "platform/graphics/PixelBuffer.h"

#include <GLES/gl.h>
#include <cstdint>

namespace platform {

// The drawable behind a GL view. It gives the view's colour renderbuffer its storage,
// sized to the layer's bounds times its scale in pixels, and keeps the frame last
// presented in a texture of its own, which the compositor draws where the view lies.
// A frame drawn but not presented is never shown and stays in the renderbuffer.
// Everything here works on the shared GL context.
class GLLayer {
public:
    GLLayer() = default;
    ~GLLayer();
    GLLayer(const GLLayer&) = delete;
    GLLayer& operator=(const GLLayer&) = delete;

    Size bounds() const { return bounds_; }
    void setBounds(Size bounds) { bounds_ = bounds; }
    // Pixels per point. 1 unless set: a GL view's drawable has exactly its size in pixels.
    float contentsScale() const { return contentsScale_; }
    void setContentsScale(float scale) { contentsScale_ = scale; }
    bool isOpaque() const { return opaque_; }
    void setOpaque(bool opaque) { opaque_ = opaque; }

    // bounds × scale, rounded; 0 for empty, negative or not-a-number sizes.
    int pixelWidth() const;
    int pixelHeight() const;

    // Allocates RGBA8 storage of the pixel size for the bound renderbuffer. Answers false
    // when GL refused it (the renderbuffer then has no storage).
    bool renderbufferStorage();

    // Copies the bound framebuffer's frame (the pixel size) into the presented texture and
    // counts a new frame. `everyPixelOpaque` tells that each pixel of the frame has alpha 1,
    // so the compositor may lay it down without blending and skip what lies behind it.
    // Answers false when there is no context or nothing to copy.
    bool present(bool everyPixelOpaque = false);

    // The presented texture: the frame bottom row first in texture row 0 (GL's order),
    // filling presentedWidth() × presentedHeight() texels of a texture of textureWidth() ×
    // textureHeight() (as GLContext::textureSideFor sizes it). 0 before the first present.
    GLuint presentedTexture() const { return texture_; }
    int presentedWidth() const { return presentedWidth_; }
    int presentedHeight() const { return presentedHeight_; }
    int textureWidth() const { return textureWidth_; }
    int textureHeight() const { return textureHeight_; }
    // How many frames were presented so far.
    std::uint64_t presentCount() const { return presentCount_; }
    // Whether the layer is opaque or the presented frame has alpha 1 everywhere.
    bool presentsOpaqueFrame() const { return opaque_ || presentedOpaque_; }

    // The presented frame read back, top row first (premultiplied RGBA, rows packed);
    // nullptr before the first present or without a context.
    PixelBuffer presentedPixels() const;

private:
    Size bounds_;
    float contentsScale_ = 1.0f;
    bool opaque_ = true;
    GLuint texture_ = 0;
    int textureWidth_ = 0;
    int textureHeight_ = 0;
    int presentedWidth_ = 0;
    int presentedHeight_ = 0;
    std::uint64_t presentCount_ = 0;
    bool presentedOpaque_ = false;
};

} // namespace platform
