#include "platform/ui/widgets/ThumbnailGridView.h"

#include "platform/graphics/Painter.h"
#include "platform/ui/Touch.h"

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

constexpr Color kPlaceholder{0.25f, 0.25f, 0.27f, 1.0f};

} // namespace

ThumbnailGridView::ThumbnailGridView(Rect frame) : View(frame) {
    setBackgroundColor(Color::black());
    setClipsToBounds(true);
}

void ThumbnailGridView::setCount(std::size_t count) {
    thumbnails_.assign(count, std::nullopt);
    offset_ = 0.0f;
    lastShown_ = {0, 0};
    setNeedsDisplay();
    tellShown();
}

void ThumbnailGridView::setThumbnail(std::size_t index, Picture thumbnail) {
    if (index < thumbnails_.size()) {
        thumbnails_[index] = std::move(thumbnail);
        setNeedsDisplay();
    }
}

bool ThumbnailGridView::hasThumbnail(std::size_t index) const {
    return index < thumbnails_.size() && thumbnails_[index].has_value();
}

float ThumbnailGridView::cellSide() const {
    return (bounds().width() - kSpacing * (kColumns + 1)) / kColumns;
}

Rect ThumbnailGridView::cellFrame(std::size_t index) const {
    const float step = cellSide() + kSpacing;
    const auto column = static_cast<float>(index % kColumns);
    const auto row = static_cast<float>(index / kColumns);
    return {kSpacing + column * step, kSpacing + row * step - offset_, cellSide(), cellSide()};
}

std::optional<std::size_t> ThumbnailGridView::cellAt(Point point) const {
    const float step = cellSide() + kSpacing;
    const float x = point.x - kSpacing;
    const float y = point.y + offset_ - kSpacing;
    if (x < 0.0f || y < 0.0f || std::fmod(x, step) >= cellSide() ||
        std::fmod(y, step) >= cellSide()) {
        return std::nullopt;
    }
    const auto column = static_cast<std::size_t>(x / step);
    const auto index = static_cast<std::size_t>(y / step) * kColumns + column;
    if (column >= kColumns || index >= thumbnails_.size()) {
        return std::nullopt;
    }
    return index;
}

float ThumbnailGridView::contentHeight() const {
    const std::size_t rows = (thumbnails_.size() + kColumns - 1) / kColumns;
    return kSpacing + static_cast<float>(rows) * (cellSide() + kSpacing);
}

void ThumbnailGridView::setContentOffset(float offset) {
    const float most = std::max(0.0f, contentHeight() - bounds().height());
    offset_ = std::clamp(std::isfinite(offset) ? offset : 0.0f, 0.0f, most);
    setNeedsDisplay();
    tellShown();
}

std::pair<std::size_t, std::size_t> ThumbnailGridView::visibleCells() const {
    const float step = cellSide() + kSpacing;
    if (thumbnails_.empty() || step <= 0.0f) {
        return {0, 0};
    }
    const auto firstRow = static_cast<std::size_t>(std::max(0.0f, offset_ - kSpacing) / step);
    const auto endRow = static_cast<std::size_t>(std::ceil((offset_ + bounds().height()) / step));
    return {std::min(firstRow * kColumns, thumbnails_.size()),
            std::min(endRow * kColumns, thumbnails_.size())};
}

void ThumbnailGridView::tellShown() {
    const auto shown = visibleCells();
    if (shown != lastShown_ && onShown_) {
        lastShown_ = shown;
        onShown_(shown.first, shown.second);
    }
}

void ThumbnailGridView::drawContent(Painter& painter) {
    const auto [first, end] = visibleCells();
    for (std::size_t i = first; i < end; ++i) {
        const Rect cell = cellFrame(i);
        const std::optional<Picture>& thumbnail = thumbnails_[i];
        if (!thumbnail) {
            painter.fillRect(cell, kPlaceholder);
            continue;
        }
        // The whole thumbnail, fitted and centred in its square.
        const Size size = thumbnail->size();
        const float scale = std::min(cell.width() / size.width, cell.height() / size.height);
        const float w = size.width * scale;
        const float h = size.height * scale;
        painter.drawPicture(*thumbnail, {cell.x() + (cell.width() - w) / 2.0f,
                                         cell.y() + (cell.height() - h) / 2.0f, w, h});
    }
}

void ThumbnailGridView::touchesBegan(const TouchList& touches, const Event&) {
    down_ = touches.front()->locationInView(this);
}

void ThumbnailGridView::touchesMoved(const TouchList& touches, const Event&) {
    const Touch& touch = *touches.front();
    const Point now = touch.locationInView(this);
    setContentOffset(offset_ - (now.y - touch.previousLocationInView(this).y));
    if (down_ && std::hypot(now.x - down_->x, now.y - down_->y) > kTapSlop) {
        down_.reset();
    }
}

void ThumbnailGridView::touchesEnded(const TouchList& touches, const Event&) {
    const bool tapped = down_.has_value();
    down_.reset();
    if (!tapped || !onPicked_) {
        return;
    }
    if (const auto index = cellAt(touches.front()->locationInView(this))) {
        onPicked_(*index);
    }
}

void ThumbnailGridView::touchesCancelled(const TouchList&, const Event&) {
    down_.reset();
}

} // namespace platform
