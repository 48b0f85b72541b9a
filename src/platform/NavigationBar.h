#pragma once

#include "platform/NavigationItem.h"
#include "platform/View.h"

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

// A bar with a stack of titled items. While an item lies below the top one, the bar
// shows a back button at its left end; a tap on it asks the delegate whether the top
// item may go and then removes that item itself.
class NavigationBar : public View {
public:
    static constexpr float kBackButtonWidth = 100.0f;

    explicit NavigationBar(Rect frame = {0.0f, 0.0f, 320.0f, 44.0f});

    NavigationBarDelegate* delegate() const { return delegate_; }
    void setDelegate(NavigationBarDelegate* delegate) { delegate_ = delegate; }
    int barStyle() const { return barStyle_; }
    void setBarStyle(int style) { barStyle_ = style; }

    const std::vector<std::shared_ptr<NavigationItem>>& items() const { return items_; }
    std::shared_ptr<NavigationItem> topItem() const;
    // The item below the top one, or nullptr.
    std::shared_ptr<NavigationItem> backItem() const;

    void pushNavigationItem(std::shared_ptr<NavigationItem> item, bool animated);
    // Answers the removed item, or nullptr when there is none or the delegate refused.
    std::shared_ptr<NavigationItem> popNavigationItemAnimated(bool animated);

    // Where the back button lies in the bar's coordinates, while there is one.
    std::optional<Rect> backButtonFrame() const;
    // The text on the back button: the back item's title.
    std::string backButtonTitle() const;

    void touchesBegan(const TouchList& touches, const Event& event) override;
    void touchesEnded(const TouchList& touches, const Event& event) override;
    void touchesCancelled(const TouchList& touches, const Event& event) override;

private:
    NavigationBarDelegate* delegate_ = nullptr; // not owned
    int barStyle_ = 0;
    std::vector<std::shared_ptr<NavigationItem>> items_;
    std::weak_ptr<Touch> backPress_; // the finger that came down on the back button
};

} // namespace platform
