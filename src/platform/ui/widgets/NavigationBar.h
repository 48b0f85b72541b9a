#pragma once

#include "platform/base/Screen.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/View.h"

#include <memory>
#include <optional>
#include <vector>

namespace platform {

class NavigationBar;

// Asked before and told after every push and pop of an item, also the pop that the
// back button starts. The defaults allow everything.
class NavigationBarDelegate {
public:
    virtual ~NavigationBarDelegate() = default;
    virtual bool navigationBarShouldPushItem(NavigationBar& bar, NavigationItem& item) {
        (void)bar, (void)item;
        return true;
    }
    virtual void navigationBarDidPushItem(NavigationBar& bar, NavigationItem& item) {
        (void)bar, (void)item;
    }
    virtual bool navigationBarShouldPopItem(NavigationBar& bar, NavigationItem& item) {
        (void)bar, (void)item;
        return true;
    }
    virtual void navigationBarDidPopItem(NavigationBar& bar, NavigationItem& item) {
        (void)bar, (void)item;
    }
};

class Label;

// A bar with a stack of titled items. While an item lies below the top one, the bar
// shows a back button at its left end; a tap on it asks the delegate whether the top
// item may go and then removes that item itself. It draws as a gradient of its tint with
// the top item's title centred and the back button shaped as an arrow pointing left; a
// bar taller than kContentHeight (one reaching under the status bar) keeps its content
// in its lowest kContentHeight points.
class NavigationBar : public View {
public:
    static constexpr float kBackButtonWidth = 100.0f;
    static constexpr float kContentHeight = 44.0f;

    explicit NavigationBar(Rect frame = {0.0f, 0.0f, Screen::kWidth, kContentHeight});

    NavigationBarDelegate* delegate() const { return delegate_; }
    void setDelegate(NavigationBarDelegate* delegate) { delegate_ = delegate; }
    int barStyle() const { return barStyle_; }
    void setBarStyle(int style) { barStyle_ = style; }
    Color tintColor() const { return tint_; }
    void setTintColor(Color tint);

    const std::vector<std::shared_ptr<NavigationItem>>& items() const { return items_; }
    std::shared_ptr<NavigationItem> topItem() const;
    // The item below the top one, or nullptr.
    std::shared_ptr<NavigationItem> backItem() const;

    void pushNavigationItem(std::shared_ptr<NavigationItem> item, bool animated);
    // Answers the removed item, or nullptr when there is none or the delegate refused.
    std::shared_ptr<NavigationItem> popNavigationItemAnimated(bool animated);

    // Where the back button lies in the bar's coordinates, while there is one.
    std::optional<Rect> backButtonFrame() const;
    // The text on the back button: the title of the back item's own back button item
    // when it has one, else the back item's title, else the localised "Back".
    std::string backButtonTitle() const;
    // Where the arrow-shaped back button is drawn, inside backButtonFrame().
    std::optional<Rect> backButtonShape() const;
    bool isBackButtonPressed() const { return !backPress_.expired(); }

    void drawContent(Painter& painter) override;
    void layoutForDisplay() override;

    void touchesBegan(const TouchList& touches, const Event& event) override;
    void touchesEnded(const TouchList& touches, const Event& event) override;
    void touchesCancelled(const TouchList& touches, const Event& event) override;

private:
    NavigationBarDelegate* delegate_ = nullptr; // not owned
    int barStyle_ = 0;
    Color tint_;
    std::shared_ptr<Label> titleLabel_;
    std::shared_ptr<Label> backLabel_;
    std::vector<std::shared_ptr<NavigationItem>> items_;
    std::weak_ptr<Touch> backPress_; // the finger that came down on the back button
};

} // namespace platform
