#include "platform/ui/widgets/BarButtonItem.h"

namespace platform {

BarButtonItem::BarButtonItem(std::shared_ptr<View> customView)
    : customView_(std::move(customView)) {}

BarButtonItem::BarButtonItem(std::string title, int style, const void* target, Action action)
    : title_(std::move(title)), target_(target), action_(std::move(action)) {
    setStyle(style);
}

BarButtonItem::BarButtonItem(SystemItem item) : system_(item) {}

void BarButtonItem::setStyle(int style) {
    if (style >= Plain && style <= Done) {
        style_ = style;
    }
}

void BarButtonItem::setAction(const void* target, Action action) {
    target_ = target;
    action_ = std::move(action);
}

void BarButtonItem::sendAction() {
    if (enabled_ && action_) {
        // Copied: the action may replace itself or drop the item.
        const Action action = action_;
        action(*this);
    }
}

} // namespace platform
