#pragma once

#include "platform/base/AffineTransform.h"
#include "platform/base/Color.h"
#include "platform/base/Geometry.h"
#include "platform/ui/View.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace platform {

// Where a view tree lies on screen and which parts of the screen a change touches: the
// compositor's bookkeeping, without any drawing.

// An axis-aligned box on screen, in points.
struct ScreenBox {
    float minX = 0.0f;
    float minY = 0.0f;
    float maxX = 0.0f;
    float maxY = 0.0f;

    bool empty() const { return !(minX < maxX && minY < maxY); }
    ScreenBox intersected(const ScreenBox& o) const {
        return {std::max(minX, o.minX), std::max(minY, o.minY), std::min(maxX, o.maxX),
                std::min(maxY, o.maxY)};
    }
    ScreenBox united(const ScreenBox& o) const {
        if (empty()) {
            return o;
        }
        if (o.empty()) {
            return *this;
        }
        return {std::min(minX, o.minX), std::min(minY, o.minY), std::max(maxX, o.maxX),
                std::max(maxY, o.maxY)};
    }
    // Overlapping or sharing an edge.
    bool touches(const ScreenBox& o) const {
        return minX <= o.maxX && o.minX <= maxX && minY <= o.maxY && o.minY <= maxY;
    }
    friend bool operator==(const ScreenBox&, const ScreenBox&) = default;
};

// A view as one walk of the tree finds it, in drawing order, with everything its pixels
// depend on.
struct Placement {
    View* view = nullptr;
    // Tells the same view from a new one born at the address of a dead one.
    std::weak_ptr<View> owner;
    ViewPresentation shown;
    // Content is laid out for the bounds the view will have, which an animation shows only
    // at its end.
    Rect contentBounds;
    AffineTransform toRoot;
    float opacity = 1.0f;
    ScreenBox clip; // what its content and its subviews are clipped to
    ScreenBox area; // its bounds on screen, within clip
    ScreenBox box;  // where its content may paint: the area and a margin, within clip
    // Whether it hides everything behind its area: an opaque background or GL layer at full
    // opacity, turned by no more than a scale and a translation.
    bool opaque = false;
    std::optional<Color> background;
    std::uint64_t displayVersion = 0;
    std::uint64_t layerFrames = 0;

    // The same view, drawn the same way, but for the frame its GL layer shows: a new frame
    // changes the area only, which it covers exactly.
    bool drawsAsBefore(const Placement& o) const;
    bool covers(const ScreenBox& b) const {
        return opaque && area.minX <= b.minX && area.minY <= b.minY && area.maxX >= b.maxX &&
               area.maxY >= b.maxY;
    }
};

// Every visible view of the tree under `root`, back to front; the root shows its bounds
// over `screen`.
std::vector<Placement> placeTree(View& root, const ScreenBox& screen);

// Where `now` draws differently from `before`: the old and new boxes of every view that
// changed, appeared or went away, and the area of every GL layer that presented a frame.
// When views that stay swap their order, everything is.
std::vector<ScreenBox> damageBetween(const std::vector<Placement>& before,
                                     const std::vector<Placement>& now, const ScreenBox& screen);

// Whole pixels (at `scale` pixels a point) within the screen, touching boxes merged; too
// many become one.
std::vector<ScreenBox> tidyDamage(std::vector<ScreenBox> boxes, const ScreenBox& screen, int scale);

} // namespace platform
