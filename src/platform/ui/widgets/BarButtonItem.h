#pragma once

#include "platform/ui/View.h"

#include <functional>
#include <memory>
#include <string>

namespace platform {

// One entry of a toolbar: a view of the caller's (a tool button), a titled button in a
// style, or a flexible space that takes its share of the toolbar's free width. Items are
// shared: a toolbar holds the items it shows, and one flexible space may stand in several
// toolbars at once.
class BarButtonItem {
public:
    enum Style { Plain = 0, Bordered = 1, Done = 2 };
    // The platform's numbers of the system items this toolbar knows.
    enum class SystemItem { FlexibleSpace = 5, FixedSpace = 6 };

    using Action = std::function<void(BarButtonItem& sender)>;

    // An item showing `customView` at its own size; the item holds the view.
    explicit BarButtonItem(std::shared_ptr<View> customView);
    // A titled button; a tap calls `action` (which may be empty). `target` only names
    // the receiver and is never dereferenced.
    BarButtonItem(std::string title, int style, const void* target, Action action);
    explicit BarButtonItem(SystemItem item);

    const std::shared_ptr<View>& customView() const { return customView_; }
    const std::string& title() const { return title_; }
    void setTitle(std::string title) { title_ = std::move(title); }
    int style() const { return style_; }
    // 0 plain, 1 bordered, 2 done; other values are ignored. Only titled items show it.
    void setStyle(int style);
    bool isFlexibleSpace() const { return system_ == SystemItem::FlexibleSpace; }
    bool isSpace() const { return system_.has_value(); }
    // A fixed space's width, or a titled item's width (0: as wide as its title needs).
    float width() const { return width_; }
    void setWidth(float width) { width_ = width > 0.0f ? width : 0.0f; }
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled) { enabled_ = enabled; }

    const void* target() const { return target_; }
    void setAction(const void* target, Action action);
    // What a tap on a titled item does: the action with this item as sender.
    void sendAction();

private:
    std::shared_ptr<View> customView_;
    std::string title_;
    int style_ = Plain;
    std::optional<SystemItem> system_;
    float width_ = 0.0f;
    bool enabled_ = true;
    const void* target_ = nullptr; // names the receiver only; never dereferenced
    Action action_;
};

} // namespace platform
