#pragma once

#include "platform/ui/NavigationItem.h"
#include "platform/ui/ViewController.h"

#include <memory>

// The framework's screen: a platform view controller with the hooks the navigation
// controller calls around its transitions.
class ZVKViewController : public platform::ViewController {
public:
    virtual void previewWillAppear(bool animated) { (void)animated; }
    virtual void previewDidAppear(bool animated) { (void)animated; }
    virtual void previewWillDisappear(bool animated) { (void)animated; }
    virtual void previewDidDisappear(bool animated) { (void)animated; }
    // Whether the screen agrees to be shown / to be left.
    virtual bool shouldAppear() { return true; }
    virtual bool shouldDisappear() { return true; }
    // Fills in the bar item that stands for this screen and answers the item to use.
    // The default titles it with the screen's title.
    virtual std::shared_ptr<platform::NavigationItem>
    prepareNavigationItem(std::shared_ptr<platform::NavigationItem> item);
};
