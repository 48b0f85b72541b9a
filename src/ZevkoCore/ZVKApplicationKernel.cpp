#include "ZevkoCore/ZVKApplicationKernel.h"

#include "ZevkoCore/ZVKNavigationController.h"

ZVKApplicationKernel::ZVKApplicationKernel(ConstructionKey, platform::Application* application,
                                           platform::Window* window)
    : application_(application), window_(window) {}

ZVKApplicationKernel::~ZVKApplicationKernel() = default;

void ZVKApplicationKernel::start() {
    createModel();
    createViewControllers();
    navigationController_ = ZVKNavigationController::create(window_, rootViewController());
    registerDelegatesAndCustomize();
}
