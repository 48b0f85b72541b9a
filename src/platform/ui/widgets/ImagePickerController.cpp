#include "platform/ui/widgets/ImagePickerController.h"

#include "platform/base/Localization.h"
#include "platform/base/Paths.h"
#include "platform/media/FrameSource.h"
#include "platform/media/PictureLibrary.h"
#include "platform/media/ThumbnailCache.h"
#include "platform/ui/widgets/BarButtonItem.h"
#include "platform/ui/widgets/CameraPreviewView.h"
#include "platform/ui/widgets/Label.h"
#include "platform/ui/widgets/NavigationBar.h"
#include "platform/ui/widgets/ThumbnailGridView.h"
#include "platform/ui/widgets/Toolbar.h"

#include <system_error>

namespace platform {

namespace {

constexpr float kBarHeight = NavigationBar::kContentHeight;
constexpr float kToolbarHeight = Toolbar::kDefaultHeight;
constexpr float kHeight = Screen::kHeight - Screen::kStatusBarHeight;
// Thumbnails on screen are made before those scrolled away.
constexpr int kShownPriority = 1;
constexpr int kHiddenPriority = 0;

std::string text(std::string_view key) {
    return Localization::localizedString(key);
}

} // namespace

ImagePickerController::ImagePickerController(BackgroundQueue& queue) : queue_(queue) {}

ImagePickerController::~ImagePickerController() = default;

bool ImagePickerController::isSourceTypeAvailable(int source) {
    if (source == PhotoLibrary) {
        return Paths::picturesDirectoryReadable();
    }
    if (source == Camera) {
        return FrameSource::cameraAvailable();
    }
    return false;
}

void ImagePickerController::loadView() {
    auto root =
        std::make_shared<View>(Rect(0.0f, Screen::kStatusBarHeight, Screen::kWidth, kHeight));
    root->setBackgroundColor(Color::black());
    bar_ = std::make_shared<NavigationBar>(Rect(0.0f, 0.0f, Screen::kWidth, kBarHeight));
    bar_->pushNavigationItem(std::make_shared<NavigationItem>(), false);
    const Rect content(0.0f, kBarHeight, Screen::kWidth, kHeight - kBarHeight - kToolbarHeight);
    grid_ = std::make_shared<ThumbnailGridView>(content);
    grid_->setOnPicked([this](std::size_t index) {
        if (index < files_.size()) {
            pickFile(files_[index]);
        }
    });
    grid_->setOnShown(
        [this](std::size_t first, std::size_t end) { requestThumbnails(first, end); });
    empty_ =
        std::make_shared<Label>(Rect(20.0f, content.y() + 100.0f, Screen::kWidth - 40.0f, 30.0f));
    empty_->setTextColor(Color{0.7f, 0.7f, 0.7f, 1.0f});
    empty_->setTextAlignment(Label::Center);
    empty_->setBackgroundColor(Color{0.0f, 0.0f, 0.0f, 0.0f});
    preview_ = std::make_shared<CameraPreviewView>(content);
    toolbar_ = std::make_shared<Toolbar>(
        Rect(0.0f, kHeight - kToolbarHeight, Screen::kWidth, kToolbarHeight));
    root->addSubview(grid_);
    root->addSubview(empty_);
    root->addSubview(preview_);
    root->addSubview(bar_);
    root->addSubview(toolbar_);
    setView(std::move(root));
}

void ImagePickerController::viewWillAppear(bool) {
    view();
    const bool camera = sourceType_ == Camera;
    bar_->topItem()->setTitle(text(camera ? "Camera" : "Pictures"));
    grid_->setHidden(camera);
    empty_->setHidden(true);
    preview_->setHidden(!camera);
    auto cancelItem = std::make_shared<BarButtonItem>(text("Cancel"), BarButtonItem::Bordered, this,
                                                      [this](BarButtonItem&) { cancel(); });
    auto space = std::make_shared<BarButtonItem>(BarButtonItem::SystemItem::FlexibleSpace);
    if (camera) {
        auto shutterItem = std::make_shared<BarButtonItem>(
            text("Take Picture"), BarButtonItem::Done, this, [this](BarButtonItem&) { shutter(); });
        toolbar_->setItems({cancelItem, space, shutterItem});
        showCamera();
    } else {
        toolbar_->setItems({space, cancelItem});
        showLibrary();
    }
}

void ImagePickerController::viewDidDisappear(bool) {
    // Nothing keeps working for a picker nobody sees.
    library_.reset();
    thumbnails_.reset();
    requests_.clear();
    preview_->setSource(nullptr);
    if (camera_) {
        camera_->stop();
        camera_.reset();
    }
}

void ImagePickerController::showLibrary() {
    files_.clear();
    requests_.clear();
    grid_->setCount(0);
    thumbnails_ = std::make_unique<ThumbnailCache>(ThumbnailCache::sharedDirectory(), queue_);
    library_ = std::make_unique<PictureLibrary>(
        Paths::picturesDirectory(), queue_,
        [this](PictureLibrary::Listing listing) { listed(std::move(listing)); });
    library_->refresh();
}

void ImagePickerController::listed(PictureLibrary::Listing listing) {
    files_.clear();
    requests_.clear();
    if (listing) {
        for (LibraryPicture& picture : *listing) {
            files_.push_back(std::move(picture.path));
        }
    }
    empty_->setText(listing ? text("No pictures") : listing.error().message);
    empty_->setHidden(!files_.empty());
    requests_.assign(files_.size(), std::nullopt);
    grid_->setCount(files_.size());
}

void ImagePickerController::requestThumbnails(std::size_t first, std::size_t end) {
    if (!thumbnails_) {
        return;
    }
    // The cells on screen come first; a row above and below follows, so a short scroll
    // finds them made. The rest is made only when it is scrolled to.
    constexpr std::size_t kMargin = ThumbnailGridView::kColumns;
    const std::size_t from = first > kMargin ? first - kMargin : 0;
    const std::size_t to = std::min(end + kMargin, requests_.size());
    for (std::size_t i = from; i < to; ++i) {
        const int priority = i >= first && i < end ? kShownPriority : kHiddenPriority;
        if (requests_[i]) {
            thumbnails_->setPriority(*requests_[i], priority);
            continue;
        }
        requests_[i] =
            thumbnails_->request(files_[i], priority, [this, i](ThumbnailCache::Result thumbnail) {
                if (thumbnail) {
                    grid_->setThumbnail(i, std::move(*thumbnail));
                }
            });
    }
}

void ImagePickerController::showCamera() {
    camera_ = FrameSource::createCamera();
    if (camera_ == nullptr) {
        empty_->setText(text("No camera"));
    } else if (const auto started = camera_->start(); !started) {
        empty_->setText(started.error().message);
        camera_.reset();
    }
    empty_->setHidden(camera_ != nullptr);
    preview_->setSource(camera_.get());
}

std::expected<void, Error> ImagePickerController::pickFile(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        return failure("'" + path.string() + "' is not a file");
    }
    if (delegate_ != nullptr) {
        delegate_->imagePickerControllerDidFinishPickingImage(*this, PickedImage::file(path));
    }
    return {};
}

void ImagePickerController::cancel() {
    if (delegate_ != nullptr) {
        delegate_->imagePickerControllerDidCancel(*this);
    }
}

std::expected<void, Error> ImagePickerController::shutter() {
    if (camera_ == nullptr) {
        return failure("the camera is not running");
    }
    if (!preview_->failure().empty()) {
        return failure(preview_->failure());
    }
    std::optional<Picture> frame = preview_->shownFrame();
    if (!frame) {
        return failure("the camera has not shown a picture yet");
    }
    if (delegate_ != nullptr) {
        delegate_->imagePickerControllerDidFinishPickingImage(
            *this, PickedImage::picture(std::move(*frame)));
    }
    return {};
}

} // namespace platform
