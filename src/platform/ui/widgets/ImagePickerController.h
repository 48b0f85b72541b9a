#pragma once

#include "platform/base/BackgroundQueue.h"
#include "platform/base/Error.h"
#include "platform/graphics/PickedImage.h"
#include "platform/media/PictureLibrary.h"
#include "platform/ui/ViewController.h"

#include <expected>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

namespace platform {

class CameraPreviewView;
class FrameSource;
class ImagePickerController;
class Label;
class NavigationBar;
class ThumbnailCache;
class ThumbnailGridView;
class Toolbar;

// Told what the user chose in the picker.
class ImagePickerControllerDelegate {
public:
    virtual ~ImagePickerControllerDelegate() = default;
    virtual void imagePickerControllerDidFinishPickingImage(ImagePickerController& picker,
                                                            PickedImage image) = 0;
    virtual void imagePickerControllerDidCancel(ImagePickerController& picker) = 0;
};

// The modal screen that brings a picture in: the photo library (the Pictures folder and its
// sub-folders as a grid of thumbnails, newest first) or the camera (a live preview with a
// shutter). Cancel and a pick go to the delegate, which dismisses the picker.
class ImagePickerController : public ViewController {
public:
    // The source numbers of the platform.
    enum SourceType { PhotoLibrary = 0, Camera = 1 };

    // Lists, thumbnails and captures on `queue`, which must outlive the picker.
    explicit ImagePickerController(BackgroundQueue& queue);
    ~ImagePickerController() override;

    // The photo library while the Pictures folder can be read; the camera while a capture
    // device (or a picture standing in for one) is there.
    static bool isSourceTypeAvailable(int source);

    int sourceType() const { return sourceType_; }
    void setSourceType(int source) { sourceType_ = source; }
    ImagePickerControllerDelegate* delegate() const { return delegate_; }
    void setDelegate(ImagePickerControllerDelegate* delegate) { delegate_ = delegate; }
    bool allowsImageEditing() const { return allowsImageEditing_; }
    void setAllowsImageEditing(bool allows) { allowsImageEditing_ = allows; }

    // What a tap on a thumbnail does, for any file (scripts pick files from anywhere).
    std::expected<void, Error> pickFile(const std::filesystem::path& path);
    // The Cancel button.
    void cancel();
    // The camera's shutter: the frame on screen becomes the picked picture.
    std::expected<void, Error> shutter();

    // The library's files in grid order, as far as they are listed.
    const std::vector<std::filesystem::path>& files() const { return files_; }
    ThumbnailGridView* grid() const { return grid_.get(); }

    void viewWillAppear(bool animated) override;
    void viewDidDisappear(bool animated) override;

protected:
    void loadView() override;

private:
    void showLibrary();
    void listed(PictureLibrary::Listing listing);
    void showCamera();
    // Asks for the thumbnails of the cells on screen and just around them, those on screen
    // first.
    void requestThumbnails(std::size_t first, std::size_t end);

    BackgroundQueue& queue_; // not owned
    int sourceType_ = PhotoLibrary;
    ImagePickerControllerDelegate* delegate_ = nullptr; // not owned
    bool allowsImageEditing_ = false;

    std::shared_ptr<NavigationBar> bar_;
    std::shared_ptr<ThumbnailGridView> grid_;
    std::shared_ptr<Label> empty_; // says why the grid is empty
    std::shared_ptr<CameraPreviewView> preview_;
    std::shared_ptr<Toolbar> toolbar_;
    std::vector<std::filesystem::path> files_;
    // One per file: its thumbnail's request, once it was asked for.
    std::vector<std::optional<BackgroundQueue::JobId>> requests_;
    std::unique_ptr<PictureLibrary> library_;
    std::unique_ptr<ThumbnailCache> thumbnails_;
    std::unique_ptr<FrameSource> camera_;
};

} // namespace platform
