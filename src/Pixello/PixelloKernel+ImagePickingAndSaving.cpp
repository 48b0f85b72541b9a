#include "Pixello/PixelloKernel.h"
#include "ZevkoCore/ZVKCommons.h"
#include "ZevkoCore/ZVKNavigationController.h"
#include "platform/ui/widgets/AlertView.h"

namespace {

// Fills the "%@" of a translated format with `value`.
std::string fillFormat(std::string format, const std::string& value) {
    if (const auto at = format.find("%@"); at != std::string::npos) {
        format.replace(at, 2, value);
    }
    return format;
}

} // namespace

void PixelloKernel::showAlertWithTitle(const std::string& title) {
    if (window() == nullptr) {
        return;
    }
    // The window keeps a shown alert until the user dismisses it.
    std::make_shared<platform::AlertView>(title, "", ZVKLocalString("OK"))->show(*window());
}

void PixelloKernel::pickImageFromPhotoLibrary() {
    showAlertWithTitle(ZVKLocalString("Photo library is currently unavailable."));
}

void PixelloKernel::pickImageFromCamera() {
    showAlertWithTitle(fillFormat(ZVKLocalString("No camera support on '%@'."), ZVKDeviceName()));
}

void PixelloKernel::saveImage() {
    showAlertWithTitle(ZVKLocalString("Saving to the photo album is currently unavailable."));
}

void PixelloKernel::openSettings() {
    ZVKNavigationController* navigation = navigationController();
    if (navigation == nullptr || settingsViewController_ == nullptr) {
        return;
    }
    navigation->pushViewController(settingsViewController_, true);
}
