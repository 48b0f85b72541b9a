#pragma once

#include "platform/base/AffineTransform.h"
#include "platform/base/Color.h"
#include "platform/base/Geometry.h"
#include "platform/graphics/Painter.h"
#include "platform/graphics/Picture.h"

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
class Compositor final : public Painter {
public:
    explicit Compositor(int scale = 2);
    ~Compositor() override;
    Compositor(const Compositor&) = delete;
    Compositor& operator=(const Compositor&) = delete;

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

    // Painter, for View::drawContent. The texture made of a picture's pixels is kept
    // while they live and are drawn now and then, so buttons and labels are not uploaded
    // again every frame.
    int scale() const override { return scale_; }
    void fillRect(Rect rect, Color color) override;
    using Painter::drawPicture;
    void drawPicture(const Picture& picture, Rect rect, float alpha) override;
    using Painter::fillConvex;
    void fillConvex(std::span<const Point> outline, Color top, Color bottom, float gradientTop,
                    float gradientBottom) override;
    // How many picture textures are kept now.
    std::size_t cachedTextureCount() const;
    // Draws the part (s0, t0)–(s1, t1) of a texture over `rect`; t0 belongs to the top
    // edge of the rectangle.
    void drawTexture(GLuint texture, Rect rect, float s0, float t0, float s1, float t1,
                     float alpha = 1.0f);

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
