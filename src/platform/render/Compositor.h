#pragma once

#include "platform/base/Geometry.h"
#include "platform/graphics/Picture.h"
#include "platform/render/GLPainter.h"
#include "platform/render/PictureTextureCache.h"

#include <array>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace platform {

struct Placement;
struct ScreenBox;
class View;

// Draws a view tree with GL ES 1.1 as it is presented at this moment (animations in
// flight included): background colours, alpha, transforms, clipping to bounds, the
// views' own content and the presented frames of GL layer views. One point is `scale`
// pixels. Hidden views and their subviews are skipped. It places the tree and tells what
// changed (ScreenDamage), and hands the views a GLPainter to draw their content with.
class Compositor final {
public:
    explicit Compositor(int scale = 2);
    ~Compositor();
    Compositor(const Compositor&) = delete;
    Compositor& operator=(const Compositor&) = delete;

    // Pixels a point.
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
    // bottom-right; each pixel of the screen is one texel, taken as it is, or with `smooth`
    // filtered linearly for a quad of another size than the screen's.
    void drawScreen(const std::array<Point, 4>& corners, bool smooth = false) const;

    // How many picture textures are kept now.
    std::size_t cachedTextureCount() const { return textures_.size(); }

private:
    struct Screen;

    bool bringUpToDate(View& root, bool ownTexture, std::span<const Rect> drawnOver);
    // Draws the placed views into the bound framebuffer of `height` pixels, within the
    // damaged boxes only.
    void draw(const std::vector<Placement>& placed, const std::vector<ScreenBox>& damage,
              Size size);
    void drawPlaced(const Placement& placement, const ScreenBox& clip, bool withBackground);

    int scale_;
    PictureTextureCache textures_;
    GLPainter painter_;
    std::unique_ptr<Screen> screen_;
    std::vector<Rect> lastDamage_;
};

} // namespace platform
