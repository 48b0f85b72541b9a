#include "platform/render/Compositor.h"

#include "platform/gl/GLContext.h"
#include "platform/render/ScreenDamage.h"
#include "platform/ui/GLLayerView.h"
#include "platform/ui/View.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

namespace platform {

namespace {

int toPixels(float points, int scale) {
    const double pixels = std::round(static_cast<double>(points) * scale);
    return pixels > 0.0 && pixels < 16384.0 ? static_cast<int>(pixels) : 0;
}

} // namespace

// The screen kept between updates, in a texture-backed framebuffer of the compositor's own
// or in the caller's, and what was drawn into it.
struct Compositor::Screen {
    GLuint texture = 0;
    GLuint framebuffer = 0; // 0: the caller's framebuffer
    int width = 0;
    int height = 0;
    int textureWidth = 0;
    int textureHeight = 0;
    std::vector<Placement> placed;

    // A texture of the screen's size to draw into; false when GL can not draw into it.
    bool makeTarget(const GLContext& context) {
        // Where textures must be powers of two, the screen fills the lower-left corner.
        textureWidth = context.textureSideFor(width);
        textureHeight = context.textureSideFor(height);
        const FramebufferFunctions& fbo = context.fbo();
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        defineTexture(textureWidth, textureHeight, nullptr, GL_NEAREST);
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
        fbo.genFramebuffers(1, &framebuffer);
        fbo.bindFramebuffer(GL_FRAMEBUFFER_OES, framebuffer);
        fbo.framebufferTexture2D(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_TEXTURE_2D,
                                 texture, 0);
        return fbo.checkFramebufferStatus(GL_FRAMEBUFFER_OES) == GL_FRAMEBUFFER_COMPLETE_OES;
    }

    ~Screen() {
        GLContext* context = GLContext::shared();
        if (context == nullptr || !context->makeCurrent()) {
            return;
        }
        if (framebuffer != 0) {
            context->fbo().deleteFramebuffers(1, &framebuffer);
        }
        if (texture != 0) {
            glDeleteTextures(1, &texture);
        }
    }
};

Compositor::Compositor(int scale) : scale_(std::clamp(scale, 1, 8)), painter_(scale_, textures_) {}

Compositor::~Compositor() = default;

void Compositor::drawInto(View& root) {
    const Rect bounds = root.presentation().bounds;
    const ScreenBox screen{0.0f, 0.0f, bounds.width(), bounds.height()};
    draw(placeTree(root, screen), {screen}, bounds.size);
}

void Compositor::draw(const std::vector<Placement>& placed, const std::vector<ScreenBox>& damage,
                      Size size) {
    const int width = toPixels(size.width, scale_);
    const int height = toPixels(size.height, scale_);
    painter_.setTargetHeight(height);

    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    // Points with y growing downward, as the views count them.
    glOrthof(0.0f, size.width, size.height, 0.0f, -1.0f, 1.0f);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();

    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    // Colours and textures are premultiplied.
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_SCISSOR_TEST);
    glEnableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    textures_.sweep();
    for (const ScreenBox& area : damage) {
        // What lies behind the last view that hides the whole area is not drawn at all; an
        // opaque background there is laid down by clearing, which costs far less than filling.
        std::size_t first = placed.size();
        while (first > 0 && !placed[first - 1].covers(area)) {
            --first;
        }
        first = first > 0 ? first - 1 : placed.size();
        const bool clearsToBackground = first < placed.size() && placed[first].background &&
                                        placed[first].background->alpha >= 1.0f;
        if (first == placed.size() || clearsToBackground) {
            const Color c = clearsToBackground ? *placed[first].background : Color::black();
            glClearColor(c.red, c.green, c.blue, 1.0f);
            painter_.clipTo(area);
            glClear(GL_COLOR_BUFFER_BIT);
        }
        for (std::size_t i = first == placed.size() ? 0 : first; i < placed.size(); ++i) {
            const Placement& placement = placed[i];
            const ScreenBox clip = placement.clip.intersected(area);
            if (!placement.box.intersected(area).empty() && !clip.empty()) {
                drawPlaced(placement, clip, !(i == first && clearsToBackground));
            }
        }
    }

    glDisable(GL_SCISSOR_TEST);
    glDisableClientState(GL_VERTEX_ARRAY);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

void Compositor::drawPlaced(const Placement& placement, const ScreenBox& clip,
                            bool withBackground) {
    painter_.clipTo(clip);
    painter_.loadTransform(placement.toRoot);
    painter_.setOpacity(placement.opacity);
    const Rect& b = placement.shown.bounds;
    if (placement.background && withBackground) {
        painter_.fillRect(b, *placement.background);
    }
    if (const auto* glView = dynamic_cast<const GLLayerView*>(placement.view)) {
        const GLLayer& layer = glView->layer();
        if (layer.presentedTexture() != 0 && layer.textureWidth() > 0 &&
            layer.textureHeight() > 0) {
            // The texture holds the frame bottom row first.
            const float s1 = static_cast<float>(layer.presentedWidth()) /
                             static_cast<float>(layer.textureWidth());
            const float t1 = static_cast<float>(layer.presentedHeight()) /
                             static_cast<float>(layer.textureHeight());
            // An opaque layer replaces what is behind it, whatever alpha its frame holds; a
            // frame of alpha 1 everywhere gives the same drawn blended or not.
            const bool replaces = layer.presentsOpaqueFrame() && placement.opacity >= 1.0f;
            if (replaces) {
                glDisable(GL_BLEND);
            }
            painter_.drawTexture(layer.presentedTexture(), b, 0.0f, t1, s1, 0.0f);
            if (replaces) {
                glEnable(GL_BLEND);
            }
        }
    }
    placement.view->drawContent(painter_);
}

bool Compositor::update(View& root) {
    return bringUpToDate(root, true, {});
}

bool Compositor::updateBound(View& root, std::span<const Rect> drawnOver) {
    return bringUpToDate(root, false, drawnOver);
}

bool Compositor::bringUpToDate(View& root, bool ownTexture, std::span<const Rect> drawnOver) {
    GLContext* context = GLContext::shared();
    if (context == nullptr || !context->makeCurrent()) {
        return false;
    }
    const Rect bounds = root.presentation().bounds;
    const int width = toPixels(bounds.width(), scale_);
    const int height = toPixels(bounds.height(), scale_);
    if (width == 0 || height == 0) {
        return false;
    }
    const FramebufferFunctions& fbo = context->fbo();
    GLint previous = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &previous);
    const ScreenBox screen{0.0f, 0.0f, bounds.width(), bounds.height()};
    std::vector<Placement> placed = placeTree(root, screen);
    std::vector<ScreenBox> damage;
    if (screen_ == nullptr || screen_->width != width || screen_->height != height ||
        (screen_->framebuffer != 0) != ownTexture) {
        screen_.reset();
        auto fresh = std::make_unique<Screen>();
        fresh->width = width;
        fresh->height = height;
        if (ownTexture && !fresh->makeTarget(*context)) {
            fbo.bindFramebuffer(GL_FRAMEBUFFER_OES, static_cast<GLuint>(previous));
            return false;
        }
        screen_ = std::move(fresh);
        damage = {screen};
    } else {
        std::vector<ScreenBox> changed = damageBetween(screen_->placed, placed, screen);
        for (const Rect& r : drawnOver) {
            changed.push_back({r.x(), r.y(), r.x() + r.width(), r.y() + r.height()});
        }
        damage = tidyDamage(std::move(changed), screen, scale_);
    }
    if (!damage.empty()) {
        fbo.bindFramebuffer(GL_FRAMEBUFFER_OES,
                            ownTexture ? screen_->framebuffer : static_cast<GLuint>(previous));
        draw(placed, damage, bounds.size);
    }
    fbo.bindFramebuffer(GL_FRAMEBUFFER_OES, static_cast<GLuint>(previous));
    screen_->placed = std::move(placed);
    lastDamage_.clear();
    for (const ScreenBox& box : damage) {
        lastDamage_.emplace_back(box.minX, box.minY, box.maxX - box.minX, box.maxY - box.minY);
    }
    return true;
}

void Compositor::drawScreen(const std::array<Point, 4>& corners) const {
    if (screen_ == nullptr || screen_->texture == 0) {
        return;
    }
    // The texture holds the screen bottom row first.
    const float s1 = static_cast<float>(screen_->width) / static_cast<float>(screen_->textureWidth);
    const float t1 =
        static_cast<float>(screen_->height) / static_cast<float>(screen_->textureHeight);
    glDisable(GL_BLEND);
    drawQuad(screen_->texture, corners, {0.0f, t1, s1, t1, 0.0f, 0.0f, s1, 0.0f});
}

void Compositor::drawQuad(GLuint texture, const std::array<Point, 4>& corners,
                          const std::array<GLfloat, 8>& coords) {
    const GLfloat vertices[8] = {corners[0].x, corners[0].y, corners[1].x, corners[1].y,
                                 corners[2].x, corners[2].y, corners[3].x, corners[3].y};
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, vertices);
    glTexCoordPointer(2, GL_FLOAT, 0, coords.data());
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisable(GL_TEXTURE_2D);
}

std::optional<Picture> Compositor::snapshot(View& root) {
    GLContext* context = GLContext::shared();
    if (context == nullptr || !context->makeCurrent()) {
        return std::nullopt;
    }
    const Rect bounds = root.presentation().bounds;
    const int width = toPixels(bounds.width(), scale_);
    const int height = toPixels(bounds.height(), scale_);
    if (width == 0 || height == 0) {
        return std::nullopt;
    }
    const FramebufferFunctions& fbo = context->fbo();
    GLint previousFramebuffer = 0;
    GLint previousRenderbuffer = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &previousFramebuffer);
    glGetIntegerv(GL_RENDERBUFFER_BINDING_OES, &previousRenderbuffer);
    GLuint framebuffer = 0;
    GLuint renderbuffer = 0;
    fbo.genFramebuffers(1, &framebuffer);
    fbo.genRenderbuffers(1, &renderbuffer);
    fbo.bindFramebuffer(GL_FRAMEBUFFER_OES, framebuffer);
    fbo.bindRenderbuffer(GL_RENDERBUFFER_OES, renderbuffer);
    fbo.renderbufferStorage(GL_RENDERBUFFER_OES, GL_RGBA8_OES, width, height);
    fbo.framebufferRenderbuffer(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_RENDERBUFFER_OES,
                                renderbuffer);
    std::optional<Picture> result;
    if (fbo.checkFramebufferStatus(GL_FRAMEBUFFER_OES) == GL_FRAMEBUFFER_COMPLETE_OES) {
        drawInto(root);
        const std::size_t row = static_cast<std::size_t>(width) * 4;
        std::vector<std::uint8_t> pixels(row * static_cast<std::size_t>(height));
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        // GL reads bottom row first; pictures are top row first.
        auto upright = std::make_shared<PixelBytes>(pixels.size());
        for (int y = 0; y < height; ++y) {
            std::memcpy(upright->data() + row * static_cast<std::size_t>(y),
                        pixels.data() + row * static_cast<std::size_t>(height - 1 - y), row);
        }
        result = Picture::create(std::move(upright), width, height);
    }
    fbo.bindFramebuffer(GL_FRAMEBUFFER_OES, static_cast<GLuint>(previousFramebuffer));
    fbo.bindRenderbuffer(GL_RENDERBUFFER_OES, static_cast<GLuint>(previousRenderbuffer));
    fbo.deleteRenderbuffers(1, &renderbuffer);
    fbo.deleteFramebuffers(1, &framebuffer);
    return result;
}

} // namespace platform
