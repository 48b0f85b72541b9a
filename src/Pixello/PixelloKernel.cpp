#include "Pixello/PixelloKernel.h"

#include "Pixello/EditHistory.h"
#include "Pixello/HistoryLeftovers.h"
#include "Pixello/PropertyNames.h"
#include "ZevkoCore/ZVKCommons.h"
#include "ZevkoCore/ZVKNavigationController.h"
#include "platform/base/Application.h"
#include "platform/base/Bundle.h"
#include "platform/base/Device.h"
#include "platform/base/FileSystem.h"
#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/graphics/PictureCodec.h"

PixelloKernel::~PixelloKernel() {
    platform::RunLoop::main().cancelPrevious(this);
    // A picker still shown lets go of its listing, thumbnails and camera while their worker
    // is still there.
    if (platform::ViewController* parent = picker_ ? picker_->parentViewController() : nullptr) {
        parent->dismissModalViewControllerAnimated(false);
    }
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    if (ZVKNavigationController* navigation = navigationController()) {
        navigation->removeDelegate(this);
    }
    if (model_) {
        model_->removeDelegate(this);
        model_->removeDelegate(mainViewController_.get());
        model_->removeDelegate(settingsViewController_.get());
        ending_ = true;
        saveModel();
    }
}

void PixelloKernel::terminate() {
    if (model_) {
        saveModel();
    }
}

void PixelloKernel::saveModel() {
    reportSave(model_->writeStorage(), ZVKLocalString("The history could not be saved: %@"));
}

void PixelloKernel::createModel() {
    model_ = std::make_unique<PixelloModel>();
    queue_ = std::make_unique<platform::BackgroundQueue>(platform::RunLoop::main());
    // No delegate is registered yet: what loading and seeding report reaches nobody.
    const bool loaded = model_->loadFromStorage();
    collectLeftovers();
    // The backup's own pictures go once a save has renewed it.
    if (const auto storage = ZVKApplicationModel::storagePath(); storage && loaded) {
        if (const auto backup = platform::readFile(ZVKApplicationModel::backupPath(*storage))) {
            model_->retireEntriesOf(std::string(backup->begin(), backup->end()));
        }
    }
    if (loaded && model_->restoredFromBackup()) {
        showAlertWhenStarted(
            ZVKLocalString("The history was damaged: an earlier state of it has been restored."));
    }
    if (!loaded || model_->imageFileNames().empty()) {
        seedDefaultPicture();
    }
}

void PixelloKernel::collectLeftovers() {
    const auto storage = ZVKApplicationModel::storagePath();
    if (!storage) {
        return;
    }
    auto leftovers = HistoryLeftovers::find(*storage, model_->directoryForImages());
    if (!leftovers) {
        platform::logLine("leftovers are kept: " + leftovers.error().message);
        return;
    }
    if (leftovers->empty()) {
        return;
    }
    queue_->submit(this, 0, [files = std::move(*leftovers)] {
        HistoryLeftovers::remove(files);
        return platform::RunLoop::Call{};
    });
}

void PixelloKernel::seedDefaultPicture() {
    const auto path = platform::Bundle::main().pathForResource(kDefaultImageName);
    if (!path) {
        return;
    }
    const auto picture = platform::PictureCodec::decodeFile(*path);
    if (!picture) {
        return;
    }
    model_->setDataRef(dataFromImage(*picture));
    reportSave(model_->setImage(*picture), ZVKLocalString("The picture could not be saved: %@"));
}

void PixelloKernel::createViewControllers() {
    platform::Device::current().beginGeneratingDeviceOrientationNotifications();
    platform::NotificationCenter::defaultCenter().addObserver(
        this, std::string(platform::Device::kOrientationDidChangeNotification), nullptr,
        [this](const platform::Notification& n) { notification(n); });
    mainViewController_ = std::make_shared<MainViewController>(this);
    settingsViewController_ = std::make_shared<SettingsViewController>(this);
    picker_ = std::make_shared<platform::ImagePickerController>(*queue_);
    albumWriter_ = std::make_unique<platform::AlbumWriter>(*queue_);
    fullResolution_ = std::make_unique<FullResolution>(queue_.get());
}

std::string PixelloKernel::currentEntryName() const {
    const auto& names = model_->imageFileNames();
    const std::int32_t current = model_->currentImage();
    return current >= 0 && static_cast<std::size_t>(current) < names.size()
               ? names[static_cast<std::size_t>(current)]
               : std::string();
}

void PixelloKernel::recordStep(const std::string& base, const EditStep& step) {
    // An entry whose base has no record (the default picture, a history from a build that
    // recorded nothing) has no full-size rendition either: nothing is written for it.
    const std::string images = model_->directoryForImages();
    if (!base.empty() &&
        platform::exists(std::filesystem::path(images) / EditHistory::editFileName(base))) {
        EditHistory::recordStep(images, currentEntryName(), base, step);
    }
}

void PixelloKernel::registerDelegatesAndCustomize() {
    ZVKNavigationController* navigation = navigationController();
    if (navigation != nullptr) {
        navigation->hideNavigationBarAnimated(false);
    }
    model_->addDelegate(mainViewController_.get());
    model_->addDelegate(settingsViewController_.get());
    model_->addDelegate(this);
    if (navigation != nullptr) {
        // The kernel owns the navigation controller: a plain reference, not kept alive.
        navigation->addDelegate(static_cast<ZVKNavigationControllerDelegate*>(this));
    }
}

void PixelloKernel::modelPropertyChanged(const std::string& name) {
    if (name == PropertyName::kHistory) {
        saveModel();
    }
    if (name == PropertyName::kOrientation) {
        const platform::DeviceOrientation orientation = model_->orientation();
        if (platform::isInterfaceOrientation(orientation)) {
            application()->setStatusBarOrientation(static_cast<int>(orientation), true);
        }
    }
}

void PixelloKernel::beforeNavigateFrom(ZVKViewController* from, platform::NavigationItem*,
                                       ZVKViewController* to, platform::NavigationItem*) {
    ZVKNavigationController* navigation = navigationController();
    if (navigation == nullptr) {
        return;
    }
    if (from == mainViewController_.get()) {
        navigation->setNavigationBarStateAfterNextScroll(
            ZVKNavigationController::BarChange::BringIn);
    }
    if (to == mainViewController_.get()) {
        navigation->setNavigationBarStateAfterNextScroll(
            ZVKNavigationController::BarChange::TakeAway);
    }
}

void PixelloKernel::notification(const platform::Notification&) {
    const ZVKNavigationController* navigation = navigationController();
    // Without a window there is no navigation: the main screen is the only one.
    const bool mainOnTop =
        navigation == nullptr || navigation->topViewController() == mainViewController_.get();
    if (mainOnTop && mainViewController_->modalViewController() == nullptr) {
        model_->orientationChanged();
    }
}
