#include "Pixello/EditHistory.h"
#include "Pixello/PixelloKernel.h"
#include "ZevkoCore/ZVKCommons.h"
#include "ZevkoCore/ZVKNavigationController.h"
#include "platform/base/Application.h"
#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/ui/widgets/ActivityIndicatorView.h"
#include "platform/ui/widgets/AlertView.h"

namespace {

// Fills the "%@" of a translated format with `value`.
std::string fillFormat(std::string format, const std::string& value) {
    if (const auto at = format.find("%@"); at != std::string::npos) {
        format.replace(at, 2, value);
    }
    return format;
}

constexpr const char* kDelayedCompletion = "didFinishPickingImageDelayed";
constexpr float kPickedSide = 600.0f;

} // namespace

void PixelloKernel::showAlertWithTitle(const std::string& title) {
    if (window() == nullptr) {
        return;
    }
    // The window keeps a shown alert until the user dismisses it.
    std::make_shared<platform::AlertView>(title, "", ZVKLocalString("OK"))->show(*window());
}

std::optional<std::string>
PixelloKernel::recordSave(const std::expected<void, platform::Error>& result,
                          const std::string& what) {
    if (result) {
        savesFailing_ = false;
        return std::nullopt;
    }
    std::string text = fillFormat(what, result.error().message);
    application()->reportFailedSave(text);
    if (savesFailing_) {
        return std::nullopt;
    }
    // Once per streak: a full disk would otherwise raise an alert at every stroke.
    savesFailing_ = true;
    platform::logLine(text);
    return text;
}

void PixelloKernel::reportSave(const std::expected<void, platform::Error>& result,
                               const std::string& what) {
    if (const auto text = recordSave(result, what); text && !ending_) {
        showAlertWhenStarted(*text);
    }
}

void PixelloKernel::showAlertWhenStarted(const std::string& title) {
    if (mainViewController_) {
        showAlertWithTitle(title);
        return;
    }
    // During start-up the screens come into the window after this and would cover it.
    platform::RunLoop::main().performAfterDelay(this, "showAlertWhenStarted", 0.0,
                                                [this, title] { showAlertWithTitle(title); });
}

void PixelloKernel::pickImageFromPhotoLibrary() {
    if (platform::ImagePickerController::isSourceTypeAvailable(
            platform::ImagePickerController::PhotoLibrary)) {
        pickWithSourceType(platform::ImagePickerController::PhotoLibrary);
    } else {
        showAlertWithTitle(ZVKLocalString("Photo library is currently unavailable."));
    }
}

void PixelloKernel::pickImageFromCamera() {
    if (platform::ImagePickerController::isSourceTypeAvailable(
            platform::ImagePickerController::Camera)) {
        pickWithSourceType(platform::ImagePickerController::Camera);
    } else {
        showAlertWithTitle(
            fillFormat(ZVKLocalString("No camera support on '%@'."), ZVKDeviceName()));
    }
}

void PixelloKernel::pickWithSourceType(int source) {
    model_->clearCache();
    picker_->setSourceType(source);
    picker_->setDelegate(this);
    picker_->setAllowsImageEditing(false);
    mainViewController_->presentModalViewController(picker_, true);
}

void PixelloKernel::imagePickerControllerDidFinishPickingImage(platform::ImagePickerController&,
                                                               platform::PickedImage image) {
    openPickedImage(std::move(image));
}

void PixelloKernel::showWaitAlert() {
    alert_ = std::make_shared<platform::AlertView>(ZVKLocalString("Please, wait..."), "", "");
    auto indicator = std::make_shared<platform::ActivityIndicatorView>(
        platform::ActivityIndicatorView::WhiteLarge);
    alert_->addSubview(indicator);
    indicator->setCenter({140.0f, 35.0f});
    indicator->startAnimating();
    alert_->show(*window());
}

void PixelloKernel::takeWaitAlertAway() {
    if (alert_) {
        alert_->dismissWithClickedButtonIndex(0, true);
        alert_.reset();
    }
}

void PixelloKernel::openPickedImage(platform::PickedImage image) {
    // One picture at a time: while one is converted the wait alert covers everything, and a
    // file that arrives meanwhile (dropped, named again) waits for nothing.
    if (alert_ || window() == nullptr) {
        return;
    }
    showWaitAlert();
    platform::RunLoop::main().performAfterDelay(
        this, kDelayedCompletion, 0.05,
        [this, image = std::move(image)] { didFinishPickingImageDelayed(image); });
}

std::optional<std::string> PixelloKernel::storePickedImage(const platform::PickedImage& image) {
    const auto reduced = image.decodeToFit({kPickedSide, kPickedSide});
    if (!reduced) {
        return fillFormat(ZVKLocalString("The picture could not be opened: %@."),
                          reduced.error().message);
    }
    std::optional<platform::Picture> converted =
        convertImageToPNG(*reduced, kPickedSide, kPickedSide);
    if (!converted) {
        return fillFormat(ZVKLocalString("The picture could not be opened: %@."),
                          "not enough memory");
    }
    model_->setDataRef(nullptr);
    // A picture that could not be stored leaves the history and the tool as they were:
    // clearing the history now would throw away the entries before it.
    const auto stored = model_->setImage(converted);
    if (!stored) {
        // The picker's own alert says it, whether or not a streak of failures is going on.
        const std::string what = ZVKLocalString("The picture could not be saved: %@");
        recordSave(stored, what);
        return fillFormat(what, stored.error().message);
    }
    // The original is kept beside the new first entry before the old history goes.
    EditHistory::keepSource(model_->directoryForImages(), currentEntryName(), image);
    model_->clearHistory();
    if (fullResolution_) {
        fullResolution_->forget();
    }
    model_->setEffect(Effect::Smudge);
    return std::nullopt;
}

void PixelloKernel::didFinishPickingImageDelayed(const platform::PickedImage& image) {
    const std::optional<std::string> failure = storePickedImage(image);
    if (platform::ViewController* parent = picker_->parentViewController()) {
        parent->dismissModalViewControllerAnimated(true);
    }
    takeWaitAlertAway();
    if (failure) {
        showAlertWithTitle(*failure);
    }
}

void PixelloKernel::imagePickerControllerDidCancel(platform::ImagePickerController& picker) {
    if (platform::ViewController* parent = picker.parentViewController()) {
        parent->dismissModalViewControllerAnimated(true);
    }
}

void PixelloKernel::saveImage() {
    const std::optional<platform::Picture> picture = model_->image();
    if (!picture) {
        imageDidFinishSavingWithError(ZVKLocalString("there is no picture to save"));
        return;
    }
    const auto write = [this](const platform::Picture& written, std::string note) {
        albumWriter_->save(written, [this, note](std::optional<std::string> error) {
            // A working picture saved in place of the full-size one says why instead.
            if (!note.empty() && !error) {
                showAlertWithTitle(note);
                return;
            }
            imageDidFinishSavingWithError(std::move(error));
        });
    };
    // A history that never kept its original (the default picture, one made by an older
    // build) has only its working picture. One alert at a time: the wait alert also keeps a
    // second save from starting while one is made.
    if (!fullResolution_ || !FullResolution::hasSource(*model_) || window() == nullptr || alert_) {
        write(*picture, {});
        return;
    }
    showWaitAlert();
    fullResolution_->renderInBackground(
        *model_,
        [this, picture = *picture, write](std::expected<platform::Picture, platform::Error> full) {
            takeWaitAlertAway();
            if (full) {
                write(*full, {});
                return;
            }
            write(picture, fillFormat(ZVKLocalString("The full-size picture could not be made "
                                                     "(%@); the working picture was saved."),
                                      full.error().message));
        });
}

void PixelloKernel::imageDidFinishSavingWithError(std::optional<std::string> error) {
    std::string text;
    if (error) {
        text = fillFormat(ZVKLocalString("Error '%@' occured."), *error);
    } else {
        text = ZVKLocalString("Image saved to 'Saved photos' album.");
        if (ZVKCommons::isDeviceiPod()) {
            text = ZVKLocalString("iPod: Image saved to 'Saved photos' album.");
        } else if (ZVKCommons::isDeviceiPhone()) {
            text = ZVKLocalString("iPhone: Image saved to 'Saved photos' album.");
        }
    }
    showAlertWithTitle(text);
}

void PixelloKernel::openSettings() {
    ZVKNavigationController* navigation = navigationController();
    if (navigation == nullptr || settingsViewController_ == nullptr) {
        return;
    }
    navigation->pushViewController(settingsViewController_, true);
}
