#include "platform/NavigationBar.h"

#include <algorithm>

namespace platform {

NavigationBar::NavigationBar(Rect frame) : View(frame) {}

std::shared_ptr<NavigationItem> NavigationBar::topItem() const {
    return items_.empty() ? nullptr : items_.back();
}

std::shared_ptr<NavigationItem> NavigationBar::backItem() const {
    return items_.size() < 2 ? nullptr : items_[items_.size() - 2];
}

void NavigationBar::pushNavigationItem(std::shared_ptr<NavigationItem> item, bool) {
    if (!item || std::find(items_.begin(), items_.end(), item) != items_.end()) {
        return;
    }
    if (delegate_ != nullptr && !delegate_->navigationBarShouldPushItem(*this, *item)) {
        return;
    }
    items_.push_back(item);
    if (delegate_ != nullptr) {
        delegate_->navigationBarDidPushItem(*this, *item);
    }
}

std::shared_ptr<NavigationItem> NavigationBar::popNavigationItemAnimated(bool) {
    std::shared_ptr<NavigationItem> item = topItem();
    if (!item) {
        return nullptr;
    }
    if (delegate_ != nullptr && !delegate_->navigationBarShouldPopItem(*this, *item)) {
        return nullptr;
    }
    // The delegate may have changed the stack while it was asked: remove the item it
    // agreed to, wherever it is now, and nothing else.
    const auto it = std::find(items_.begin(), items_.end(), item);
    if (it == items_.end()) {
        return nullptr;
    }
    items_.erase(it);
    if (delegate_ != nullptr) {
        delegate_->navigationBarDidPopItem(*this, *item);
    }
    return item;
}

std::optional<Rect> NavigationBar::backButtonFrame() const {
    if (items_.size() < 2) {
        return std::nullopt;
    }
    const Rect b = bounds();
    return Rect(b.x(), b.y(), std::min(kBackButtonWidth, b.width()), b.height());
}

std::string NavigationBar::backButtonTitle() const {
    const auto item = backItem();
    return item ? item->title() : std::string();
}

void NavigationBar::touchesBegan(const TouchList& touches, const Event&) {
    const auto button = backButtonFrame();
    for (const auto& touch : touches) {
        const Point p = touch->locationInView(this);
        if (button && p.x >= button->x() && p.x < button->x() + button->width()) {
            backPress_ = touch;
        }
    }
}

void NavigationBar::touchesEnded(const TouchList& touches, const Event&) {
    const std::shared_ptr<Touch> press = backPress_.lock();
    for (const auto& touch : touches) {
        if (touch != press) {
            continue;
        }
        backPress_.reset();
        // Lifting outside the button is no press.
        const auto button = backButtonFrame();
        const Point p = touch->locationInView(this);
        if (button && p.x >= button->x() && p.x < button->x() + button->width() &&
            p.y >= button->y() && p.y < button->y() + button->height()) {
            popNavigationItemAnimated(true);
        }
    }
}

void NavigationBar::touchesCancelled(const TouchList& touches, const Event&) {
    for (const auto& touch : touches) {
        if (touch == backPress_.lock()) {
            backPress_.reset();
        }
    }
}

} // namespace platform
