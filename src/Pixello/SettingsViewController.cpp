#include "Pixello/SettingsViewController.h"

#include "Pixello/PixelloKernel.h"
#include "Pixello/PropertyNames.h"
#include "ZevkoCore/ZVKCommons.h"
#include "ZevkoCore/ZVKNavigationController.h"
#include "platform/base/Application.h"
#include "platform/base/Screen.h"

using platform::Color;
using platform::Control;
using platform::Label;
using platform::Rect;
using platform::Slider;

SettingsViewController::SettingsViewController(PixelloKernel* kernel)
    : kernel_(kernel), backItem_(std::make_shared<platform::BarButtonItem>(
                           ZVKLocalString("Back"), platform::BarButtonItem::Bordered, nullptr,
                           platform::BarButtonItem::Action())) {}

PixelloModel* SettingsViewController::model() const {
    return kernel_ != nullptr ? kernel_->model() : nullptr;
}

void SettingsViewController::loadView() {
    // The screen below the navigation bar.
    setView(std::make_shared<platform::View>(
        Rect(0, 0, platform::Screen::kWidth,
             platform::Screen::kHeight - ZVKNavigationController::kBarHeight)));
    view()->setBackgroundColor(Color::black());
    smallFont_ = platform::Font::fontWithName(ZVKLocalString("defaultFont"), 14);
    largeFont_ = platform::Font::fontWithName(ZVKLocalString("defaultBoldFont"), 18);

    smudgePower_ = addGroup("Smudge Power", 38, PixelloModel::kSmudgePowerRange,
                            &SettingsViewController::smudgePowerAction);
    smudgeWidth_ = addGroup("Smudge Width", 98, PixelloModel::kSmudgeWidthRange,
                            &SettingsViewController::smudgeWidthAction);
    bumpPower_ = addGroup("Bump Power", 198, PixelloModel::kBumpPowerRange,
                          &SettingsViewController::bumpPowerAction);
    pinchPower_ = addGroup("Pinch Power", 298, PixelloModel::kPinchPowerRange,
                           &SettingsViewController::pinchPowerAction);

    const auto supportFont = platform::Font::fontWithName(ZVKLocalString("defaultFont"), 18);
    supportLabel_ = addLabelWithText("WebsiteNsupport", Rect(25, 370, 270, 25), supportFont);
    // The address is chosen short enough to fit the label's 270 points at this size.
    URLLabel_ = addLabelWithText("supportURL", Rect(25, 390, 270, 25), supportFont);
    URLLabel_->setTextColor(kLinkColor);

    // An image-less button takes touches without drawing anything; added last, it lies over
    // both texts, so a tap anywhere on them opens the page.
    supportButton_ = std::make_shared<platform::Button>(Rect(10, 370, 300, 50));
    supportButton_->addTarget(this, &SettingsViewController::supportButtonPressed,
                              Control::TouchUpInside);
    view()->addSubview(supportButton_);
}

std::shared_ptr<Slider> SettingsViewController::addGroup(std::string_view title, float top,
                                                         PixelloModel::StrengthRange range,
                                                         Action action) {
    addLargeLabelWithText(title, Rect(0, top, platform::Screen::kWidth, 20));
    addSmallLabelWithText("Small", Rect(0, top + 42, 60, 20));
    addSmallLabelWithText("Large", Rect(260, top + 42, 60, 20));
    auto slider = std::make_shared<Slider>(Rect(25, top + 22, 270, 20));
    slider->setBackgroundColor(Color::clear());
    // One value when the finger lifts: every value sent changes the model and reaches every
    // delegate.
    slider->setContinuous(false);
    slider->setMinimumValue(range.minimum);
    slider->setMaximumValue(range.maximum);
    slider->addTarget(this, action, Control::ValueChanged);
    view()->addSubview(slider);
    return slider;
}

std::shared_ptr<Label>
SettingsViewController::addLabelWithText(std::string_view text, Rect frame,
                                         std::shared_ptr<const platform::Font> font) {
    auto label = std::make_shared<Label>(frame);
    label->setBackgroundColor(Color::clear());
    label->setFont(std::move(font));
    label->setText(ZVKLocalString(text));
    label->setTextAlignment(Label::Center);
    label->setTextColor(Color::white());
    view()->addSubview(label);
    return label;
}

std::shared_ptr<Label> SettingsViewController::addSmallLabelWithText(std::string_view text,
                                                                     Rect frame) {
    return addLabelWithText(text, frame, smallFont_);
}

std::shared_ptr<Label> SettingsViewController::addLargeLabelWithText(std::string_view text,
                                                                     Rect frame) {
    return addLabelWithText(text, frame, largeFont_);
}

std::shared_ptr<platform::NavigationItem>
SettingsViewController::prepareNavigationItem(std::shared_ptr<platform::NavigationItem> item) {
    if (item) {
        item->setBackBarButtonItem(backItem_);
        item->setTitle(ZVKLocalString("Settings"));
    }
    return item;
}

void SettingsViewController::viewWillAppear(bool animated) {
    (void)animated;
    // The navigation controller may announce the screen before it asks for the view; the
    // sliders must exist to take the values.
    view();
    for (const char* name : {PropertyName::kSmudgePower, PropertyName::kSmudgeWidth,
                             PropertyName::kBumpPower, PropertyName::kPinchPower}) {
        modelPropertyChanged(name);
    }
}

void SettingsViewController::modelPropertyChanged(const std::string& name) {
    const PixelloModel* m = model();
    // Notices arrive from start-up on; the sliders exist only once the view is built.
    if (m == nullptr || !isViewLoaded()) {
        return;
    }
    // The slider keeps a value outside its range at the nearest end; the model keeps its own
    // value until the slider is moved.
    if (name == PropertyName::kSmudgePower) {
        smudgePower_->setValue(m->smudgePower(), true);
    }
    if (name == PropertyName::kSmudgeWidth) {
        smudgeWidth_->setValue(m->smudgeWidth(), true);
    }
    if (name == PropertyName::kBumpPower) {
        bumpPower_->setValue(m->bumpPower(), true);
    }
    if (name == PropertyName::kPinchPower) {
        pinchPower_->setValue(m->pinchPower(), true);
    }
}

void SettingsViewController::smudgePowerAction(Control&) {
    if (PixelloModel* m = model()) {
        m->setSmudgePower(smudgePower_->value());
    }
}

void SettingsViewController::smudgeWidthAction(Control&) {
    if (PixelloModel* m = model()) {
        m->setSmudgeWidth(smudgeWidth_->value());
    }
}

void SettingsViewController::bumpPowerAction(Control&) {
    if (PixelloModel* m = model()) {
        m->setBumpPower(bumpPower_->value());
    }
}

void SettingsViewController::pinchPowerAction(Control&) {
    if (PixelloModel* m = model()) {
        m->setPinchPower(pinchPower_->value());
    }
}

void SettingsViewController::supportButtonPressed(Control&) {
    // The application refuses anything but a web address, so a broken translation opens
    // nothing.
    if (kernel_ != nullptr && kernel_->application() != nullptr) {
        kernel_->application()->openURL(ZVKLocalString("supportURL"));
    }
}
