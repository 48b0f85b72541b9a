#include "ZevkoCore/ZVKApplicationKernel.h"

void ZVKApplicationKernel::start() {
    createModel();
    createViewControllers();
    // The navigation controller is built here, around rootViewController().
    registerDelegatesAndCustomize();
}
