#include "ZevkoCore/ZVKViewController.h"

std::shared_ptr<platform::NavigationItem>
ZVKViewController::prepareNavigationItem(std::shared_ptr<platform::NavigationItem> item) {
    if (item) {
        item->setTitle(title());
    }
    return item;
}
