#include "platform/gl/GLResources.h"

#include "platform/gl/GLContext.h"

#include <algorithm>
#include <bit>
#include <utility>

namespace platform {

int powerOfTwoSide(int texels) {
    return static_cast<int>(std::bit_ceil(static_cast<unsigned>(std::max(texels, 1))));
}

FramebufferBindingGuard::FramebufferBindingGuard(const FramebufferFunctions& fbo) : fbo_(fbo) {
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &framebuffer_);
    glGetIntegerv(GL_RENDERBUFFER_BINDING_OES, &renderbuffer_);
}

FramebufferBindingGuard::~FramebufferBindingGuard() {
    fbo_.bindFramebuffer(GL_FRAMEBUFFER_OES, static_cast<GLuint>(framebuffer_));
    fbo_.bindRenderbuffer(GL_RENDERBUFFER_OES, static_cast<GLuint>(renderbuffer_));
}

OffscreenTarget OffscreenTarget::withRenderbuffer(const FramebufferFunctions& fbo,
                                                  const std::function<void()>& giveStorage) {
    OffscreenTarget target(fbo);
    fbo.genFramebuffers(1, &target.framebuffer_);
    fbo.genRenderbuffers(1, &target.renderbuffer_);
    fbo.bindFramebuffer(GL_FRAMEBUFFER_OES, target.framebuffer_);
    fbo.bindRenderbuffer(GL_RENDERBUFFER_OES, target.renderbuffer_);
    giveStorage();
    fbo.framebufferRenderbuffer(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_RENDERBUFFER_OES,
                                target.renderbuffer_);
    return target;
}

OffscreenTarget OffscreenTarget::withRenderbuffer(const FramebufferFunctions& fbo, int width,
                                                  int height) {
    return withRenderbuffer(
        fbo, [&] { fbo.renderbufferStorage(GL_RENDERBUFFER_OES, GL_RGBA8_OES, width, height); });
}

OffscreenTarget OffscreenTarget::withTexture(const FramebufferFunctions& fbo, GLuint texture) {
    OffscreenTarget target(fbo);
    fbo.genFramebuffers(1, &target.framebuffer_);
    fbo.bindFramebuffer(GL_FRAMEBUFFER_OES, target.framebuffer_);
    fbo.framebufferTexture2D(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_TEXTURE_2D, texture,
                             0);
    return target;
}

OffscreenTarget::~OffscreenTarget() {
    release();
}

OffscreenTarget::OffscreenTarget(OffscreenTarget&& other) noexcept
    : fbo_(other.fbo_), framebuffer_(std::exchange(other.framebuffer_, 0)),
      renderbuffer_(std::exchange(other.renderbuffer_, 0)) {}

OffscreenTarget& OffscreenTarget::operator=(OffscreenTarget&& other) noexcept {
    if (this != &other) {
        release();
        fbo_ = other.fbo_;
        framebuffer_ = std::exchange(other.framebuffer_, 0);
        renderbuffer_ = std::exchange(other.renderbuffer_, 0);
    }
    return *this;
}

void OffscreenTarget::release() {
    if (framebuffer_ == 0 && renderbuffer_ == 0) {
        return;
    }
    // The names belong to the shared context, which may have been left current or not.
    GLContext* context = GLContext::shared();
    if (context != nullptr && context->makeCurrent()) {
        if (framebuffer_ != 0) {
            context->fbo().deleteFramebuffers(1, &framebuffer_);
        }
        if (renderbuffer_ != 0) {
            context->fbo().deleteRenderbuffers(1, &renderbuffer_);
        }
    }
    framebuffer_ = 0;
    renderbuffer_ = 0;
}

GLenum OffscreenTarget::status() const {
    return fbo_ != nullptr ? fbo_->checkFramebufferStatus(GL_FRAMEBUFFER_OES) : GLenum{0};
}

PixelBytes readPixelsTopRowFirst(int width, int height, std::vector<std::uint8_t>& scratch) {
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
    const auto rows = static_cast<std::size_t>(height);
    scratch.resize(rowBytes * rows);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, scratch.data());
    // GL delivers the bottom row first: the rows are flipped while copying into the
    // result (with an odd height the middle row keeps its place), which spares it a zero
    // fill and the rows a second pass.
    PixelBytes bytes;
    bytes.reserve(rowBytes * rows);
    for (std::size_t i = rows; i-- > 0;) {
        const auto row = scratch.begin() + static_cast<std::ptrdiff_t>(i * rowBytes);
        bytes.insert(bytes.end(), row, row + static_cast<std::ptrdiff_t>(rowBytes));
    }
    return bytes;
}

void drawTexturedQuad(GLuint texture, const std::array<Point, 4>& corners,
                      const std::array<GLfloat, 8>& coords, GLint mode) {
    const GLfloat vertices[8] = {corners[0].x, corners[0].y, corners[1].x, corners[1].y,
                                 corners[2].x, corners[2].y, corners[3].x, corners[3].y};
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLfloat>(mode));
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, vertices);
    glTexCoordPointer(2, GL_FLOAT, 0, coords.data());
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisable(GL_TEXTURE_2D);
}

} // namespace platform
