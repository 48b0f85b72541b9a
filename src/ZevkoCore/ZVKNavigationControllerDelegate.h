#pragma once

#include "platform/ui/NavigationItem.h"

class ZVKViewController;

// Told before and after every transition of a navigation controller. "from" is the
// screen being left (nullptr for the very first screen) with its bar item, "to" the
// screen being entered with its item. Every message is optional; a delegate that
// implements the combined navigateFrom() says so and then gets only that one.
class ZVKNavigationControllerDelegate {
public:
    virtual ~ZVKNavigationControllerDelegate() = default;

    virtual bool implementsNavigateFrom() const { return false; }
    virtual void navigateFrom(ZVKViewController* from, platform::NavigationItem* fromItem,
                              ZVKViewController* to, platform::NavigationItem* toItem,
                              bool before) {
        (void)from, (void)fromItem, (void)to, (void)toItem, (void)before;
    }
    virtual void beforeNavigateFrom(ZVKViewController* from, platform::NavigationItem* fromItem,
                                    ZVKViewController* to, platform::NavigationItem* toItem) {
        (void)from, (void)fromItem, (void)to, (void)toItem;
    }
    virtual void afterNavigateFrom(ZVKViewController* from, platform::NavigationItem* fromItem,
                                   ZVKViewController* to, platform::NavigationItem* toItem) {
        (void)from, (void)fromItem, (void)to, (void)toItem;
    }
};
