#pragma once

#include "platform/base/Color.h"
#include "platform/base/Screen.h"
#include "platform/ui/View.h"
#include "platform/ui/widgets/BarButtonItem.h"

#include <memory>
#include <optional>
#include <vector>

namespace platform {

// A bar of items laid out left to right: custom views at their own size, titled items
// as rounded buttons, fixed spaces at their width; flexible spaces share whatever width is
// left. Items keep kSideMargin from the bar's ends and kItemSpacing from each other, and
// are centred vertically. The bar itself is a gradient made from its tint.
class Toolbar : public View {
public:
    static constexpr float kSideMargin = 6.0f;
    static constexpr float kItemSpacing = 8.0f;
    static constexpr float kMinimumTitledWidth = 44.0f;
    static constexpr float kDefaultHeight = 44.0f;

    explicit Toolbar(Rect frame = {0.0f, 0.0f, Screen::kWidth, kDefaultHeight});

    Color tintColor() const { return tint_; }
    void setTintColor(Color tint);

    const std::vector<std::shared_ptr<BarButtonItem>>& items() const { return items_; }
    // Shows `items` (null entries are skipped). With `animated`, items that stay slide to
    // their new places and new ones fade in.
    void setItems(std::vector<std::shared_ptr<BarButtonItem>> items, bool animated = false);

    // The view standing for `item` on this bar (its custom view or the titled button), or
    // nullptr for spaces and items the bar does not show.
    View* viewForItem(const BarButtonItem& item) const;
    // Where `item` lies in the bar's coordinates after the last layout; spaces included.
    std::optional<Rect> frameForItem(const BarButtonItem& item) const;

    // Places the items for the bar's current size. Views have no layout pass of their
    // own, so the bar also does this itself whenever its width or height changed before
    // it is drawn, hit-tested or asked where an item lies.
    void layoutItems(bool animated = false);

    View* hitTest(Point point) override;
    void drawContent(Painter& painter) override;
    void layoutForDisplay() override;

private:
    struct Slot {
        std::shared_ptr<BarButtonItem> item;
        std::shared_ptr<View> view; // null for spaces
        Rect frame;
    };
    std::shared_ptr<View> viewFor(const std::shared_ptr<BarButtonItem>& item) const;
    void layoutIfResized() const;

    Color tint_;
    std::vector<std::shared_ptr<BarButtonItem>> items_;
    std::vector<Slot> slots_;
    Size laidOutFor_; // the size the items were last placed for
};

} // namespace platform
