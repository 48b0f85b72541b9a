#pragma once

#include "Pixello/PixelloModel.h"
#include "ZevkoCore/ZVKApplicationModelDelegate.h"
#include "ZevkoCore/ZVKViewController.h"
#include "platform/base/Color.h"
#include "platform/base/Geometry.h"
#include "platform/graphics/Font.h"
#include "platform/ui/widgets/BarButtonItem.h"
#include "platform/ui/widgets/Button.h"
#include "platform/ui/widgets/Label.h"
#include "platform/ui/widgets/Slider.h"

#include <memory>
#include <string>
#include <string_view>

class PixelloKernel;
class PixelloModel;

// The settings screen: a slider for each of the four effect strengths and a link to the
// support page. A slider writes its value into the model only when the finger is released;
// every strength notice moves the slider to what the model holds, and so does every
// appearance, so the screen always shows the stored values (one outside a slider's range at
// the slider's nearest end).
class SettingsViewController : public ZVKViewController, public ZVKApplicationModelDelegate {
public:
    // The address is drawn blue, as links are.
    static constexpr platform::Color kLinkColor{0.0f, 0.0f, 1.0f, 1.0f};

    // `kernel` is not owned: the kernel owns this screen and outlives it. The view is built
    // when it is first needed.
    explicit SettingsViewController(PixelloKernel* kernel);

    // Gives the screen's bar item the "Back" button and the title "Settings".
    std::shared_ptr<platform::NavigationItem>
    prepareNavigationItem(std::shared_ptr<platform::NavigationItem> item) override;
    // Shows the model's four strengths on the sliders.
    void viewWillAppear(bool animated) override;
    // Moves the slider of a strength that changed; other names are ignored.
    void modelPropertyChanged(const std::string& name) override;

    // Slider actions: the released slider's value becomes the model's strength.
    void smudgePowerAction(platform::Control& sender);
    void smudgeWidthAction(platform::Control& sender);
    void bumpPowerAction(platform::Control& sender);
    void pinchPowerAction(platform::Control& sender);
    // Opens the localised support address.
    void supportButtonPressed(platform::Control& sender);

    PixelloKernel* kernel() const { return kernel_; }
    const std::shared_ptr<platform::BarButtonItem>& backItem() const { return backItem_; }
    // The elements of the view; nullptr until the view is built.
    const std::shared_ptr<platform::Slider>& smudgePower() const { return smudgePower_; }
    const std::shared_ptr<platform::Slider>& smudgeWidth() const { return smudgeWidth_; }
    const std::shared_ptr<platform::Slider>& bumpPower() const { return bumpPower_; }
    const std::shared_ptr<platform::Slider>& pinchPower() const { return pinchPower_; }
    const std::shared_ptr<platform::Label>& supportLabel() const { return supportLabel_; }
    const std::shared_ptr<platform::Label>& URLLabel() const { return URLLabel_; }
    const std::shared_ptr<platform::Button>& supportButton() const { return supportButton_; }

protected:
    // Root view, the four groups (title, "Small", "Large", slider), the two support texts and
    // the invisible button over them, in that order.
    void loadView() override;

    // A centred white label on a clear background with the localised `text`, added to the
    // root view.
    std::shared_ptr<platform::Label> addLabelWithText(std::string_view text, platform::Rect frame,
                                                      std::shared_ptr<const platform::Font> font);
    // With the regular font at 14 points (the ends of a slider).
    std::shared_ptr<platform::Label> addSmallLabelWithText(std::string_view text,
                                                           platform::Rect frame);
    // With the bold font at 18 points (a group's title).
    std::shared_ptr<platform::Label> addLargeLabelWithText(std::string_view text,
                                                           platform::Rect frame);

private:
    using Action = void (SettingsViewController::*)(platform::Control&);
    // One group: title, the two end labels and the slider, `top` being the title's y.
    std::shared_ptr<platform::Slider> addGroup(std::string_view title, float top,
                                               PixelloModel::StrengthRange range, Action action);
    PixelloModel* model() const;

    PixelloKernel* kernel_; // not owned: the kernel owns this screen
    std::shared_ptr<platform::BarButtonItem> backItem_;
    std::shared_ptr<platform::Slider> smudgePower_;
    std::shared_ptr<platform::Slider> smudgeWidth_;
    std::shared_ptr<platform::Slider> bumpPower_;
    std::shared_ptr<platform::Slider> pinchPower_;
    std::shared_ptr<platform::Label> supportLabel_;
    std::shared_ptr<platform::Label> URLLabel_;
    std::shared_ptr<platform::Button> supportButton_;
    // Shared by all labels of one kind, so each face is opened once.
    std::shared_ptr<const platform::Font> smallFont_;
    std::shared_ptr<const platform::Font> largeFont_;
};
