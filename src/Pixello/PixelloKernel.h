#pragma once

#include "Pixello/EditRecord.h"
#include "Pixello/FullResolution.h"
#include "Pixello/MainViewController.h"
#include "Pixello/PixelloModel.h"
#include "Pixello/SettingsViewController.h"
#include "ZevkoCore/ZVKApplicationKernel.h"
#include "ZevkoCore/ZVKApplicationModelDelegate.h"
#include "ZevkoCore/ZVKNavigationControllerDelegate.h"
#include "ZevkoCore/ZVKPoint.h"
#include "platform/base/Geometry.h"
#include "platform/base/NotificationCenter.h"
#include "platform/graphics/PickedImage.h"
#include "platform/graphics/Picture.h"
#include "platform/graphics/PixelBuffer.h"
#include "platform/media/AlbumWriter.h"
#include "platform/ui/widgets/ImagePickerController.h"

#include <expected>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The editor's kernel: owns the model and the main screen, seeds the default picture at first
// launch, saves storage on every history change, and turns finger positions into deformations
// and finished deformations into history pictures (PixelloKernel+ImageProcessing.cpp).
// Made with ZVKApplicationKernel::create<PixelloKernel>(application, window) or
// PixelloKernel::create.
namespace platform {
class AlertView;
}

class PixelloKernel : public ZVKApplicationKernel,
                      public ZVKApplicationModelDelegate,
                      public ZVKNavigationControllerDelegate,
                      public platform::ImagePickerControllerDelegate {
public:
    static constexpr const char* kDefaultImageName = "defaultImage.png";

    static std::unique_ptr<PixelloKernel> create(platform::Application* application,
                                                 platform::Window* window) {
        return ZVKApplicationKernel::create<PixelloKernel>(application, window);
    }

    PixelloKernel(ConstructionKey key, platform::Application* application, platform::Window* window)
        : ZVKApplicationKernel(key, application, window) {}
    // Saves the model once more, so that nothing since the last save is lost.
    ~PixelloKernel() override;

    PixelloModel* model() const { return model_.get(); }
    MainViewController* mainViewController() const { return mainViewController_.get(); }
    SettingsViewController* settingsViewController() const { return settingsViewController_.get(); }

    // Saves the model to storage.
    void terminate() override;
    // Saves the model to storage and tells of a failure (reportSave).
    void saveModel();
    // Tells the user of a failed save of the storage file or of a history picture: the first
    // failure of a streak shows an alert with what failed and why, every one is reported to
    // the application; a success ends the streak. `what` says what was being saved.
    void reportSave(const std::expected<void, platform::Error>& result, const std::string& what);
    // The bookkeeping of reportSave without the alert: the message when the user is yet to
    // hear of this streak of failures.
    std::optional<std::string> recordSave(const std::expected<void, platform::Error>& result,
                                          const std::string& what);
    // Whether the last save or picture write failed.
    bool savesFailing() const { return savesFailing_; }

    // "history" saves storage; "orientation" turns the status bar.
    void modelPropertyChanged(const std::string& name) override;
    // The main screen shows no navigation bar, every other screen does.
    void beforeNavigateFrom(ZVKViewController* from, platform::NavigationItem* fromItem,
                            ZVKViewController* to, platform::NavigationItem* toItem) override;
    // Device rotation: taken up only while the main screen is on top and shows no modal.
    void notification(const platform::Notification& notification);

    // Effects. Points are in picture pixels, y downward; nothing happens without a picture.
    void applySmudgeFrom(const ZVKPoint& from, const ZVKPoint& to);
    // Two start positions, two current positions: the effect covers the circle inside the
    // bounding rectangle of the current ones, always computed from the rest grid.
    void applyBumpFrom(const std::vector<ZVKPoint>& from, const std::vector<ZVKPoint>& to);
    void applyPinchFrom(const std::vector<ZVKPoint>& from, const std::vector<ZVKPoint>& to);

    static platform::Rect effectRectFromPoints(const ZVKPoint& start1, const ZVKPoint& start2,
                                               const ZVKPoint& current1, const ZVKPoint& current2);
    static platform::Rect boundRectForPoints(const ZVKPoint& p, const ZVKPoint& q);
    // Each component truncated towards zero.
    static platform::Rect castToIntRect(platform::Rect rect);
    // Mirrors the rectangle vertically inside a bounding rectangle of bound's height.
    static platform::Rect flipRect(platform::Rect rect, platform::Rect insideBoundRect);
    // The intersection; disjoint rectangles give a negative width or height.
    static platform::Rect clipRect(platform::Rect rect, platform::Rect byRect);

    // Finishing: the frame the main screen has just drawn (unpresented) becomes the next
    // history picture and the grid goes back to rest.
    void finishSmudge() { finishEffect(); }
    void finishBump() { finishEffect(); }
    void finishPinch() { finishEffect(); }
    void finishEffect();
    void finishEffectAfterDelay();
    // The part of the picture inside the model's crop rectangle, widened to whole pixels and
    // clipped to the picture, becomes the next history picture. An empty part changes nothing.
    void applyCrop();

    // The picture's pixels as the renderer shows them (premultiplied, over black), drawn
    // once through a 1 × 1 grid; nullptr when no GL view can be made.
    static platform::PixelBuffer dataFromImage(const platform::Picture& picture);
    // Scales the picture to fit maxWidth × maxHeight (never enlarging) and bakes its
    // orientation into upright pixels.
    static std::optional<platform::Picture> convertImageToPNG(const platform::Picture& picture,
                                                              float maxWidth, float maxHeight);
    // The same for a picture decoded at a reduced size: the result has the size the whole
    // picture would have been converted to.
    static std::optional<platform::Picture>
    convertImageToPNG(const platform::ReducedPicture& reduced, float maxWidth, float maxHeight);
    // The size convertImageToPNG gives a picture of `size`: fitted, truncated to whole
    // pixels, at least one pixel across.
    static platform::Size fittedSize(platform::Size size, float maxWidth, float maxHeight);

    // Picking, the camera, the album and the settings screen
    // (PixelloKernel+ImagePickingAndSaving.cpp). A picked picture replaces the whole history:
    // it is reduced to fit 600 × 600, becomes the only entry, and the tool turns to smudge.
    void pickImageFromPhotoLibrary();
    void pickImageFromCamera();
    // Presents the picker for source 0 (the photo library) or 1 (the camera).
    void pickWithSourceType(int source);
    void imagePickerControllerDidFinishPickingImage(platform::ImagePickerController& picker,
                                                    platform::PickedImage image) override;
    void imagePickerControllerDidCancel(platform::ImagePickerController& picker) override;
    // A picture opened from the command line or dropped on the window: the same road as a
    // picked one, from the wait alert on.
    void openPickedImage(platform::PickedImage image);
    // Converts and stores the picture 0.05 s after the pick, then takes the picker and the
    // wait alert away; a picture that cannot be read or stored is reported in an alert and
    // leaves history and tool as they were.
    void didFinishPickingImageDelayed(const platform::PickedImage& image);
    // Writes the current picture to the album; the result comes back as an alert. When the
    // history kept its original, the picture written is the full-size rendition, made off
    // the main thread under the wait alert; when that cannot be made, the working picture
    // is written and the alert says why.
    void saveImage();
    // Renditions of the current entry at the original's size; nullptr before the screens
    // are made.
    FullResolution* fullResolution() const { return fullResolution_.get(); }
    // The album write's completion: nothing on success, else the system's description.
    void imageDidFinishSavingWithError(std::optional<std::string> error);
    platform::ImagePickerController* picker() const { return picker_.get(); }
    // The wait alert while a picked picture is converted; nullptr otherwise.
    platform::AlertView* alert() const { return alert_.get(); }
    // Slides the settings screen in; nothing while there is no settings screen or no window.
    void openSettings();
    // The kernel's message box: the text as title, one "OK" button.
    void showAlertWithTitle(const std::string& title);
    // The same, put off until the screens are in the window when start-up is not over.
    void showAlertWhenStarted(const std::string& title);

protected:
    // Creates the model and fills it from storage (the main file, else its backup, and then
    // the user is told); without stored pictures the default picture becomes the first
    // history entry. Leftovers of earlier runs are listed before anything is written and
    // removed off the main thread.
    void createModel() override;
    void createViewControllers() override;
    std::shared_ptr<ZVKViewController> rootViewController() override { return mainViewController_; }
    void registerDelegatesAndCustomize() override;

private:
    void seedDefaultPicture();
    // Hands what earlier runs left behind to the worker for removal.
    void collectLeftovers();
    // The wait alert with its spinning indicator.
    void showWaitAlert();
    void takeWaitAlertAway();
    // The current entry's name; empty for an empty history.
    std::string currentEntryName() const;
    // Records how the entry just made came from `base`, when `base` has a record itself.
    void recordStep(const std::string& base, const EditStep& step);
    // Converts the picked picture and makes it the only history entry; the alert text when
    // that failed.
    std::optional<std::string> storePickedImage(const platform::PickedImage& image);
    // Bakes the picture's orientation into upright pixels of exactly `size`.
    static std::optional<platform::Picture> drawUpright(const platform::Picture& picture,
                                                        platform::Size size);
    // The current picture's size, when there is a picture.
    std::optional<platform::Size> imageSize();
    // Resets the grid and answers the fingers' rectangle in normalized picture units, or
    // nothing when there is no picture or fewer than two fingers.
    std::optional<platform::Rect> resetGridForTwoFingerEffect(const std::vector<ZVKPoint>& from,
                                                              const std::vector<ZVKPoint>& to);

    // Shared with the navigation controller, whose root screen it is.
    std::shared_ptr<MainViewController> mainViewController_;
    // Shared with the navigation controller while it is pushed.
    std::shared_ptr<SettingsViewController> settingsViewController_;
    std::unique_ptr<PixelloModel> model_;
    // The picker's and the album's worker; declared first so it outlives both.
    std::unique_ptr<platform::BackgroundQueue> queue_;
    // Made at start-up and reused; shared with the main screen while it is presented.
    std::shared_ptr<platform::ImagePickerController> picker_;
    std::shared_ptr<platform::AlertView> alert_;
    std::unique_ptr<platform::AlbumWriter> albumWriter_;
    bool savesFailing_ = false;
    // Set while the kernel goes: a failed last save is reported, but shows no alert.
    bool ending_ = false;
    std::unique_ptr<FullResolution> fullResolution_;
};
