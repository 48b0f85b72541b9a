#include "platform/gl/GLLayer.h"

#include "platform/gl/GLContext.h"
#include "platform/gl/GLResources.h"

#include <cmath>
#include <vector>

namespace platform {

namespace {

int toPixels(float points, float scale) {
    const double pixels = std::round(static_cast<double>(points) * static_cast<double>(scale));
    // Anything GL could not allocate anyway is passed on as an impossible size.
    if (!(pixels > 0.0)) {
        return 0;
    }
    return pixels > 1.0e9 ? 1'000'000'000 : static_cast<int>(pixels);
}

} // namespace

GLLayer::~GLLayer() {
    GLContext* context = texture_ != 0 ? GLContext::shared() : nullptr;
    if (context == nullptr) {
        return;
    }
    // Leave the context as current or not as the owner left it.
    const bool wasCurrent = context->isCurrent();
    if (context->makeCurrent()) {
        glDeleteTextures(1, &texture_);
        if (!wasCurrent) {
            context->clearCurrent();
        }
    }
}

int GLLayer::pixelWidth() const {
    return toPixels(bounds_.width, contentsScale_);
}

int GLLayer::pixelHeight() const {
    return toPixels(bounds_.height, contentsScale_);
}

bool GLLayer::renderbufferStorage() {
    GLContext* context = GLContext::shared();
    if (context == nullptr || !context->makeCurrent()) {
        return false;
    }
    while (glGetError() != GL_NO_ERROR) {
    }
    context->fbo().renderbufferStorage(GL_RENDERBUFFER_OES, GL_RGBA8_OES, pixelWidth(),
                                       pixelHeight());
    return glGetError() == GL_NO_ERROR && pixelWidth() > 0 && pixelHeight() > 0;
}

bool GLLayer::present(bool everyPixelOpaque) {
    GLContext* context = GLContext::shared();
    const int width = pixelWidth();
    const int height = pixelHeight();
    if (context == nullptr || !context->makeCurrent() || width == 0 || height == 0) {
        return false;
    }
    // The GL view keeps its sprite bound between frames: the caller's binding comes back.
    const TextureBindingGuard guard;
    if (texture_ == 0 || textureWidth_ < width || textureHeight_ < height) {
        if (texture_ == 0) {
            glGenTextures(1, &texture_);
        }
        textureWidth_ = context->textureSideFor(width);
        textureHeight_ = context->textureSideFor(height);
        glBindTexture(GL_TEXTURE_2D, texture_);
        defineTexture(textureWidth_, textureHeight_, nullptr, GL_LINEAR);
    } else {
        glBindTexture(GL_TEXTURE_2D, texture_);
    }
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, width, height);
    presentedWidth_ = width;
    presentedHeight_ = height;
    presentedOpaque_ = everyPixelOpaque;
    ++presentCount_;
    return true;
}

PixelBuffer GLLayer::presentedPixels() const {
    GLContext* context = GLContext::shared();
    if (texture_ == 0 || context == nullptr || !context->makeCurrent()) {
        return nullptr;
    }
    // ES 1.1 cannot read a texture directly: attach it to a framebuffer of its own.
    const FramebufferBindingGuard bound(context->fbo());
    const OffscreenTarget target = OffscreenTarget::withTexture(context->fbo(), texture_);
    std::vector<std::uint8_t> scratch;
    return std::make_shared<const PixelBytes>(
        readPixelsTopRowFirst(presentedWidth_, presentedHeight_, scratch));
}

} // namespace platform
