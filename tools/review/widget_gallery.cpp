// Renders the platform widgets headless into PNG pictures for review: the editor's main
// screen, the settings screen under a navigation bar, alerts and the widget states, each at
// scales 1, 2 and 3.
//
//   widget_gallery [OUTPUT_DIRECTORY]      (default: ./gallery)

#include "platform/base/Localization.h"
#include "platform/base/RunLoop.h"
#include "platform/gl/GLContext.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/PictureCodec.h"
#include "platform/render/Compositor.h"
#include "platform/ui/Window.h"
#include "platform/ui/widgets/ActivityIndicatorView.h"
#include "platform/ui/widgets/AlertView.h"
#include "platform/ui/widgets/BarButtonItem.h"
#include "platform/ui/widgets/Button.h"
#include "platform/ui/widgets/Label.h"
#include "platform/ui/widgets/NavigationBar.h"
#include "platform/ui/widgets/Slider.h"
#include "platform/ui/widgets/Toolbar.h"

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

namespace {

using namespace platform;

const Color kOlive{0.5f, 0.5f, 0.0f, 1.0f};

std::string text(const char* key) {
    return Localization::localizedString(key);
}

std::shared_ptr<BarButtonItem> toolItem(const std::string& name) {
    auto button = std::make_shared<Button>(Rect(0, 0, 40, 30));
    button->setImage(Image::named(name + "ItemImage.png"), Control::Normal);
    button->setImage(Image::named(name + "ItemPressed.png"), Control::Highlighted);
    button->setImage(Image::named(name + "ItemActive.png"), Control::Selected);
    return std::make_shared<BarButtonItem>(button);
}

Button& buttonOf(const BarButtonItem& item) {
    return static_cast<Button&>(*item.customView());
}

std::shared_ptr<Toolbar> toolbar(Rect frame, std::vector<std::shared_ptr<BarButtonItem>> items) {
    auto bar = std::make_shared<Toolbar>(frame);
    bar->setTintColor(kOlive);
    bar->setItems(std::move(items), false);
    return bar;
}

// The main editing screen in crop mode with the tool palette open.
std::shared_ptr<Window> mainScreen() {
    auto window = std::make_shared<Window>();
    window->setBackgroundColor(Color::black());
    auto root = std::make_shared<View>(Rect(0, 20, 320, 460));
    root->setBackgroundColor(Color::black());
    window->addSubview(root);

    const auto flexible = std::make_shared<BarButtonItem>(BarButtonItem::SystemItem::FlexibleSpace);
    auto top = toolbar({0, -1, 320, 47}, {toolItem("camera"), flexible, toolItem("pick")});
    auto name = std::make_shared<Label>(Rect(0, 10, 320, 30));
    name->setTextAlignment(Label::Center);
    name->setFont(Font::fontWithName(text("defaultBoldFont"), 20));
    name->setTextColor(Color::white());
    name->setText("Pixello");
    top->addSubview(name);
    root->addSubview(top);

    auto effect = toolItem("crop");
    buttonOf(*effect).setSelected(true);
    auto redo = toolItem("redo");
    buttonOf(*redo).setEnabled(false);
    auto apply = std::make_shared<BarButtonItem>(text("Apply"), BarButtonItem::Done, nullptr,
                                                 BarButtonItem::Action());
    root->addSubview(toolbar({0, 413, 320, 47}, {effect, toolItem("undo"), redo, apply, flexible,
                                                 toolItem("settings"), toolItem("save")}));

    auto picture = std::make_shared<View>(Rect(0, 46, 320, 367));
    picture->setBackgroundColor(Color{0.35f, 0.45f, 0.55f, 1.0f});
    root->addSubview(picture);

    auto crop = toolItem("crop");
    buttonOf(*crop).setSelected(true);
    root->addSubview(toolbar({0, 366, 320, 47}, {toolItem("smudge"), toolItem("bump"),
                                                 toolItem("pinch"), toolItem("free"), crop}));

    auto indicator = std::make_shared<ActivityIndicatorView>(ActivityIndicatorView::WhiteLarge);
    indicator->setFrame(Rect(100, 180, 120, 120));
    indicator->startAnimating();
    root->addSubview(indicator);
    return window;
}

std::shared_ptr<Label> settingsLabel(View& root, const char* key, Rect frame, float size, bool bold,
                                     Color color = Color::white()) {
    auto label = std::make_shared<Label>(frame);
    label->setBackgroundColor(Color::clear());
    label->setFont(Font::fontWithName(text(bold ? "defaultBoldFont" : "defaultFont"), size));
    label->setText(text(key));
    label->setTextAlignment(Label::Center);
    label->setTextColor(color);
    root.addSubview(label);
    return label;
}

// The settings screen under the navigation bar, as it shows after a push.
std::shared_ptr<Window> settingsScreen() {
    auto window = std::make_shared<Window>();
    window->setBackgroundColor(Color::black());
    auto navigation = std::make_shared<NavigationBar>(Rect(0, 0, 320, 65));
    navigation->pushNavigationItem(std::make_shared<NavigationItem>(""), false);
    navigation->pushNavigationItem(std::make_shared<NavigationItem>(text("Settings")), false);
    window->addSubview(navigation);

    auto root = std::make_shared<View>(Rect(0, 65, 320, 415));
    root->setBackgroundColor(Color::black());
    window->addSubview(root);
    struct Group {
        const char* title;
        float y;
        float minimum, maximum, value;
    };
    const Group groups[] = {{"Smudge Power", 38, 0.05f, 0.2f, 0.11f},
                            {"Smudge Width", 98, 20, 50, 28},
                            {"Bump Power", 198, 5, 15, 10},
                            {"Pinch Power", 298, 5, 15, 14}};
    for (const Group& g : groups) {
        settingsLabel(*root, g.title, {0, g.y, 320, 20}, 18, true);
        settingsLabel(*root, "Small", {0, g.y + 42, 60, 20}, 14, false);
        settingsLabel(*root, "Large", {260, g.y + 42, 60, 20}, 14, false);
        auto slider = std::make_shared<Slider>(Rect(25, g.y + 22, 270, 20));
        slider->setBackgroundColor(Color::clear());
        slider->setContinuous(false);
        slider->setMinimumValue(g.minimum);
        slider->setMaximumValue(g.maximum);
        slider->setValue(g.value, false);
        root->addSubview(slider);
    }
    settingsLabel(*root, "WebsiteNsupport", {25, 370, 270, 25}, 18, false);
    settingsLabel(*root, "supportURL", {25, 390, 270, 25}, 18, false, {0.3f, 0.55f, 1.0f, 1.0f});
    return window;
}

std::shared_ptr<Window> alertScreen() {
    auto window = mainScreen();
    auto alert = std::make_shared<AlertView>(
        "", text("Rotate device to protarit orientation to pick image."), text("OK"));
    alert->show(*window);
    auto queued = std::make_shared<AlertView>(text("Photo library is currently unavailable."), "",
                                              text("OK"));
    queued->show(*window);
    return window;
}

std::shared_ptr<Window> waitAlertScreen() {
    auto window = mainScreen();
    auto alert = std::make_shared<AlertView>(text("Please, wait..."), "", "");
    auto indicator = std::make_shared<ActivityIndicatorView>(ActivityIndicatorView::WhiteLarge);
    indicator->setCenter({140, 35});
    indicator->startAnimating();
    alert->addSubview(indicator);
    alert->show(*window);
    return window;
}

// Every state of the buttons and bar items side by side.
std::shared_ptr<Window> statesScreen() {
    auto window = std::make_shared<Window>();
    window->setBackgroundColor(Color{0.2f, 0.2f, 0.2f, 1.0f});
    const char* captions[] = {"normal", "highlighted", "selected", "disabled"};
    for (int row = 0; row < 4; ++row) {
        auto item = toolItem("smudge");
        Button& b = buttonOf(*item);
        b.setHighlighted(row == 1);
        b.setSelected(row == 2);
        b.setEnabled(row != 3);
        auto plain = std::make_shared<BarButtonItem>("Plain", BarButtonItem::Plain, nullptr,
                                                     BarButtonItem::Action());
        auto bordered = std::make_shared<BarButtonItem>("Bordered", BarButtonItem::Bordered,
                                                        nullptr, BarButtonItem::Action());
        auto done = std::make_shared<BarButtonItem>("Done", BarButtonItem::Done, nullptr,
                                                    BarButtonItem::Action());
        bordered->setEnabled(row != 3);
        auto bar = toolbar({0, 20.0f + 56.0f * static_cast<float>(row), 320, 44},
                           {item, plain, bordered, done});
        if (row == 1) {
            for (const auto& titled : {plain, bordered, done}) {
                static_cast<Control*>(bar->viewForItem(*titled))->setHighlighted(true);
            }
        }
        window->addSubview(bar);
        auto caption = std::make_shared<Label>(Rect(250, 30.0f + 56.0f * row, 66, 24));
        caption->setFont(Font::systemFontOfSize(11));
        caption->setTextColor(Color::white());
        caption->setTextAlignment(Label::Right);
        caption->setText(captions[row]);
        window->addSubview(caption);
    }
    auto navigation = std::make_shared<NavigationBar>(Rect(0, 250, 320, 44));
    navigation->setTintColor(kOlive);
    navigation->pushNavigationItem(std::make_shared<NavigationItem>("Main screen"), false);
    navigation->pushNavigationItem(std::make_shared<NavigationItem>("A long title that is cut"),
                                   false);
    window->addSubview(navigation);

    float y = 310;
    for (bool enabled : {true, false}) {
        auto slider = std::make_shared<Slider>(Rect(25, y, 270, 23));
        slider->setValue(enabled ? 0.3f : 0.8f);
        slider->setEnabled(enabled);
        window->addSubview(slider);
        y += 34;
    }
    const int alignments[] = {Label::Left, Label::Center, Label::Right};
    for (int alignment : alignments) {
        auto label = std::make_shared<Label>(Rect(10, y, 300, 22));
        label->setBackgroundColor(Color{1, 1, 1, 0.15f});
        label->setTextColor(Color::white());
        label->setFont(Font::fontWithName("DejaVu Sans Bold", 15));
        label->setTextAlignment(alignment);
        label->setText(alignment == Label::Right
                           ? "A text far too long to fit on this label's single line"
                           : "Aligned text, Ünïcödé ok");
        window->addSubview(label);
        y += 26;
    }
    for (int style : {ActivityIndicatorView::White, ActivityIndicatorView::Gray}) {
        auto indicator = std::make_shared<ActivityIndicatorView>(style);
        indicator->setCenter({style == ActivityIndicatorView::White ? 120.0f : 200.0f, 460.0f});
        indicator->startAnimating();
        window->addSubview(indicator);
    }
    return window;
}

} // namespace

int main(int argc, char** argv) {
    const std::filesystem::path out = argc > 1 ? argv[1] : "gallery";
    std::error_code ec;
    std::filesystem::create_directories(out, ec);
    if (ec) {
        std::fprintf(stderr, "widget_gallery: cannot create %s: %s\n", out.c_str(),
                     ec.message().c_str());
        return 1;
    }
    if (GLContext::shared() == nullptr) {
        std::fprintf(stderr, "widget_gallery: no GL context: %s\n", GLContext::lastError().c_str());
        return 1;
    }
    RunLoop::main().reset(std::make_shared<VirtualClock>());
    const std::vector<std::pair<const char*, std::function<std::shared_ptr<Window>()>>> scenes = {
        {"main", mainScreen},
        {"settings", settingsScreen},
        {"alert", alertScreen},
        {"wait-alert", waitAlertScreen},
        {"states", statesScreen}};
    int failures = 0;
    for (const auto& [name, make] : scenes) {
        const auto window = make();
        // Past the alerts' entrance and a few steps of the spinners.
        RunLoop::main().advance(0.45);
        for (int scale = 1; scale <= 3; ++scale) {
            Compositor compositor(scale);
            const auto shot = compositor.snapshot(*window);
            const auto file = out / (std::string(name) + "@" + std::to_string(scale) + "x.png");
            if (!shot || !PictureCodec::writePNG(*shot, file)) {
                std::fprintf(stderr, "widget_gallery: could not render %s\n", file.c_str());
                ++failures;
                continue;
            }
            std::printf("%s\n", file.c_str());
        }
    }
    return failures == 0 ? 0 : 1;
}
