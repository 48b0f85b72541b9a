#include "Pixello/MainViewController.h"

#include "Pixello/CropGeometry.h"
#include "Pixello/MainScreenLayout.h"
#include "Pixello/PixelloKernel.h"
#include "Pixello/PropertyNames.h"
#include "ZevkoCore/ZVKCommons.h"
#include "platform/base/AffineTransform.h"
#include "platform/base/Bundle.h"
#include "platform/base/Color.h"
#include "platform/base/Log.h"
#include "platform/graphics/Font.h"
#include "platform/graphics/Image.h"
#include "platform/ui/Animation.h"
#include "platform/ui/widgets/ActivityIndicatorView.h"
#include "platform/ui/widgets/AlertView.h"
#include "platform/ui/widgets/Button.h"
#include "platform/ui/widgets/Label.h"
#include "platform/ui/widgets/Toolbar.h"

#include <algorithm>

namespace {

constexpr float kToolbarHeight = MainScreenLayout::kToolbarHeight;

const platform::Color kToolbarTint{0.5f, 0.5f, 0.0f, 1.0f};

} // namespace

MainViewController::~MainViewController() {
    // The surface may outlive this controller inside a view tree someone else still holds.
    if (scrollView_) {
        scrollView_->setDelegate(nullptr);
    }
}

platform::Button* MainViewController::buttonOf(platform::BarButtonItem* item) {
    return item ? dynamic_cast<platform::Button*>(item->customView().get()) : nullptr;
}

std::shared_ptr<platform::BarButtonItem> MainViewController::itemWithName(const std::string& name,
                                                                          Action action) {
    auto button = std::make_shared<platform::Button>(platform::Rect{0.0f, 0.0f, 40.0f, 30.0f});
    button->setImage(platform::Image::named(name + "ItemImage.png"), platform::Control::Normal);
    button->setImage(platform::Image::named(name + "ItemPressed.png"),
                     platform::Control::Highlighted);
    button->setImage(platform::Image::named(name + "ItemActive.png"), platform::Control::Selected);
    auto item = std::make_shared<platform::BarButtonItem>(button);
    // The item owns the button, so the button's action may name the item without holding it.
    platform::BarButtonItem* sender = item.get();
    button->addTarget(
        static_cast<const void*>(this),
        [this, action, sender](platform::Control&) { (this->*action)(sender); },
        platform::Control::TouchUpInside);
    return item;
}

platform::Rect MainViewController::surfaceFrame(float width, float extra) {
    const float tH = toolbar_->bounds().height();
    const float vH = view()->bounds().height();
    const float bH = bottomToolbar_->bounds().height();
    return {0.0f, tH - 1.0f, width, 1.0f + vH - tH - bH - extra};
}

void MainViewController::loadView() {
    PixelloModel& model = *kernel_->model();
    const MainScreenLayout portrait =
        *MainScreenLayout::forOrientation(platform::DeviceOrientation::Portrait);
    const platform::Rect frame = MainScreenLayout::viewFrame();
    auto root = std::make_shared<platform::View>(frame);
    root->setBackgroundColor(platform::Color::black());
    setView(root);
    root->setCenter(
        {frame.origin.x + frame.width() / 2.0f, frame.origin.y + frame.height() / 2.0f});

    auto camera = itemWithName("camera", &MainViewController::cameraAction);
    auto pick = itemWithName("pick", &MainViewController::pickAction);
    cameraItem_ = camera.get();
    pickItem_ = pick.get();
    // One flexible space stands in both the top and the bottom toolbar.
    auto space = std::make_shared<platform::BarButtonItem>(
        platform::BarButtonItem::SystemItem::FlexibleSpace);

    toolbar_ = std::make_shared<platform::Toolbar>(
        platform::Rect{0.0f, -1.0f, portrait.width, kToolbarHeight});
    toolbar_->setTintColor(kToolbarTint);
    toolbar_->setItems({camera, space, pick});
    root->addSubview(toolbar_);

    auto label =
        std::make_shared<platform::Label>(platform::Rect{0.0f, 10.0f, portrait.width, 30.0f});
    label->setBackgroundColor(platform::Color::clear());
    label->setTextAlignment(platform::Label::Center);
    label->setFont(platform::Font::fontWithName(ZVKCommons::localString("defaultBoldFont"), 20.0f));
    label->setTextColor(platform::Color::white());
    label->setText(platform::Bundle::main().infoValue("CFBundleDisplayName").value_or(""));
    nameLabel_ = label.get();
    toolbar_->addSubview(std::move(label));

    applyItem_ = std::make_shared<platform::BarButtonItem>(
        ZVKLocalString("Apply"), platform::BarButtonItem::Done, static_cast<const void*>(this),
        [this](platform::BarButtonItem& sender) { applyAction(&sender); });

    auto effect = itemWithName("free", &MainViewController::effectAction);
    auto undo = itemWithName("undo", &MainViewController::undoAction);
    auto redo = itemWithName("redo", &MainViewController::redoAction);
    auto settings = itemWithName("settings", &MainViewController::settingsAction);
    auto save = itemWithName("save", &MainViewController::saveAction);
    effectItem_ = effect.get();
    undoItem_ = undo.get();
    redoItem_ = redo.get();
    settingsItem_ = settings.get();
    saveItem_ = save.get();

    bottomToolbar_ = std::make_shared<platform::Toolbar>(
        platform::Rect{0.0f, portrait.bottomToolbarY, portrait.width, kToolbarHeight});
    bottomToolbar_->setItems({effect, undo, redo, space, settings, save});
    bottomToolbar_->setTintColor(kToolbarTint);
    root->addSubview(bottomToolbar_);

    const std::optional<platform::Picture> picture = model.image();
    const platform::Size size = picture ? picture->size() : platform::Size{};
    // Without a picture the view still needs a drawable; it takes the picture's size as soon
    // as one arrives.
    glView_ = GLView::create({0.0f, 0.0f, std::max(size.width, 1.0f), std::max(size.height, 1.0f)});
    if (glView_) {
        bool shown = false;
        if (const platform::PixelBuffer& data = model.dataRef(); data && picture) {
            shown = glView_->loadSpriteData(data, size.width, size.height);
            model.setDataRef(nullptr);
        } else {
            shown = glView_->loadSpriteImage(picture ? &*picture : nullptr);
        }
        glView_->setGrid(model.grid());
        glView_->setMultipleTouchEnabled(true);
        // No picture, or one GL cannot hold, nothing to show: the picture area stays black.
        glView_->setHidden(!shown);
    }

    const platform::Size contentSize = glView_ ? glView_->bounds().size : platform::Size{};
    scrollView_ = std::make_shared<ZVKScrollView>(
        surfaceFrame(portrait.width, portrait.surfaceInset), contentSize);
    scrollView_->setBackgroundColor(platform::Color::black());
    scrollView_->setDelegate(this);
    // Strokes are reported while the finger moves.
    scrollView_->setSendMessagesAfterReleasingOnly(false);
    scrollView_->setMaxTouches(kMaxTouches);
    scrollView_->setOptimizeTouches(false);
    scrollView_->setMinZoom(kMinZoom);
    scrollView_->setMaxZoom(kMaxZoom);
    if (glView_) {
        scrollView_->addSubview(glView_);
    }
    root->addSubview(scrollView_);

    auto free = itemWithName("free", &MainViewController::freeAction);
    auto smudge = itemWithName("smudge", &MainViewController::smudgeAction);
    auto bump = itemWithName("bump", &MainViewController::bumpAction);
    auto pinch = itemWithName("pinch", &MainViewController::pinchAction);
    auto crop = itemWithName("crop", &MainViewController::cropAction);
    freeItem_ = free.get();
    smudgeItem_ = smudge.get();
    bumpItem_ = bump.get();
    pinchItem_ = pinch.get();
    cropItem_ = crop.get();

    effectToolbar_ = std::make_shared<platform::Toolbar>(
        platform::Rect{0.0f, portrait.effectToolbarY, portrait.width, kToolbarHeight});
    effectToolbar_->setItems({smudge, bump, pinch, free, crop});
    effectToolbar_->setTintColor(kToolbarTint);
    effectToolbar_->setAlpha(0.0f);
    root->addSubview(effectToolbar_);

    auto indicator = std::make_shared<platform::ActivityIndicatorView>(
        platform::ActivityIndicatorView::WhiteLarge);
    indicator->setFrame(portrait.indicatorFrame);
    indicator_ = indicator.get();
    root->addSubview(std::move(indicator));

    model.setCropRect(CropGeometry::initialCropRect(size));
    modelPropertyChanged(PropertyName::kHistory);
    modelPropertyChanged(PropertyName::kVisibleToolbar);
    // The first frame is drawn once, below, with everything in place.
    showEffect();
    if (glView_) {
        glView_->drawView();
    }
}

platform::BarButtonItem* MainViewController::itemForRole(std::string_view role) const {
    const std::pair<std::string_view, platform::BarButtonItem*> roles[] = {
        {"effect", effectItem_},     {"undo", undoItem_},     {"redo", redoItem_},
        {"settings", settingsItem_}, {"save", saveItem_},     {"camera", cameraItem_},
        {"pick", pickItem_},         {"smudge", smudgeItem_}, {"bump", bumpItem_},
        {"pinch", pinchItem_},       {"free", freeItem_},     {"crop", cropItem_},
        {"apply", applyItem_.get()},
    };
    for (const auto& [name, item] : roles) {
        if (name == role) {
            return item;
        }
    }
    return nullptr;
}

platform::Toolbar* MainViewController::toolbarForItem(const platform::BarButtonItem& item) const {
    for (platform::Toolbar* bar : {toolbar_.get(), bottomToolbar_.get(), effectToolbar_.get()}) {
        if (bar == nullptr) {
            continue;
        }
        const auto& items = bar->items();
        if (std::any_of(items.begin(), items.end(),
                        [&item](const auto& shown) { return shown.get() == &item; })) {
            return bar;
        }
    }
    return nullptr;
}

// MARK: actions

void MainViewController::freeAction(platform::BarButtonItem*) {
    kernel_->model()->setEffect(Effect::Free);
    kernel_->model()->setVisibleToolbar(VisibleToolbar::None);
}

void MainViewController::smudgeAction(platform::BarButtonItem*) {
    kernel_->model()->setEffect(Effect::Smudge);
    kernel_->model()->setVisibleToolbar(VisibleToolbar::None);
}

void MainViewController::bumpAction(platform::BarButtonItem*) {
    kernel_->model()->setEffect(Effect::Bump);
    kernel_->model()->setVisibleToolbar(VisibleToolbar::None);
}

void MainViewController::pinchAction(platform::BarButtonItem*) {
    kernel_->model()->setEffect(Effect::Pinch);
    kernel_->model()->setVisibleToolbar(VisibleToolbar::None);
}

void MainViewController::cropAction(platform::BarButtonItem*) {
    kernel_->model()->setEffect(Effect::Crop);
    kernel_->model()->setVisibleToolbar(VisibleToolbar::None);
}

void MainViewController::applyAction(platform::BarButtonItem*) {
    // Back to smudge first: the crop frame and the Apply item go, the crop rectangle stays
    // in the model for the crop itself.
    kernel_->model()->setEffect(Effect::Smudge);
    kernel_->model()->setVisibleToolbar(VisibleToolbar::None);
    kernel_->applyCrop();
}

void MainViewController::effectAction(platform::BarButtonItem*) {
    PixelloModel& model = *kernel_->model();
    model.setVisibleToolbar(model.visibleToolbar() == VisibleToolbar::Effects
                                ? VisibleToolbar::None
                                : VisibleToolbar::Effects);
}

void MainViewController::actionsAction(platform::BarButtonItem*) {
    PixelloModel& model = *kernel_->model();
    model.setVisibleToolbar(model.visibleToolbar() == VisibleToolbar::Actions
                                ? VisibleToolbar::None
                                : VisibleToolbar::Actions);
}

void MainViewController::undoAction(platform::BarButtonItem*) {
    kernel_->model()->undoImage();
}

void MainViewController::redoAction(platform::BarButtonItem*) {
    kernel_->model()->redoImage();
}

void MainViewController::saveAction(platform::BarButtonItem*) {
    kernel_->saveImage();
    kernel_->model()->setVisibleToolbar(VisibleToolbar::None);
}

void MainViewController::pickAction(platform::BarButtonItem*) {
    if (!isPortrait()) {
        showAlert("Rotate device to protarit orientation to pick image.");
        return;
    }
    kernel_->pickImageFromPhotoLibrary();
    kernel_->model()->setVisibleToolbar(VisibleToolbar::None);
}

void MainViewController::settingsAction(platform::BarButtonItem*) {
    if (!isPortrait()) {
        showAlert("Rotate device to protarit orientation to open settings.");
        return;
    }
    kernel_->openSettings();
}

void MainViewController::cameraAction(platform::BarButtonItem*) {
    if (!isPortrait()) {
        showAlert("Rotate device to protarit orientation to use camera.");
        return;
    }
    kernel_->pickImageFromCamera();
    kernel_->model()->setVisibleToolbar(VisibleToolbar::None);
}

bool MainViewController::isPortrait() const {
    return kernel_->model()->orientation() == platform::DeviceOrientation::Portrait;
}

void MainViewController::showAlert(std::string_view message) {
    platform::Window* window = kernel_->window();
    if (window == nullptr) {
        return;
    }
    // The window keeps a shown alert until the user dismisses it.
    std::make_shared<platform::AlertView>("", ZVKLocalString(message), ZVKLocalString("OK"))
        ->show(*window);
}

platform::BarButtonItem* MainViewController::itemForEffect(Effect effect) const {
    switch (effect) {
    case Effect::Free:
        return freeItem_;
    case Effect::Smudge:
        return smudgeItem_;
    case Effect::Bump:
        return bumpItem_;
    case Effect::Pinch:
        return pinchItem_;
    case Effect::Crop:
        return cropItem_;
    }
    return nullptr;
}

void MainViewController::copyToEffectFrom(platform::BarButtonItem* item) {
    platform::Button* target = buttonOf(effectItem_);
    platform::Button* source = buttonOf(item);
    if (target == nullptr || source == nullptr) {
        return;
    }
    target->setSelected(true);
    source->setSelected(true);
    for (const unsigned state :
         {platform::Control::Normal, platform::Control::Highlighted, platform::Control::Selected}) {
        target->setImage(source->imageForState(state), state);
    }
}

// MARK: model notices

void MainViewController::modelPropertyChanged(const std::string& name) {
    // Notices that come before the screen exists find nothing to update; loadView replays
    // the ones it needs.
    if (!isViewLoaded()) {
        return;
    }
    if (name == PropertyName::kEffect) {
        effectChanged();
    }
    if (name == PropertyName::kCropRect) {
        cropRectChanged();
    }
    if (name == PropertyName::kVisibleToolbar) {
        visibleToolbarChanged();
    }
    if (name == PropertyName::kImage) {
        imageChanged();
    }
    if (name == PropertyName::kGrid) {
        gridChanged();
    }
    if (name == PropertyName::kHistory) {
        historyChanged();
    }
    if (name == PropertyName::kOrientation) {
        orientationChanged();
    }
}

void MainViewController::effectChanged() {
    showEffect();
    if (glView_) {
        glView_->drawView();
    }
}

void MainViewController::showEffect() {
    PixelloModel& model = *kernel_->model();
    const Effect effect = model.effect();

    platform::Animation::beginAnimations("MainViewController::effect");
    for (const auto& item : effectToolbar_->items()) {
        if (platform::Button* button = buttonOf(item.get())) {
            button->setSelected(false);
        }
    }
    // Free pans and zooms; crop drags an edge under the finger and pans or zooms elsewhere.
    using Mode = ZVKScrollView::TrackingMode;
    scrollView_->setTrackingMode(effect == Effect::Free   ? Mode::Always
                                 : effect == Effect::Crop ? Mode::Ask
                                                          : Mode::Never);
    copyToEffectFrom(itemForEffect(effect));
    platform::Animation::commitAnimations();

    if (glView_) {
        glView_->setShade(effect == Effect::Crop);
        glView_->setShadeRect(model.cropRect());
    }

    std::vector<std::shared_ptr<platform::BarButtonItem>> items = bottomToolbar_->items();
    const bool applyShown = items.size() > kApplyIndex && items[kApplyIndex] == applyItem_;
    if (effect == Effect::Crop && !applyShown) {
        items.insert(items.begin() +
                         static_cast<std::ptrdiff_t>(std::min(kApplyIndex, items.size())),
                     applyItem_);
    } else if (effect != Effect::Crop && applyShown) {
        items.erase(items.begin() + static_cast<std::ptrdiff_t>(kApplyIndex));
    }
    bottomToolbar_->setItems(std::move(items), true);
}

void MainViewController::cropRectChanged() {
    if (!glView_) {
        return;
    }
    glView_->setShadeRect(kernel_->model()->cropRect());
    if (glView_->shade()) {
        glView_->drawView();
    }
}

void MainViewController::visibleToolbarChanged() {
    const bool open = kernel_->model()->visibleToolbar() == VisibleToolbar::Effects;
    platform::Animation::beginAnimations("MainViewController::visibleToolbar");
    effectToolbar_->setAlpha(open ? 1.0f : 0.0f);
    platform::Animation::commitAnimations();
    effectItem_->setStyle(open ? platform::BarButtonItem::Done : platform::BarButtonItem::Bordered);
}

void MainViewController::imageChanged() {
    PixelloModel& model = *kernel_->model();
    const std::optional<platform::Picture> picture = model.image();
    const platform::Size size = picture ? picture->size() : platform::Size{};
    model.setCropRect(CropGeometry::initialCropRect(size));
    if (!glView_) {
        return;
    }
    // A history whose file is gone has no picture: the picture area goes black and the
    // surface keeps nothing to pan.
    bool shown = false;
    if (picture) {
        const platform::PixelBuffer& data = model.dataRef();
        shown = data ? glView_->loadSpriteData(data, size.width, size.height)
                     : glView_->loadSpriteImage(&*picture);
        // The texture holds the pixels now (or never will); the model lets go of them.
        model.setDataRef(nullptr);
        if (!shown) {
            // The old texture must not stay: it would be shown stretched, and the next
            // stroke would store it.
            constexpr const char* kCannotShow = "This picture cannot be shown.";
            platform::logFormatted("%s (%g x %g pixels)", kCannotShow,
                                   static_cast<double>(size.width),
                                   static_cast<double>(size.height));
            showAlert(kCannotShow);
        }
    }
    glView_->setHidden(!shown);
    if (!shown) {
        model.setDataRef(nullptr);
        glView_->clearSprite();
        model.setShouldDraw(true);
        return;
    }
    glView_->resize({0.0f, 0.0f, size.width, size.height});
    model.grid()->rehandle();
    if (model.shouldDraw()) {
        glView_->drawView();
    }
    model.setShouldDraw(true);
    scrollView_->resizeContent(glView_->bounds().size);
}

void MainViewController::gridChanged() {
    if (!glView_) {
        return;
    }
    glView_->setGrid(kernel_->model()->grid());
    glView_->drawView();
}

void MainViewController::historyChanged() {
    PixelloModel& model = *kernel_->model();
    if (platform::Button* undo = buttonOf(undoItem_)) {
        undo->setEnabled(model.undoImageAllowed());
    }
    if (platform::Button* redo = buttonOf(redoItem_)) {
        redo->setEnabled(model.redoImageAllowed());
    }
}

void MainViewController::orientationChanged() {
    const std::optional<MainScreenLayout> layout =
        MainScreenLayout::forOrientation(kernel_->model()->orientation());
    if (!layout) {
        return;
    }
    platform::Animation::beginAnimations("orient");
    nameLabel_->setFrame({0.0f, 10.0f, layout->width, 30.0f});
    view()->setBounds(layout->bounds);
    indicator_->setFrame(layout->indicatorFrame);
    toolbar_->setFrame({0.0f, -1.0f, layout->width, kToolbarHeight});
    bottomToolbar_->setFrame({0.0f, layout->bottomToolbarY, layout->width, kToolbarHeight});
    effectToolbar_->setFrame({0.0f, layout->effectToolbarY, layout->width, kToolbarHeight});
    scrollView_->setFrame(surfaceFrame(layout->width, layout->surfaceInset));
    scrollView_->resizeContent(scrollView_->contentSize());
    view()->setTransform(platform::AffineTransform::makeRotation(layout->angle));
    platform::Animation::commitAnimations();
}

// MARK: touches

std::optional<bool> MainViewController::scrollViewShouldTrackTouchFromPoint(ZVKScrollView& view,
                                                                            const ZVKPoint&,
                                                                            const ZVKPoint& to) {
    return !CropGeometry::isOnCropEdge(to.cgPoint(), kernel_->model()->cropRect(), view.zoom());
}

void MainViewController::scrollViewWasIncrementTouchedFromPoint(ZVKScrollView& view,
                                                                const ZVKPoint& from,
                                                                const ZVKPoint& to) {
    PixelloModel& model = *kernel_->model();
    if (model.effect() == Effect::Crop) {
        const std::optional<platform::Picture> picture = model.image();
        const platform::Size size = picture ? picture->size() : platform::Size{};
        model.setCropRect(CropGeometry::dragCropRect(model.cropRect(), from.cgPoint(), to.cgPoint(),
                                                     size, view.zoom()));
        model.cropRectModified();
    }
    if (model.effect() == Effect::Smudge) {
        kernel_->applySmudgeFrom(from, to);
    }
}

void MainViewController::redrawGrid(bool last) {
    if (last && glView_) {
        glView_->setPresent(false);
    }
    kernel_->model()->gridModified();
    if (glView_) {
        glView_->setPresent(true);
    }
}

void MainViewController::scrollViewWasTouchedFromPoint(ZVKScrollView&, const ZVKPoint&,
                                                       const ZVKPoint&, bool finished) {
    if (kernel_->model()->effect() != Effect::Smudge) {
        return;
    }
    redrawGrid(finished);
    if (finished) {
        kernel_->finishSmudge();
    }
}

void MainViewController::scrollViewWasMultiTouchedFromPoints(ZVKScrollView&,
                                                             const std::vector<ZVKPoint>& from,
                                                             const std::vector<ZVKPoint>& to,
                                                             bool finished) {
    if (kernel_->model()->effect() == Effect::Bump) {
        kernel_->applyBumpFrom(from, to);
        redrawGrid(finished);
        if (finished) {
            kernel_->finishBump();
        }
    }
    if (kernel_->model()->effect() == Effect::Pinch) {
        kernel_->applyPinchFrom(from, to);
        redrawGrid(finished);
        if (finished) {
            kernel_->finishPinch();
        }
    }
}
