#pragma once

#include <memory>
#include <string>

namespace platform {

class BarButtonItem;

// One entry of a navigation bar: a title and, optionally, the button the bar shows
// to go back to this item from the one above it.
class NavigationItem {
public:
    explicit NavigationItem(std::string title = {}) : title_(std::move(title)) {}

    const std::string& title() const { return title_; }
    void setTitle(std::string title) { title_ = std::move(title); }
    const std::shared_ptr<BarButtonItem>& backBarButtonItem() const { return backBarButtonItem_; }
    void setBackBarButtonItem(std::shared_ptr<BarButtonItem> item) {
        backBarButtonItem_ = std::move(item);
    }

private:
    std::string title_;
    std::shared_ptr<BarButtonItem> backBarButtonItem_;
};

} // namespace platform
