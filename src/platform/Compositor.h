#pragma once

#include "platform/AffineTransform.h"
#include "platform/Color.h"
#include "platform/Geometry.h"
#include "platform/Picture.h"

#include <GLES/gl.h>
#include <optional>

namespace platform {

class View;

// Draws a view tree with GL ES 1.1 as it is presented at this moment (animations in
// flight included): background colours, alpha, transforms, clipping to bounds, the
// views' own content and the presented frames of GL layer views. One point is `scale`
// pixels. Hidden views and their subviews are skipped.
class Compositor {
public:
    explicit Compositor(int scale = 2);

    int scale() const { return scale_; }

    // Draws `root` (its bounds fill the target) into the framebuffer bound now, which
    // must be root's bounds size × scale in pixels. The shared GL context must be
    // current.
    void drawInto(View& root);
    // Draws `root` into an offscreen framebuffer and reads it back; nothing when there
    // is no GL context or the framebuffer can not be made.
    std::optional<Picture> snapshot(View& root);

    // Primitives for View::drawContent, in the drawn view's coordinates, faded by the
    // alpha of the view and its ancestors.
    void fillRect(Rect rect, Color color);
    void drawPicture(const Picture& picture, Rect rect);
    // Draws the part (s0, t0)–(s1, t1) of a texture over `rect`; t0 belongs to the top
    // edge of the rectangle.
    void drawTexture(GLuint texture, Rect rect, float s0, float t0, float s1, float t1);
    float opacity() const { return opacity_; }

private:
    struct ClipBox {
        float minX, minY, maxX, maxY;
    };
    void drawView(View& view, const AffineTransform& toRoot, float opacity, ClipBox clip);
    void applyClip(const ClipBox& clip);
    void loadTransform(const AffineTransform& t);

    int scale_;
    int targetHeight_ = 0; // pixels, for the bottom-up scissor
    float opacity_ = 1.0f;
};

} // namespace platform
