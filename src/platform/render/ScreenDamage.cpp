#include "platform/render/ScreenDamage.h"

#include "platform/ui/GLLayerView.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace platform {

namespace {

// Content may paint this far outside its view's bounds (shadows, smoothed edges), in points.
constexpr float kPaintMargin = 4.0f;
// More damaged boxes than this are drawn as one.
constexpr std::size_t kMaxDamageBoxes = 8;

// Every visible view under `view`, back to front.
void place(View& view, const AffineTransform& toRoot, float opacity, ScreenBox clip,
           std::vector<Placement>& placed) {
    if (view.isHidden()) {
        return;
    }
    view.layoutForDisplay();
    const ViewPresentation shown = view.presentation();
    opacity *= shown.alpha;
    if (opacity <= 0.0f) {
        return;
    }
    const Rect& b = shown.bounds;
    // The box of the bounds on screen, which is exact for the scales and translations
    // views use.
    const Point corners[4] = {toRoot.apply({b.x(), b.y()}),
                              toRoot.apply({b.x() + b.width(), b.y()}),
                              toRoot.apply({b.x(), b.y() + b.height()}),
                              toRoot.apply({b.x() + b.width(), b.y() + b.height()})};
    ScreenBox onScreen{corners[0].x, corners[0].y, corners[0].x, corners[0].y};
    for (const Point& p : corners) {
        onScreen = {std::min(onScreen.minX, p.x), std::min(onScreen.minY, p.y),
                    std::max(onScreen.maxX, p.x), std::max(onScreen.maxY, p.y)};
    }
    if (view.clipsToBounds()) {
        clip = clip.intersected(onScreen);
        if (clip.empty()) {
            return;
        }
    }
    Placement placement;
    placement.view = &view;
    placement.owner = view.weak_from_this();
    placement.shown = shown;
    placement.contentBounds = view.bounds();
    placement.toRoot = toRoot;
    placement.opacity = opacity;
    placement.clip = clip;
    placement.area = onScreen.intersected(clip);
    placement.box = ScreenBox{onScreen.minX - kPaintMargin, onScreen.minY - kPaintMargin,
                              onScreen.maxX + kPaintMargin, onScreen.maxY + kPaintMargin}
                        .intersected(clip);
    placement.background = view.backgroundColor();
    placement.displayVersion = view.displayVersion();
    bool opaqueContent = placement.background && placement.background->alpha >= 1.0f;
    if (const auto* glView = dynamic_cast<const GLLayerView*>(&view)) {
        const GLLayer& layer = glView->layer();
        placement.layerFrames = layer.presentCount();
        opaqueContent =
            opaqueContent || (layer.presentsOpaqueFrame() && layer.presentedTexture() != 0);
    }
    placement.opaque = opaqueContent && opacity >= 1.0f && toRoot.b == 0.0f && toRoot.c == 0.0f;
    placed.push_back(std::move(placement));

    for (const auto& child : view.children()) {
        const ViewPresentation c = child->presentation();
        const AffineTransform toParent =
            AffineTransform::makeTranslation(-(c.bounds.x() + c.bounds.width() * 0.5f),
                                             -(c.bounds.y() + c.bounds.height() * 0.5f))
                .concat(c.transform)
                .concat(AffineTransform::makeTranslation(c.center.x, c.center.y));
        place(*child, toParent.concat(toRoot), opacity, clip, placed);
    }
}

} // namespace

bool Placement::drawsAsBefore(const Placement& o) const {
    return !owner.expired() && !owner.owner_before(o.owner) && !o.owner.owner_before(owner) &&
           shown.bounds == o.shown.bounds && contentBounds == o.contentBounds &&
           toRoot == o.toRoot && opacity == o.opacity && clip == o.clip && box == o.box &&
           background == o.background && displayVersion == o.displayVersion && opaque == o.opaque;
}

std::vector<Placement> placeTree(View& root, const ScreenBox& screen) {
    std::vector<Placement> placed;
    // The root shows its bounds; its own position and transform are the host's.
    const Rect bounds = root.presentation().bounds;
    place(root, AffineTransform::makeTranslation(-bounds.x(), -bounds.y()), 1.0f, screen, placed);
    return placed;
}

std::vector<ScreenBox> damageBetween(const std::vector<Placement>& before,
                                     const std::vector<Placement>& now, const ScreenBox& screen) {
    std::unordered_map<const View*, std::size_t> earlier;
    for (std::size_t i = 0; i < before.size(); ++i) {
        earlier.emplace(before[i].view, i);
    }
    std::vector<bool> kept(before.size(), false);
    std::vector<ScreenBox> damage;
    std::size_t lastKept = 0;
    bool anyKept = false;
    for (const Placement& p : now) {
        const auto found = earlier.find(p.view);
        if (found != earlier.end() && !kept[found->second] &&
            p.drawsAsBefore(before[found->second])) {
            const std::size_t index = found->second;
            if (p.layerFrames != before[index].layerFrames) {
                damage.push_back(p.area);
            }
            if (anyKept && index < lastKept) {
                return {screen};
            }
            kept[index] = true;
            lastKept = index;
            anyKept = true;
            continue;
        }
        damage.push_back(p.box);
    }
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (!kept[i]) {
            damage.push_back(before[i].box);
        }
    }
    return damage;
}

std::vector<ScreenBox> tidyDamage(std::vector<ScreenBox> boxes, const ScreenBox& screen,
                                  int scale) {
    const float s = static_cast<float>(scale);
    std::vector<ScreenBox> tidy;
    for (ScreenBox box : boxes) {
        box = box.intersected(screen);
        if (box.empty()) {
            continue;
        }
        // A hair of rounding error must not widen the box by a whole pixel.
        constexpr float kSlack = 1e-3f;
        box = {std::floor(box.minX * s + kSlack) / s, std::floor(box.minY * s + kSlack) / s,
               std::ceil(box.maxX * s - kSlack) / s, std::ceil(box.maxY * s - kSlack) / s};
        // Merging may make the box touch ones merged before: look again until it stands alone.
        for (bool merged = true; merged;) {
            merged = false;
            for (auto it = tidy.begin(); it != tidy.end(); ++it) {
                if (it->touches(box)) {
                    box = box.united(*it);
                    tidy.erase(it);
                    merged = true;
                    break;
                }
            }
        }
        tidy.push_back(box);
    }
    if (tidy.size() > kMaxDamageBoxes) {
        ScreenBox all;
        for (const ScreenBox& box : tidy) {
            all = all.united(box);
        }
        tidy = {all};
    }
    return tidy;
}

} // namespace platform
