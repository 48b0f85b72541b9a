#include "platform/render/Compositor.h"

#include "platform/gl/GLContext.h"
#include "platform/gl/GLResources.h"
#include "platform/render/ScreenDamage.h"
#include "platform/ui/GLLayerView.h"
#include "platform/ui/View.h"

#include <algorithm>
#include <array>
#include <cmath>
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
    OffscreenTarget target; // none: the caller's framebuffer
    int width = 0;
    int height = 0;
    int textureWidth = 0;
    int textureHeight = 0;
    std::vector<Placement> placed;

    // A texture of the screen's size to draw into, left bound as the framebuffer; false
    // when GL can not draw into it.
    bool makeTarget(const GLContext& context) {
        // Where textures must be powers of two, the screen fills the lower-left corner.
        textureWidth = context.textureSideFor(width);
        textureHeight = context.textureSideFor(height);
        {
            const TextureBindingGuard bound;
            glGenTextures(1, &texture);
            glBindTexture(GL_TEXTURE_2D, texture);
            defineTexture(textureWidth, textureHeight, nullptr, GL_NEAREST);
        }
        target = OffscreenTarget::withTexture(context.fbo(), texture);
        return target.complete();
    }

    ~Screen() {
        GLContext* context = GLContext::shared();
        if (context == nullptr || !context->makeCurrent()) {
            return;
        }
        target = {};
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
    const FramebufferBindingGuard bound(context->fbo());
    const ScreenBox screen{0.0f, 0.0f, bounds.width(), bounds.height()};
    std::vector<Placement> placed = placeTree(root, screen);
    std::vector<ScreenBox> damage;
    if (screen_ == nullptr || screen_->width != width || screen_->height != height ||
        (screen_->target.framebuffer() != 0) != ownTexture) {
        screen_.reset();
        auto fresh = std::make_unique<Screen>();
        fresh->width = width;
        fresh->height = height;
        if (ownTexture && !fresh->makeTarget(*context)) {
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
        context->fbo().bindFramebuffer(
            GL_FRAMEBUFFER_OES, ownTexture ? screen_->target.framebuffer() : bound.previous());
        draw(placed, damage, bounds.size);
    }
    screen_->placed = std::move(placed);
    lastDamage_.clear();
    for (const ScreenBox& box : damage) {
        lastDamage_.emplace_back(box.minX, box.minY, box.maxX - box.minX, box.maxY - box.minY);
    }
    return true;
}

void Compositor::drawScreen(const std::array<Point, 4>& corners, bool smooth) const {
    if (screen_ == nullptr || screen_->texture == 0) {
        return;
    }
    // The texture holds the screen bottom row first.
    const float s1 = static_cast<float>(screen_->width) / static_cast<float>(screen_->textureWidth);
    const float t1 =
        static_cast<float>(screen_->height) / static_cast<float>(screen_->textureHeight);
    glDisable(GL_BLEND);
    const GLint filter = smooth ? GL_LINEAR : GL_NEAREST;
    glBindTexture(GL_TEXTURE_2D, screen_->texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    drawTexturedQuad(screen_->texture, corners, {0.0f, t1, s1, t1, 0.0f, 0.0f, s1, 0.0f});
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
    const FramebufferBindingGuard bound(context->fbo());
    const OffscreenTarget target = OffscreenTarget::withRenderbuffer(context->fbo(), width, height);
    if (!target.complete()) {
        return std::nullopt;
    }
    drawInto(root);
    std::vector<std::uint8_t> scratch;
    return Picture::create(
        std::make_shared<const PixelBytes>(readPixelsTopRowFirst(width, height, scratch)), width,
        height);
}

} // namespace platform
