#include "platform/render/GLPainter.h"

#include "platform/gl/GLResources.h"
#include "platform/render/PictureTextureCache.h"
#include "platform/render/ScreenDamage.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace platform {

namespace {

// The corners of `r` in the order a triangle strip takes them: top-left, top-right,
// bottom-left, bottom-right.
std::array<GLfloat, 8> cornersOf(Rect r) {
    const float right = r.x() + r.width();
    const float bottom = r.y() + r.height();
    return {r.x(), r.y(), right, r.y(), r.x(), bottom, right, bottom};
}

} // namespace

void GLPainter::loadTransform(const AffineTransform& t) {
    const GLfloat m[16] = {t.a, t.b, 0, 0, t.c, t.d, 0, 0, 0, 0, 1, 0, t.tx, t.ty, 0, 1};
    glLoadMatrixf(m);
}

void GLPainter::clipTo(const ScreenBox& clip) {
    const auto px = [this](float v) {
        return static_cast<GLint>(std::lround(static_cast<double>(v) * scale_));
    };
    const GLint x0 = px(clip.minX);
    const GLint x1 = px(clip.maxX);
    const GLint y0 = px(clip.minY);
    const GLint y1 = px(clip.maxY);
    glScissor(x0, targetHeight_ - y1, std::max(0, x1 - x0), std::max(0, y1 - y0));
}

void GLPainter::fillRect(Rect r, Color color) {
    const float a = color.alpha * opacity_;
    if (a <= 0.0f) {
        return;
    }
    const std::array<GLfloat, 8> vertices = cornersOf(r);
    glColor4f(color.red * a, color.green * a, color.blue * a, a);
    glVertexPointer(2, GL_FLOAT, 0, vertices.data());
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

void GLPainter::drawTexture(GLuint texture, Rect r, float s0, float t0, float s1, float t1,
                            float alpha) {
    const float right = r.x() + r.width();
    const float bottom = r.y() + r.height();
    const TextureBindingGuard bound;
    const float a = opacity_ * std::clamp(alpha, 0.0f, 1.0f);
    glColor4f(a, a, a, a);
    drawTexturedQuad(texture,
                     {Point{r.x(), r.y()}, {right, r.y()}, {r.x(), bottom}, {right, bottom}},
                     {s0, t0, s1, t0, s0, t1, s1, t1}, GL_MODULATE);
}

void GLPainter::drawPicture(const Picture& picture, Rect rect, float alpha) {
    const int w = picture.width();
    const int h = picture.height();
    const PixelBuffer& pixels = picture.pixels();
    if (!pixels || w <= 0 || h <= 0) {
        return;
    }
    const PictureTextureCache::Entry& entry = textures_.textureFor(picture);
    // Row 0 of the upload is the picture's top row.
    drawTexture(entry.texture, rect, 0.0f, 0.0f,
                static_cast<float>(w) / static_cast<float>(entry.textureWidth),
                static_cast<float>(h) / static_cast<float>(entry.textureHeight), alpha);
}

void GLPainter::fillConvex(std::span<const Point> outline, Color top, Color bottom,
                           float gradientTop, float gradientBottom) {
    // Corners closer than this are one corner: arcs of tiny radius repeat points.
    constexpr float kSamePoint = 1e-4f;
    std::vector<Point> corners;
    corners.reserve(outline.size());
    for (const Point& p : outline) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) {
            return;
        }
        if (corners.empty() || std::fabs(p.x - corners.back().x) > kSamePoint ||
            std::fabs(p.y - corners.back().y) > kSamePoint) {
            corners.push_back(p);
        }
    }
    while (corners.size() > 1 && std::fabs(corners.front().x - corners.back().x) <= kSamePoint &&
           std::fabs(corners.front().y - corners.back().y) <= kSamePoint) {
        corners.pop_back();
    }
    const std::size_t n = corners.size();
    if (n < 3 || opacity_ <= 0.0f) {
        return;
    }
    double twiceArea = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const Point& p = corners[i];
        const Point& q = corners[(i + 1) % n];
        twiceArea += static_cast<double>(p.x) * q.y - static_cast<double>(q.x) * p.y;
    }
    if (twiceArea == 0.0) {
        return;
    }
    const float outward = twiceArea > 0.0 ? 1.0f : -1.0f;

    // Outward unit normal of the edge from corner i to corner i + 1.
    std::vector<Point> edgeNormals(n);
    for (std::size_t i = 0; i < n; ++i) {
        const Point& p = corners[i];
        const Point& q = corners[(i + 1) % n];
        const float dx = q.x - p.x;
        const float dy = q.y - p.y;
        const float length = std::sqrt(dx * dx + dy * dy);
        edgeNormals[i] = {outward * dy / length, -outward * dx / length};
    }
    // The smoothed edge is one pixel wide and straddles the outline.
    const float half = 0.5f / static_cast<float>(scale_);
    std::vector<Point> inner(n);
    std::vector<Point> outer(n);
    Point centre;
    for (std::size_t i = 0; i < n; ++i) {
        const Point& before = edgeNormals[(i + n - 1) % n];
        const Point& after = edgeNormals[i];
        float nx = before.x + after.x;
        float ny = before.y + after.y;
        const float length = std::sqrt(nx * nx + ny * ny);
        if (length < 1e-6f) {
            nx = after.x;
            ny = after.y;
        } else {
            nx /= length;
            ny /= length;
        }
        // Sharp corners (an arrow's tip) would shoot far out: limit the mitre to twice
        // the edge's width.
        const float miter = half / std::max(nx * after.x + ny * after.y, 0.5f);
        inner[i] = {corners[i].x - nx * miter, corners[i].y - ny * miter};
        outer[i] = {corners[i].x + nx * miter, corners[i].y + ny * miter};
        centre.x += inner[i].x;
        centre.y += inner[i].y;
    }
    centre.x /= static_cast<float>(n);
    centre.y /= static_cast<float>(n);

    const auto colourAt = [&](float y, float coverage) {
        float t = 0.0f;
        if (gradientBottom != gradientTop) {
            t = std::clamp((y - gradientTop) / (gradientBottom - gradientTop), 0.0f, 1.0f);
        }
        const float a = (top.alpha + (bottom.alpha - top.alpha) * t) * opacity_ * coverage;
        return std::array<GLfloat, 4>{(top.red + (bottom.red - top.red) * t) * a,
                                      (top.green + (bottom.green - top.green) * t) * a,
                                      (top.blue + (bottom.blue - top.blue) * t) * a, a};
    };
    std::vector<GLfloat> vertices;
    std::vector<GLfloat> colours;
    vertices.reserve(n * 18);
    colours.reserve(n * 36);
    const auto add = [&](Point p, float coverage) {
        vertices.push_back(p.x);
        vertices.push_back(p.y);
        const auto c = colourAt(p.y, coverage);
        colours.insert(colours.end(), c.begin(), c.end());
    };
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t j = (i + 1) % n;
        add(centre, 1.0f);
        add(inner[i], 1.0f);
        add(inner[j], 1.0f);
        add(inner[i], 1.0f);
        add(outer[i], 0.0f);
        add(inner[j], 1.0f);
        add(inner[j], 1.0f);
        add(outer[i], 0.0f);
        add(outer[j], 0.0f);
    }
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, vertices.data());
    glColorPointer(4, GL_FLOAT, 0, colours.data());
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(vertices.size() / 2));
    glDisableClientState(GL_COLOR_ARRAY);
}

} // namespace platform
