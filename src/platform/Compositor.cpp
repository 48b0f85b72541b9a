#include "platform/Compositor.h"

#include "platform/GLContext.h"
#include "platform/GLLayerView.h"
#include "platform/View.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace platform {

namespace {

int toPixels(float points, int scale) {
    const double pixels = std::round(static_cast<double>(points) * scale);
    return pixels > 0.0 && pixels < 16384.0 ? static_cast<int>(pixels) : 0;
}

int powerOfTwoAtLeast(int n) {
    int p = 1;
    while (p < n) {
        p *= 2;
    }
    return p;
}

} // namespace

Compositor::Compositor(int scale) : scale_(std::clamp(scale, 1, 8)) {}

void Compositor::loadTransform(const AffineTransform& t) {
    const GLfloat m[16] = {t.a, t.b, 0, 0, t.c, t.d, 0, 0, 0, 0, 1, 0, t.tx, t.ty, 0, 1};
    glLoadMatrixf(m);
}

void Compositor::applyClip(const ClipBox& clip) {
    const auto px = [this](float v) {
        return static_cast<GLint>(std::lround(static_cast<double>(v) * scale_));
    };
    const GLint x0 = px(clip.minX);
    const GLint x1 = px(clip.maxX);
    const GLint y0 = px(clip.minY);
    const GLint y1 = px(clip.maxY);
    glScissor(x0, targetHeight_ - y1, std::max(0, x1 - x0), std::max(0, y1 - y0));
}

void Compositor::drawInto(View& root) {
    const Rect bounds = root.presentation().bounds;
    const int width = toPixels(bounds.width(), scale_);
    const int height = toPixels(bounds.height(), scale_);
    targetHeight_ = height;

    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    // Points with y growing downward, as the views count them.
    glOrthof(0.0f, bounds.width(), bounds.height(), 0.0f, -1.0f, 1.0f);
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

    const ClipBox full{0.0f, 0.0f, bounds.width(), bounds.height()};
    applyClip(full);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);

    // The root shows its bounds; its own position and transform are the host's.
    const AffineTransform toRoot = AffineTransform::makeTranslation(-bounds.x(), -bounds.y());
    drawView(root, toRoot, 1.0f, full);

    glDisable(GL_SCISSOR_TEST);
    glDisableClientState(GL_VERTEX_ARRAY);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

void Compositor::drawView(View& view, const AffineTransform& toRoot, float opacity, ClipBox clip) {
    if (view.isHidden()) {
        return;
    }
    const ViewPresentation shown = view.presentation();
    opacity *= shown.alpha;
    if (opacity <= 0.0f) {
        return;
    }
    const Rect& b = shown.bounds;
    if (view.clipsToBounds()) {
        // Clipping follows the axis-aligned box of the bounds on screen, which is exact
        // for the scales and translations views use.
        const Point corners[4] = {toRoot.apply({b.x(), b.y()}),
                                  toRoot.apply({b.x() + b.width(), b.y()}),
                                  toRoot.apply({b.x(), b.y() + b.height()}),
                                  toRoot.apply({b.x() + b.width(), b.y() + b.height()})};
        float minX = corners[0].x, maxX = corners[0].x, minY = corners[0].y, maxY = corners[0].y;
        for (const Point& p : corners) {
            minX = std::min(minX, p.x);
            maxX = std::max(maxX, p.x);
            minY = std::min(minY, p.y);
            maxY = std::max(maxY, p.y);
        }
        clip = {std::max(clip.minX, minX), std::max(clip.minY, minY), std::min(clip.maxX, maxX),
                std::min(clip.maxY, maxY)};
        if (clip.minX >= clip.maxX || clip.minY >= clip.maxY) {
            return;
        }
    }
    applyClip(clip);
    loadTransform(toRoot);
    opacity_ = opacity;

    if (const auto background = view.backgroundColor()) {
        fillRect(b, *background);
    }
    if (auto* glView = dynamic_cast<GLLayerView*>(&view)) {
        const GLLayer& layer = glView->layer();
        if (layer.presentedTexture() != 0 && layer.textureWidth() > 0 &&
            layer.textureHeight() > 0) {
            // The texture holds the frame bottom row first.
            const float s1 = static_cast<float>(layer.presentedWidth()) /
                             static_cast<float>(layer.textureWidth());
            const float t1 = static_cast<float>(layer.presentedHeight()) /
                             static_cast<float>(layer.textureHeight());
            drawTexture(layer.presentedTexture(), b, 0.0f, t1, s1, 0.0f);
        }
    }
    view.drawContent(*this);
    view.clearNeedsDisplay();

    for (const auto& child : view.children()) {
        const ViewPresentation c = child->presentation();
        const AffineTransform toParent =
            AffineTransform::makeTranslation(-(c.bounds.x() + c.bounds.width() * 0.5f),
                                             -(c.bounds.y() + c.bounds.height() * 0.5f))
                .concat(c.transform)
                .concat(AffineTransform::makeTranslation(c.center.x, c.center.y));
        drawView(*child, toParent.concat(toRoot), opacity, clip);
        applyClip(clip);
        loadTransform(toRoot);
        opacity_ = opacity;
    }
}

void Compositor::fillRect(Rect r, Color color) {
    const float a = color.alpha * opacity_;
    if (a <= 0.0f) {
        return;
    }
    const GLfloat vertices[8] = {r.x(),
                                 r.y(),
                                 r.x() + r.width(),
                                 r.y(),
                                 r.x(),
                                 r.y() + r.height(),
                                 r.x() + r.width(),
                                 r.y() + r.height()};
    glColor4f(color.red * a, color.green * a, color.blue * a, a);
    glVertexPointer(2, GL_FLOAT, 0, vertices);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

void Compositor::drawTexture(GLuint texture, Rect r, float s0, float t0, float s1, float t1) {
    const GLfloat vertices[8] = {r.x(),
                                 r.y(),
                                 r.x() + r.width(),
                                 r.y(),
                                 r.x(),
                                 r.y() + r.height(),
                                 r.x() + r.width(),
                                 r.y() + r.height()};
    const GLfloat coords[8] = {s0, t0, s1, t0, s0, t1, s1, t1};
    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glColor4f(opacity_, opacity_, opacity_, opacity_);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, vertices);
    glTexCoordPointer(2, GL_FLOAT, 0, coords);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));
}

void Compositor::drawPicture(const Picture& picture, Rect rect) {
    const int w = picture.width();
    const int h = picture.height();
    if (!picture.pixels() || w <= 0 || h <= 0) {
        return;
    }
    // ES 1.1 wants power-of-two textures: the picture goes into the top-left corner.
    const int tw = powerOfTwoAtLeast(w);
    const int th = powerOfTwoAtLeast(h);
    std::vector<std::uint8_t> padded(static_cast<std::size_t>(tw) * static_cast<std::size_t>(th) *
                                     4);
    const std::size_t row = static_cast<std::size_t>(w) * 4;
    for (int y = 0; y < h; ++y) {
        std::memcpy(padded.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(tw) * 4,
                    picture.pixels()->data() + static_cast<std::size_t>(y) * row, row);
    }
    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, tw, th, 0, GL_RGBA, GL_UNSIGNED_BYTE, padded.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));
    // Row 0 of the upload is the picture's top row.
    drawTexture(texture, rect, 0.0f, 0.0f, static_cast<float>(w) / static_cast<float>(tw),
                static_cast<float>(h) / static_cast<float>(th));
    glDeleteTextures(1, &texture);
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
