#pragma once

#include "platform/base/Geometry.h"
#include "platform/gl/GLExtensions.h"
#include "platform/graphics/PixelBuffer.h"

#include <GLES/gl.h>
#include <GLES/glext.h>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace platform {

// The small GL pieces the drawing code shares. All of them work on the shared context,
// which must be current.

// The side of a power-of-two texture that holds `texels` texels along it (1 for none).
int powerOfTwoSide(int texels);

// Binds back, when it goes, the 2D texture bound when it was made.
class TextureBindingGuard {
public:
    TextureBindingGuard() { glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous_); }
    ~TextureBindingGuard() { glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous_)); }
    TextureBindingGuard(const TextureBindingGuard&) = delete;
    TextureBindingGuard& operator=(const TextureBindingGuard&) = delete;

private:
    GLint previous_ = 0;
};

// Binds back, when it goes, the framebuffer and the renderbuffer bound when it was made.
class FramebufferBindingGuard {
public:
    explicit FramebufferBindingGuard(const FramebufferFunctions& fbo);
    ~FramebufferBindingGuard();
    FramebufferBindingGuard(const FramebufferBindingGuard&) = delete;
    FramebufferBindingGuard& operator=(const FramebufferBindingGuard&) = delete;

    // The framebuffer bound when it was made.
    GLuint previous() const { return static_cast<GLuint>(framebuffer_); }

private:
    const FramebufferFunctions& fbo_;
    GLint framebuffer_ = 0;
    GLint renderbuffer_ = 0;
};

// A framebuffer object to draw into offscreen, its colour in a renderbuffer of its own or
// in a texture of the caller's. It is made bound and stays bound until something else is;
// bind back what was bound before with a FramebufferBindingGuard made first. When it goes
// it deletes its framebuffer and renderbuffer, making the shared context current for that.
class OffscreenTarget {
public:
    OffscreenTarget() = default;
    // A framebuffer whose colour is a new renderbuffer, both left bound; `giveStorage`
    // gives the bound renderbuffer its storage before it is attached.
    static OffscreenTarget withRenderbuffer(const FramebufferFunctions& fbo,
                                            const std::function<void()>& giveStorage);
    // The same with RGBA8 storage of width × height pixels.
    static OffscreenTarget withRenderbuffer(const FramebufferFunctions& fbo, int width, int height);
    // A framebuffer whose colour is `texture`, left bound.
    static OffscreenTarget withTexture(const FramebufferFunctions& fbo, GLuint texture);
    ~OffscreenTarget();
    OffscreenTarget(OffscreenTarget&& other) noexcept;
    OffscreenTarget& operator=(OffscreenTarget&& other) noexcept;

    // The status of the framebuffer bound now, which is this one when it was just made:
    // GL_FRAMEBUFFER_COMPLETE_OES when it can be drawn into.
    GLenum status() const;
    bool complete() const { return status() == GL_FRAMEBUFFER_COMPLETE_OES; }
    GLuint framebuffer() const { return framebuffer_; }
    GLuint renderbuffer() const { return renderbuffer_; }

private:
    explicit OffscreenTarget(const FramebufferFunctions& fbo) : fbo_(&fbo) {}
    void release();

    const FramebufferFunctions* fbo_ = nullptr; // the context's, not owned
    GLuint framebuffer_ = 0;
    GLuint renderbuffer_ = 0;
};

// The bound framebuffer's bottom-left width × height pixels read back top row first
// (RGBA as drawn, rows packed). GL delivers the bottom row first into `scratch`, which a
// caller that reads again and again keeps, so that it is allocated once.
PixelBytes readPixelsTopRowFirst(int width, int height, std::vector<std::uint8_t>& scratch);

// A texture over a quad whose corners show, in this order, the top-left, top-right,
// bottom-left and bottom-right of the texture coordinates `coords` (s, t pairs in the same
// order). The texels replace the colour, or with GL_MODULATE are multiplied by the current
// colour. The texture stays bound.
void drawTexturedQuad(GLuint texture, const std::array<Point, 4>& corners,
                      const std::array<GLfloat, 8>& coords, GLint mode = GL_REPLACE);

} // namespace platform
