#include "Pixello/PixelloHostDelegate.h"

#include "Pixello/MainViewController.h"
#include "Pixello/PropertyNames.h"
#include "ZevkoCore/ZVKNavigationController.h"
#include "platform/base/Assert.h"
#include "platform/base/FileSystem.h"
#include "platform/base/RunLoop.h"
#include "platform/graphics/PictureCodec.h"
#include "platform/host/Script.h"
#include "platform/ui/Window.h"
#include "platform/ui/widgets/AlertView.h"
#include "platform/ui/widgets/Control.h"
#include "platform/ui/widgets/ImagePickerController.h"
#include "platform/ui/widgets/NavigationBar.h"
#include "platform/ui/widgets/Slider.h"
#include "platform/ui/widgets/Toolbar.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace {

// The finger of a pressed button; scripted fingers use small numbers.
constexpr int kPressFinger = -2;

std::string scriptWord(std::string_view word) {
    return "'" + platform::escapeScriptText(word) + "'";
}

// The toolbar items `press` names, as MainViewController::itemForRole knows them.
constexpr std::string_view kRoles[] = {"effect", "undo", "redo",   "settings", "save",
                                       "camera", "pick", "smudge", "bump",     "pinch",
                                       "free",   "crop", "apply"};

bool endsWithPng(std::string_view path) {
    if (path.size() <= 4) {
        return false;
    }
    std::string ext(path.substr(path.size() - 4));
    for (char& c : ext) {
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return ext == ".png";
}

} // namespace

platform::HostedApplication PixelloHostDelegate::hostedApplication(platform::Window& window,
                                                                   std::filesystem::path openFile) {
    auto delegate = std::make_unique<PixelloHostDelegate>(&window, std::move(openFile));
    platform::HostedApplication hosted;
    hosted.input = delegate.get();
    hosted.commands = delegate.get();
    hosted.delegate = std::move(delegate);
    return hosted;
}

void PixelloHostDelegate::applicationDidFinishLaunching(platform::Application& application) {
    PixelloAppDelegate::applicationDidFinishLaunching(application);
    if (!openFile_.empty()) {
        openFile(openFile_);
    }
}

void PixelloHostDelegate::openFile(const std::filesystem::path& path) {
    if (kernel() != nullptr) {
        kernel()->openPickedImage(platform::PickedImage::file(path));
    }
}

MainViewController* PixelloHostDelegate::mainScreen() const {
    return kernel() ? kernel()->mainViewController() : nullptr;
}

void PixelloHostDelegate::undo() {
    if (MainViewController* screen = mainScreen(); screen && screen->isViewLoaded()) {
        press("undo");
    }
}

void PixelloHostDelegate::redo() {
    if (MainViewController* screen = mainScreen(); screen && screen->isViewLoaded()) {
        press("redo");
    }
}

void PixelloHostDelegate::back() {
    tapBack();
}

std::optional<platform::Point> PixelloHostDelegate::mirrorCentre() const {
    MainViewController* screen = mainScreen();
    if (screen == nullptr || !screen->isViewLoaded() || screen->scrollView() == nullptr) {
        return std::nullopt;
    }
    const ZVKScrollView& surface = *screen->scrollView();
    const platform::Rect bounds = surface.bounds();
    return surface.convertPointToView(
        {bounds.origin.x + bounds.size.width / 2.0f, bounds.origin.y + bounds.size.height / 2.0f},
        nullptr);
}

std::expected<void, platform::Error>
PixelloHostDelegate::checkCommand(std::string_view name, std::span<const std::string> args) {
    struct Form {
        std::string_view name;
        std::size_t count;
        std::string_view usage;
    };
    static constexpr Form kForms[] = {
        {"press", 1, "a button name"},
        {"slider", 2, "a strength name and a value"},
        {"back", 0, "no arguments"},
        {"export", 1, "a file name ending in .png"},
        {"dump-grid", 1, "a file name"},
        {"pick", 1, "a picture file"},
        {"cancel", 0, "no arguments"},
        {"shutter", 0, "no arguments"},
        {"export-full", 1, "a file name ending in .png"},
    };
    const auto form = std::find_if(std::begin(kForms), std::end(kForms),
                                   [name](const Form& f) { return f.name == name; });
    if (form == std::end(kForms)) {
        return platform::failure("unknown command " + scriptWord(name));
    }
    if (args.size() != form->count) {
        return platform::failure("'" + std::string(name) + "' needs " + std::string(form->usage));
    }
    if (name == "press" &&
        std::find(std::begin(kRoles), std::end(kRoles), args[0]) == std::end(kRoles)) {
        return platform::failure("no button " + scriptWord(args[0]));
    }
    if (name == "slider") {
        const std::string_view properties[] = {PropertyName::kSmudgePower,
                                               PropertyName::kSmudgeWidth, PropertyName::kBumpPower,
                                               PropertyName::kPinchPower};
        if (std::find(std::begin(properties), std::end(properties), args[0]) ==
            std::end(properties)) {
            return platform::failure("no slider " + scriptWord(args[0]));
        }
        if (!platform::parseScriptNumber(args[1])) {
            return platform::failure(scriptWord(args[1]) + " is not a number");
        }
    }
    if ((name == "export" || name == "export-full") && !endsWithPng(args[0])) {
        return platform::failure("'" + std::string(name) +
                                 "' writes PNG: the file name must end in .png, not " +
                                 scriptWord(args[0]));
    }
    return {};
}

std::expected<void, platform::Error>
PixelloHostDelegate::runCommand(std::string_view name, std::span<const std::string> args) {
    if (const auto valid = checkCommand(name, args); !valid) {
        return valid;
    }
    if (kernel() == nullptr) {
        return platform::failure("the editor did not start");
    }
    if (name == "press") {
        return press(args[0]);
    }
    if (name == "slider") {
        return slider(args[0], args[1]);
    }
    if (name == "back") {
        return tapBack();
    }
    if (name == "export") {
        return exportPicture(args[0]);
    }
    if (name == "export-full") {
        return exportFullPicture(args[0]);
    }
    if (name == "dump-grid") {
        return dumpGrid(args[0]);
    }
    if (name == "pick") {
        const auto picker = shownPicker(platform::ImagePickerController::PhotoLibrary);
        return picker ? (*picker)->pickFile(args[0]) : std::unexpected(picker.error());
    }
    if (name == "cancel") {
        const auto picker = shownPicker(-1);
        if (!picker) {
            return std::unexpected(picker.error());
        }
        (*picker)->cancel();
        return {};
    }
    const auto picker = shownPicker(platform::ImagePickerController::Camera);
    return picker ? (*picker)->shutter() : std::unexpected(picker.error());
}

void PixelloHostDelegate::tapInWindow(platform::Point point) {
    window()->touchDown(kPressFinger, point);
    platform::RunLoop::main().advance(platform::Script::kTapDuration);
    window()->touchUp(kPressFinger, point);
}

std::expected<void, platform::Error> PixelloHostDelegate::press(std::string_view role) {
    MainViewController* screen = mainScreen();
    if (screen == nullptr || window() == nullptr) {
        return platform::failure("the main screen is not running");
    }
    screen->view(); // builds the screen when nothing has shown it yet
    platform::BarButtonItem* item = screen->itemForRole(role);
    if (item == nullptr) {
        return platform::failure("no button " + scriptWord(role));
    }
    platform::Toolbar* bar = screen->toolbarForItem(*item);
    platform::View* view = bar ? bar->viewForItem(*item) : nullptr;
    if (view == nullptr) {
        return platform::failure("the button '" + std::string(role) + "' is not in a toolbar now");
    }
    const platform::Rect bounds = view->bounds();
    const platform::Point centre = view->convertPointToView(
        {bounds.origin.x + bounds.size.width / 2.0f, bounds.origin.y + bounds.size.height / 2.0f},
        nullptr);
    // The tap goes wherever a finger there would go: a hidden toolbar or an alert over the
    // button takes it instead, so the script says so rather than touching something else.
    // A disabled button lets the tap through to its toolbar, which does nothing with it:
    // that is what a finger gets too.
    const auto* control = dynamic_cast<const platform::Control*>(view);
    const bool disabled = control != nullptr && !control->isEnabled();
    platform::View* hit = window()->hitTest(centre);
    if (hit == nullptr || !(hit->isDescendantOfView(view) || (disabled && hit == bar))) {
        return platform::failure("the button '" + std::string(role) + "' is hidden or covered");
    }
    tapInWindow(centre);
    return {};
}

std::expected<void, platform::Error> PixelloHostDelegate::slider(std::string_view property,
                                                                 std::string_view value) {
    SettingsViewController* settings = kernel()->settingsViewController();
    const ZVKNavigationController* navigation = kernel()->navigationController();
    if (settings == nullptr || navigation == nullptr ||
        navigation->topViewController() != settings) {
        return platform::failure("the settings screen is not shown");
    }
    const std::optional<double> number = platform::parseScriptNumber(value);
    PIXELLO_ASSERT(number.has_value()); // checkCommand let only numbers through
    settings->view();
    const std::pair<std::string_view, platform::Slider*> sliders[] = {
        {PropertyName::kSmudgePower, settings->smudgePower().get()},
        {PropertyName::kSmudgeWidth, settings->smudgeWidth().get()},
        {PropertyName::kBumpPower, settings->bumpPower().get()},
        {PropertyName::kPinchPower, settings->pinchPower().get()},
    };
    for (const auto& [name, slider] : sliders) {
        if (name == property && slider != nullptr) {
            // What a finger lifting off the moved thumb does: the value, then one change.
            slider->setValue(static_cast<float>(*number));
            slider->sendActionsForControlEvents(platform::Control::ValueChanged);
            return {};
        }
    }
    return platform::failure("no slider " + scriptWord(property));
}

std::expected<void, platform::Error> PixelloHostDelegate::tapBack() {
    ZVKNavigationController* navigation = kernel() ? kernel()->navigationController() : nullptr;
    if (navigation == nullptr || navigation->navigationBarHidden()) {
        return platform::failure("there is no navigation bar");
    }
    platform::NavigationBar& bar = navigation->navigationBar();
    const std::optional<platform::Rect> frame = bar.backButtonFrame();
    if (!frame) {
        return platform::failure("the navigation bar has no back button");
    }
    tapInWindow(bar.convertPointToView(
        {frame->origin.x + frame->size.width / 2.0f, frame->origin.y + frame->size.height / 2.0f},
        nullptr));
    return {};
}

std::expected<void, platform::Error> PixelloHostDelegate::exportPicture(const std::string& path) {
    const std::optional<platform::Picture> picture = kernel()->model()->image();
    if (!picture) {
        return platform::failure("there is no current picture");
    }
    if (!platform::PictureCodec::writePNG(*picture, path)) {
        return platform::failure("cannot write " + scriptWord(path));
    }
    return {};
}

std::expected<void, platform::Error>
PixelloHostDelegate::exportFullPicture(const std::string& path) {
    PixelloKernel& editor = *kernel();
    if (editor.fullResolution() == nullptr || !FullResolution::hasSource(*editor.model())) {
        return exportPicture(path);
    }
    const auto picture = editor.fullResolution()->render(*editor.model());
    if (!picture) {
        return platform::failure("no full-size picture: " + picture.error().message);
    }
    if (!platform::PictureCodec::writePNG(*picture, path)) {
        return platform::failure("cannot write '" + path + "'");
    }
    return {};
}

std::expected<platform::ImagePickerController*, platform::Error>
PixelloHostDelegate::shownPicker(int source) const {
    platform::ImagePickerController* picker = kernel()->picker();
    if (picker == nullptr || picker->parentViewController() == nullptr) {
        return platform::failure("the picker is not shown");
    }
    if (source >= 0 && picker->sourceType() != source) {
        return platform::failure(source == platform::ImagePickerController::Camera
                                     ? "the camera is not shown"
                                     : "the photo library is not shown");
    }
    if (window() != nullptr && platform::AlertView::visibleAlert(*window()) != nullptr) {
        return platform::failure("the picker is covered by an alert");
    }
    return picker;
}

std::string PixelloHostDelegate::gridDump(const EffectGrid& grid) {
    std::string text;
    char line[320];
    for (const EffectTriangle& t : grid.triangles()) {
        const double v[12] = {t.fx1(), t.fy1(), t.fx2(), t.fy2(), t.fx3(), t.fy3(),
                              t.tx1(), t.ty1(), t.tx2(), t.ty2(), t.tx3(), t.ty3()};
        const int n = std::snprintf(
            line, sizeof line, "%.9g %.9g %.9g %.9g %.9g %.9g %.9g %.9g %.9g %.9g %.9g %.9g\n",
            v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10], v[11]);
        if (n > 0) {
            text.append(line, static_cast<std::size_t>(n));
        }
    }
    return text;
}

std::expected<void, platform::Error> PixelloHostDelegate::dumpGrid(const std::string& path) {
    EffectGrid& grid = *kernel()->model()->grid();
    // The triangles scale their stored coordinates by the grid's size: at 1 × 1 they give
    // what is stored.
    const float width = grid.width();
    const float height = grid.height();
    grid.setWidth(1.0f);
    grid.setHeight(1.0f);
    const std::string text = gridDump(grid);
    grid.setWidth(width);
    grid.setHeight(height);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    if (!platform::writeFileAtomically(path, {bytes, text.size()})) {
        return platform::failure("cannot write " + scriptWord(path));
    }
    return {};
}
