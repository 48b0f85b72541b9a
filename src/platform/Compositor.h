#pragma once

#include "platform/AffineTransform.h"
#include "platform/Color.h"
#include "platform/Geometry.h"
#include "platform/Picture.h"

#include <GLES/gl.h>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace platform {

class View;

// Draws a view tree with GL ES 1.1 as it is presented at this moment (animations in
// flight included): background colours, alpha, transforms, clipping to bounds, the
// views' own content and the presented frames of GL layer views. One point is `scale`
// pixels. Hidden views and their subviews are skipped.
class Compositor {
public:
    explicit Compositor(int scale = 2);
    ~Compositor();
    Compositor(const Compositor&) = delete;
    Compositor& operator=(const Compositor&) = delete;

    int scale() const { return scale_; }

    // Draws `root` (its bounds fill the target) into the framebuffer bound now, which
    // must be root's bounds size × scale in pixels. The shared GL context must be
    // current.
    void drawInto(View& root);
    // Draws `root` into an offscreen framebuffer and reads it back; nothing when there
    // is no GL context or the framebuffer can not be made.
    std::optional<Picture> snapshot(View& root);

    // Keeps the screen between frames in a texture of its own and brings it up to date
    // with `root`: only where something changed since the last update is drawn again (a
    // view moved, faded, was shown, hidden, added or removed, asked for display, or its
    // GL layer presented a frame). False when there is no GL context or the screen can
    // not be held.
    bool update(View& root);
    // The same for a framebuffer of the caller's, bound now, of root's size × scale in
    // pixels, that holds what the last updateBound drew into it (a window whose swaps keep
    // their contents): only what changed is drawn into it, and the boxes `drawnOver` (in
    // points), where something else drew since.
    bool updateBound(View& root, std::span<const Rect> drawnOver = {});
    // The parts of the screen the last update drew, in points (whole pixels).
    const std::vector<Rect>& lastDamage() const { return lastDamage_; }
    // Draws the kept screen into the bound framebuffer over a quad whose corners, in the
    // current GL coordinates, show the screen's top-left, top-right, bottom-left and
    // bottom-right; each pixel of the screen is one texel, taken as it is.
    void drawScreen(const std::array<Point, 4>& corners) const;
    // A texture taken as it is (its texels replace the colour) over a quad whose corners
    // show, in this order, the top-left, top-right, bottom-left and bottom-right of the
    // texture coordinates `coords` (s, t pairs in the same order).
    static void drawQuad(GLuint texture, const std::array<Point, 4>& corners,
                         const std::array<GLfloat, 8>& coords);

    // Primitives for View::drawContent, in the drawn view's coordinates, faded by the
    // alpha of the view and its ancestors.
    void fillRect(Rect rect, Color color);
    // `alpha` fades the picture further (a dimmed, disabled button). The texture made of
    // the picture's pixels is kept while they live and are drawn now and then, so
    // buttons and labels are not uploaded again every frame.
    void drawPicture(const Picture& picture, Rect rect, float alpha = 1.0f);
    // How many picture textures are kept now.
    std::size_t cachedTextureCount() const;
    // Draws the part (s0, t0)–(s1, t1) of a texture over `rect`; t0 belongs to the top
    // edge of the rectangle.
    void drawTexture(GLuint texture, Rect rect, float s0, float t0, float s1, float t1,
                     float alpha = 1.0f);

    // Fills a convex outline (its corners in order, either way round) with a vertical
    // gradient: `top` at y = gradientTop, `bottom` at y = gradientBottom, clamped beyond.
    // The edges are smoothed over one pixel, so curves drawn this way look round and not
    // stepped.
    void fillConvex(std::span<const Point> outline, Color top, Color bottom, float gradientTop,
                    float gradientBottom);
    void fillConvex(std::span<const Point> outline, Color color);
    void fillRoundedRect(Rect rect, float radius, Color color);
    // With a gradient from the top edge to the bottom edge.
    void fillRoundedRect(Rect rect, float radius, Color top, Color bottom);
    void fillEllipse(Rect rect, Color color);
    void fillEllipse(Rect rect, Color top, Color bottom);

    // Outlines for fillConvex, clockwise on screen.
    static std::vector<Point> roundedRectOutline(Rect rect, float radius);
    static std::vector<Point> ellipseOutline(Rect rect);
    float opacity() const { return opacity_; }

    // A box on screen, and a view as a walk of the tree places it: known only to the
    // compositor's own code.
    struct Box;
    struct Placement;

private:
    struct TextureCache;
    struct Screen;

    bool bringUpToDate(View& root, bool ownTexture, std::span<const Rect> drawnOver);
    // Draws the placed views into the bound framebuffer of `height` pixels, within the
    // damaged boxes only.
    void draw(const std::vector<Placement>& placed, const std::vector<Box>& damage, Size size);
    void drawPlaced(const Placement& placement, const Box& clip, bool withBackground);
    void applyClip(const Box& clip);
    void loadTransform(const AffineTransform& t);

    int scale_;
    int targetHeight_ = 0; // pixels, for the bottom-up scissor
    std::unique_ptr<TextureCache> textures_;
    std::unique_ptr<Screen> screen_;
    std::vector<Rect> lastDamage_;
    float opacity_ = 1.0f;
};

} // namespace platform
