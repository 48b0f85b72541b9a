#pragma once

#include "platform/base/AffineTransform.h"
#include "platform/base/Color.h"
#include "platform/base/Geometry.h"
#include "platform/graphics/Painter.h"
#include "platform/graphics/Picture.h"

#include <GLES/gl.h>
#include <span>

namespace platform {

class PictureTextureCache;
struct ScreenBox;

// The Painter views draw their content with: GL ES 1.1 into the bound framebuffer, in the
// drawn view's points as the loaded transform places them, faded by the view's opacity,
// with anti-aliased edges. Pictures are drawn from the textures of a cache that outlives
// a frame. One point is `scale` pixels.
class GLPainter final : public Painter {
public:
    GLPainter(int scale, PictureTextureCache& textures) : scale_(scale), textures_(textures) {}
    GLPainter(const GLPainter&) = delete;
    GLPainter& operator=(const GLPainter&) = delete;

    // The target drawn into is this many pixels high (for the bottom-up scissor).
    void setTargetHeight(int pixels) { targetHeight_ = pixels; }
    // Drawing stays within `clip`, a box on screen.
    void clipTo(const ScreenBox& clip);
    // The drawn view's points to the screen's.
    void loadTransform(const AffineTransform& t);
    // Everything drawn from now on is faded by `opacity`.
    void setOpacity(float opacity) { opacity_ = opacity; }
    float opacity() const { return opacity_; }

    int scale() const override { return scale_; }
    void fillRect(Rect rect, Color color) override;
    using Painter::drawPicture;
    void drawPicture(const Picture& picture, Rect rect, float alpha) override;
    using Painter::fillConvex;
    void fillConvex(std::span<const Point> outline, Color top, Color bottom, float gradientTop,
                    float gradientBottom) override;
    // Draws the part (s0, t0)–(s1, t1) of a texture over `rect`; t0 belongs to the top
    // edge of the rectangle.
    void drawTexture(GLuint texture, Rect rect, float s0, float t0, float s1, float t1,
                     float alpha = 1.0f);

private:
    int scale_;
    PictureTextureCache& textures_;
    int targetHeight_ = 0; // pixels, for the bottom-up scissor
    float opacity_ = 1.0f;
};

} // namespace platform
