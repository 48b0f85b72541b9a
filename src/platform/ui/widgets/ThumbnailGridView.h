#pragma once

#include "platform/graphics/Picture.h"
#include "platform/ui/View.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

namespace platform {

// A scrolling grid of square thumbnails, four across, as a photo library shows them. Cells
// without their picture yet show a placeholder. A finger drags the grid up and down; a tap
// that stays within the touch slop picks the cell under it.
class ThumbnailGridView : public View {
public:
    static constexpr int kColumns = 4;
    static constexpr float kSpacing = 4.0f;
    // How far a finger may wander and still tap.
    static constexpr float kTapSlop = 10.0f;

    using Picked = std::function<void(std::size_t index)>;
    // Told the cells on screen whenever they change, so their thumbnails come first.
    using Shown = std::function<void(std::size_t first, std::size_t end)>;

    explicit ThumbnailGridView(Rect frame);

    void setOnPicked(Picked picked) { onPicked_ = std::move(picked); }
    void setOnShown(Shown shown) { onShown_ = std::move(shown); }

    std::size_t count() const { return thumbnails_.size(); }
    // Starts over with `count` placeholders at the top of the grid.
    void setCount(std::size_t count);
    void setThumbnail(std::size_t index, Picture thumbnail);
    bool hasThumbnail(std::size_t index) const;

    float cellSide() const;
    // The cell's square in the grid's own coordinates, scrolled.
    Rect cellFrame(std::size_t index) const;
    // The cell under `point` (grid coordinates), if any.
    std::optional<std::size_t> cellAt(Point point) const;
    float contentOffset() const { return offset_; }
    // Clamped to the content: the grid never scrolls past its first or last row.
    void setContentOffset(float offset);
    // The cells at least partly on screen: [first, end).
    std::pair<std::size_t, std::size_t> visibleCells() const;

    void drawContent(Painter& painter) override;
    void touchesBegan(const TouchList& touches, const Event& event) override;
    void touchesMoved(const TouchList& touches, const Event& event) override;
    void touchesEnded(const TouchList& touches, const Event& event) override;
    void touchesCancelled(const TouchList& touches, const Event& event) override;

private:
    float contentHeight() const;
    void tellShown();

    std::vector<std::optional<Picture>> thumbnails_;
    float offset_ = 0.0f;
    std::optional<Point> down_; // where the finger came down, while it may still tap
    Picked onPicked_;
    Shown onShown_;
    std::pair<std::size_t, std::size_t> lastShown_{0, 0};
};

} // namespace platform
