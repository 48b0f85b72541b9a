#include "platform/host/window/StatusBarTexture.h"

#include "platform/gl/GLContext.h"
#include "platform/gl/GLResources.h"
#include "platform/host/ScreenRotation.h"

namespace platform {

namespace {

GLuint makeTexture(int width, int height, const void* pixels) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    // Drawn at one texel a pixel, turned by right angles only.
    defineTexture(width, height, pixels, GL_NEAREST);
    return texture;
}

} // namespace

StatusBarTexture::~StatusBarTexture() {
    GLContext* context = GLContext::shared();
    if (texture_ != 0 && context != nullptr && context->makeCurrent()) {
        glDeleteTextures(1, &texture_);
    }
}

bool StatusBarTexture::followClock() {
    const std::time_t minute = std::time(nullptr) / 60;
    if (minute == minute_) {
        return false;
    }
    minute_ = minute;
    const StatusBar::Content content = StatusBar::currentContent();
    if (content == content_) {
        return false;
    }
    content_ = content;
    scale_ = 0; // drawn again with the new content
    return true;
}

void StatusBarTexture::update(int orientation, int scale) {
    if (texture_ != 0 && orientation == orientation_ && scale == scale_) {
        return;
    }
    const std::optional<Picture> bar =
        bar_->render(content_, StatusBar::lengthFor(orientation), scale);
    if (!bar) {
        return;
    }
    const GLContext& context = *GLContext::shared();
    textureWidth_ = context.textureSideFor(bar->width());
    textureHeight_ = context.textureSideFor(bar->height());
    if (texture_ != 0) {
        glDeleteTextures(1, &texture_);
    }
    texture_ = makeTexture(textureWidth_, textureHeight_, nullptr);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, bar->width(), bar->height(), GL_RGBA, GL_UNSIGNED_BYTE,
                    bar->pixels()->data());
    orientation_ = orientation;
    scale_ = scale;
    width_ = bar->width();
    height_ = bar->height();
}

std::optional<std::array<Point, 4>> StatusBarTexture::draw(int windowOrientation) const {
    if (texture_ == 0) {
        return std::nullopt;
    }
    // The bar lies along the edge the status-bar orientation calls the top.
    const float length = StatusBar::lengthFor(orientation_);
    const auto barToWindow = [&](Point p) {
        return ScreenRotation::screenToTurned(ScreenRotation::turnedToScreen(p, orientation_),
                                              windowOrientation);
    };
    const std::array<Point, 4> corners = {barToWindow({0.0f, 0.0f}), barToWindow({length, 0.0f}),
                                          barToWindow({0.0f, Screen::kStatusBarHeight}),
                                          barToWindow({length, Screen::kStatusBarHeight})};
    const float u1 = static_cast<float>(width_) / static_cast<float>(textureWidth_);
    const float v1 = static_cast<float>(height_) / static_cast<float>(textureHeight_);
    drawTexturedQuad(texture_, corners, {0.0f, 0.0f, u1, 0.0f, 0.0f, v1, u1, v1});
    return corners;
}

} // namespace platform
