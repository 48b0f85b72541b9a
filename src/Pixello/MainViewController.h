#pragma once

#include "Pixello/GLView.h"
#include "Pixello/PixelloTypes.h"
#include "ZevkoCore/ZVKApplicationModelDelegate.h"
#include "ZevkoCore/ZVKScrollView.h"
#include "ZevkoCore/ZVKScrollViewDelegate.h"
#include "ZevkoCore/ZVKViewController.h"
#include "platform/base/Geometry.h"
#include "platform/ui/widgets/ActivityIndicatorView.h"
#include "platform/ui/widgets/BarButtonItem.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class Button;
class Label;
class Toolbar;
} // namespace platform

class PixelloKernel;

// The main editing screen: the picture in a GL view on the zoomable touch surface, three
// toolbars of tool buttons and the activity indicator. Its state follows the model: every
// change arrives as a property name in modelPropertyChanged(); the actions only change the
// model or call the kernel.
class MainViewController : public ZVKViewController,
                           public ZVKApplicationModelDelegate,
                           public ZVKScrollViewDelegate {
public:
    static constexpr float kMinZoom = 0.1f;
    static constexpr float kMaxZoom = 10.0f;
    // A finger's path keeps at most this many samples.
    static constexpr int kMaxTouches = 1000;
    // Where the Apply item stands in the bottom toolbar while cropping.
    static constexpr std::size_t kApplyIndex = 3;

    using Action = void (MainViewController::*)(platform::BarButtonItem* sender);

    // `kernel` is not owned: the kernel owns this controller.
    explicit MainViewController(PixelloKernel* kernel) : kernel_(kernel) {}
    ~MainViewController() override;

    // Null until the view is loaded; the GL view also when no GL context could be had.
    GLView* glView() const { return glView_.get(); }
    ZVKScrollView* scrollView() const { return scrollView_.get(); }
    platform::ActivityIndicatorView* indicator() const { return indicator_; }

    // The screen's parts, for the kernel, scripts and tests; null before loadView.
    platform::Label* nameLabel() const { return nameLabel_; }
    platform::Toolbar* toolbar() const { return toolbar_.get(); }
    platform::Toolbar* bottomToolbar() const { return bottomToolbar_.get(); }
    platform::Toolbar* effectToolbar() const { return effectToolbar_.get(); }
    const std::shared_ptr<platform::BarButtonItem>& applyItem() const { return applyItem_; }
    // The item of a role as scripts name it: effect, undo, redo, settings, save, camera,
    // pick, smudge, bump, pinch, free, crop, apply; null for any other name.
    platform::BarButtonItem* itemForRole(std::string_view role) const;
    // The toolbar an item of this screen stands in, if any.
    platform::Toolbar* toolbarForItem(const platform::BarButtonItem& item) const;

    // A tool button of 40 × 30 points with the images "<name>ItemImage.png" (normal),
    // "<name>ItemPressed.png" (highlighted) and "<name>ItemActive.png" (selected); a tap
    // sends `action` with the item.
    std::shared_ptr<platform::BarButtonItem> itemWithName(const std::string& name, Action action);

    // Tools and toolbars.
    void freeAction(platform::BarButtonItem* sender);
    void smudgeAction(platform::BarButtonItem* sender);
    void bumpAction(platform::BarButtonItem* sender);
    void pinchAction(platform::BarButtonItem* sender);
    void cropAction(platform::BarButtonItem* sender);
    void applyAction(platform::BarButtonItem* sender);
    void effectAction(platform::BarButtonItem* sender);
    void actionsAction(platform::BarButtonItem* sender);
    // History, pictures and the settings screen.
    void undoAction(platform::BarButtonItem* sender);
    void redoAction(platform::BarButtonItem* sender);
    void saveAction(platform::BarButtonItem* sender);
    void pickAction(platform::BarButtonItem* sender);
    void settingsAction(platform::BarButtonItem* sender);
    void cameraAction(platform::BarButtonItem* sender);

    // Shows `item`'s images on the effect item, both selected; nothing for a null item.
    void copyToEffectFrom(platform::BarButtonItem* item);

    void modelPropertyChanged(const std::string& name) override;

    // Touch surface messages: crop edges, smudge strokes, bump and pinch.
    std::optional<bool> scrollViewShouldTrackTouchFromPoint(ZVKScrollView& view,
                                                            const ZVKPoint& from,
                                                            const ZVKPoint& to) override;
    void scrollViewWasIncrementTouchedFromPoint(ZVKScrollView& view, const ZVKPoint& from,
                                                const ZVKPoint& to) override;
    void scrollViewWasTouchedFromPoint(ZVKScrollView& view, const ZVKPoint& from,
                                       const ZVKPoint& to, bool finished) override;
    void scrollViewWasMultiTouchedFromPoints(ZVKScrollView& view, const std::vector<ZVKPoint>& from,
                                             const std::vector<ZVKPoint>& to,
                                             bool finished) override;

protected:
    void loadView() override;

private:
    void effectChanged();
    // Everything effectChanged() does but drawing the picture again.
    void showEffect();
    void cropRectChanged();
    void visibleToolbarChanged();
    void imageChanged();
    void gridChanged();
    void historyChanged();
    void orientationChanged();
    // The touch surface's frame between the two toolbars; `extra` is taken off its height.
    platform::Rect surfaceFrame(float width, float extra);
    // Redraws the grid as it stands; `last` draws without showing (the frame to capture).
    void redrawGrid(bool last);
    // The message box of the screen: no title, one "OK" button.
    void showAlert(std::string_view message);
    // The orientation gate of picking, the camera and the settings screen.
    bool isPortrait() const;
    static platform::Button* buttonOf(platform::BarButtonItem* item);
    // The effect toolbar's button of a tool; null for a number that names no tool.
    platform::BarButtonItem* itemForEffect(Effect effect) const;

    PixelloKernel* kernel_;                           // not owned
    platform::Label* nameLabel_ = nullptr;            // held by the view tree
    platform::BarButtonItem* effectItem_ = nullptr;   // owned by the bottom toolbar
    platform::BarButtonItem* undoItem_ = nullptr;     // owned by the bottom toolbar
    platform::BarButtonItem* settingsItem_ = nullptr; // owned by the bottom toolbar
    platform::BarButtonItem* redoItem_ = nullptr;     // owned by the bottom toolbar
    std::shared_ptr<platform::Toolbar> toolbar_;
    std::shared_ptr<platform::Toolbar> bottomToolbar_;
    platform::BarButtonItem* freeItem_ = nullptr;   // owned by the effect toolbar
    platform::BarButtonItem* smudgeItem_ = nullptr; // owned by the effect toolbar
    platform::BarButtonItem* bumpItem_ = nullptr;   // owned by the effect toolbar
    platform::BarButtonItem* pinchItem_ = nullptr;  // owned by the effect toolbar
    platform::BarButtonItem* cropItem_ = nullptr;   // owned by the effect toolbar
    std::shared_ptr<platform::Toolbar> effectToolbar_;
    platform::BarButtonItem* cameraItem_ = nullptr; // owned by the top toolbar
    platform::BarButtonItem* pickItem_ = nullptr;   // owned by the top toolbar
    platform::BarButtonItem* saveItem_ = nullptr;   // owned by the bottom toolbar
    std::shared_ptr<platform::BarButtonItem> applyItem_;
    std::shared_ptr<GLView> glView_;
    std::shared_ptr<ZVKScrollView> scrollView_;
    platform::ActivityIndicatorView* indicator_ = nullptr; // held by the view tree
};
