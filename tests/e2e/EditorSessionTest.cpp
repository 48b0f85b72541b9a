#include "support/EditorSession.h"

#include "Pixello/PropertyNames.h"
#include "ZevkoCore/ZVKCommons.h"
#include "ZevkoCore/ZVKNavigationController.h"
#include "platform/gl/GLContext.h"
#include "platform/gl/GLExtensions.h"
#include "platform/gl/GLResources.h"
#include "platform/render/Compositor.h"
#include "platform/ui/widgets/AlertView.h"
#include "platform/ui/widgets/Button.h"
#include "platform/ui/widgets/Slider.h"
#include "support/EditorTestSupport.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <vector>

namespace {

using platform::Compositor;
using platform::Point;
using platform::Rect;

constexpr int kScale = 2;
constexpr int kWidth = static_cast<int>(platform::Screen::kWidth) * kScale;
constexpr int kHeight = static_cast<int>(platform::Screen::kHeight) * kScale;

// The kept screen as a window shows it: drawn into a framebuffer of the screen's size and
// read back top row first.
platform::PixelBytes shownScreen(const Compositor& compositor) {
    const platform::FramebufferBindingGuard bound(platform::GLContext::shared()->fbo());
    const auto target = platform::OffscreenTarget::withRenderbuffer(
        platform::GLContext::shared()->fbo(), kWidth, kHeight);
    constexpr float w = platform::Screen::kWidth;
    constexpr float h = platform::Screen::kHeight;
    glViewport(0, 0, kWidth, kHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthof(0.0f, w, h, 0.0f, -1.0f, 1.0f);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(1.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    compositor.drawScreen({Point{0.0f, 0.0f}, {w, 0.0f}, {0.0f, h}, {w, h}});
    std::vector<std::uint8_t> scratch;
    return platform::readPixelsTopRowFirst(kWidth, kHeight, scratch);
}

// Whether the undo and the redo button take taps.
std::pair<bool, bool> undoRedoEnabled(MainViewController& screen) {
    const auto enabled = [&screen](const char* role) {
        auto* control =
            dynamic_cast<platform::Control*>(screen.itemForRole(role)->customView().get());
        return control != nullptr && control->isEnabled();
    };
    return {enabled("undo"), enabled("redo")};
}

class Session : public testsupport::EditorSession {
protected:
    // Runs a script line by line; after each line the kept screen is brought up to date and
    // compared with the screen drawn whole: any pixel left stale by a missed change fails.
    void step(const std::string& script) {
        std::istringstream lines(script);
        for (std::string line; std::getline(lines, line);) {
            ASSERT_EQ(run(line + "\n"), "") << line;
            ASSERT_TRUE(kept.update(*host.window()));
            const platform::PixelBytes shown = shownScreen(kept);
            // The same screen drawn whole by a compositor that keeps nothing.
            const auto expected = Compositor(kScale).snapshot(*host.window());
            ASSERT_TRUE(expected);
            const auto& wanted = *expected->pixels();
            ASSERT_EQ(shown.size(), wanted.size());
            const auto first = static_cast<std::size_t>(
                std::mismatch(shown.begin(), shown.end(), wanted.begin()).first - shown.begin());
            ++steps;
            ASSERT_EQ(first, shown.size())
                << "after step " << steps << ", '" << line << "', first at x " << first / 4 % kWidth
                << ", y " << first / 4 / kWidth;
        }
    }

    void expectScreenMatches(const std::string& reference) {
        const auto shot = screenshot(reference);
        ASSERT_TRUE(shot);
        testsupport::expectMatchesReference(*shot, reference);
    }

    // Checks the alert shown now, with its one button, and dismisses it.
    void expectAlert(const std::string& title, const std::string& message, bool animated = false) {
        const auto alert = platform::AlertView::visibleAlert(*host.window());
        ASSERT_NE(alert, nullptr) << title;
        EXPECT_EQ(alert->title(), title);
        EXPECT_EQ(alert->message(), message);
        EXPECT_EQ(alert->cancelButtonTitle(), "OK");
        alert->dismissWithClickedButtonIndex(0, animated);
    }

    Compositor kept{kScale};
    int steps = 0;
};

// One session through every screen in small steps, animations caught half-way. The kept
// screen must match the screen drawn whole after every step; the screens with a reference
// picture must match it.
TEST_F(Session, WalksThroughEveryToolAndScreen) {
    launch();
    EXPECT_EQ(undoRedoEnabled(screen()), std::pair(false, false));

    // Script commands answer bad input with errors.
    EXPECT_EQ(run("press nothing\n"), "s.txt:1: no button 'nothing'");
    EXPECT_EQ(run("press apply\n"), "s.txt:1: the button 'apply' is not in a toolbar now");
    // The effect toolbar is transparent until opened.
    EXPECT_EQ(run("press bump\n"), "s.txt:1: the button 'bump' is hidden or covered");
    EXPECT_EQ(model().effect(), Effect::Smudge);
    EXPECT_EQ(run("export\n"), "s.txt:1: 'export' needs a file name ending in .png");
    EXPECT_NE(run("slider bumpPower 12\n"), "") << "no settings screen yet";

    step("wait 0.1\nwait 0.4");
    expectScreenMatches("main.png");
    step("press effect\nwait 0.1\nwait 0.4");
    expectScreenMatches("effectToolbar.png");
    step("press crop\nwait 0.1\nwait 0.4");
    expectScreenMatches("crop.png");

    // Crop mode inserts Apply once.
    platform::Toolbar& bottom = *screen().bottomToolbar();
    ASSERT_EQ(bottom.items().size(), 7u);
    EXPECT_EQ(bottom.items()[3], screen().applyItem());
    EXPECT_EQ(screen().scrollView()->trackingMode(), ZVKScrollView::TrackingMode::Ask);
    step("press effect\nwait 0.3\npress crop\nwait 0.3");
    EXPECT_EQ(bottom.items().size(), 7u);
    // The left edge at picture x 15 (the inset) lies at screen x 15; the picture area starts
    // at y 66.
    // Small steps: the finger has to stay within the band of the edge it drags.
    step("down 1 17 200\nmove 1 22 200\nmove 1 27 200\nmove 1 32 200\nmove 1 37 200\n"
         "up 1 37 200\nwait 0.5");
    EXPECT_EQ(model().cropRect(), Rect(35, 15, 550, 570));
    EXPECT_EQ(screen().glView()->shadeRect(), model().cropRect());

    // Apply crops to the rectangle and leaves crop mode.
    step("press apply\nwait 0.1\nwait 0.5");
    EXPECT_EQ(model().effect(), Effect::Smudge);
    EXPECT_EQ(bottom.items().size(), 6u);
    auto picture = model().image();
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->size(), (platform::Size{550, 570}));
    // The new picture starts with a fresh inset.
    EXPECT_EQ(model().cropRect(), Rect(15, 15, 520, 540));
    // Another tool when Apply is gone leaves the items as they are.
    step("press effect\nwait 0.3\npress pinch\nwait 0.3");
    EXPECT_EQ(bottom.items().size(), 6u);

    // A smudge stroke adds an entry (the third: the crop drag added none, Apply one), enables
    // undo and saves storage. A touch move redraws the picture area and nothing else; a still
    // screen draws nothing.
    step("press effect\nwait 0.3\npress smudge\nwait 0.5");
    const auto beforeStroke = model().image();
    step("down 1 100 200\nmove 1 120 210");
    const std::vector<Rect> damage = kept.lastDamage();
    ASSERT_EQ(damage.size(), 1u);
    const Rect area = screen().scrollView()->frame();
    const Point origin =
        screen().scrollView()->superview()->convertPointToView(area.origin, nullptr);
    EXPECT_EQ(damage[0], Rect(origin.x, origin.y, area.width(), area.height()));
    step("wait 0.1");
    EXPECT_TRUE(kept.lastDamage().empty());
    step("move 1 140 230\nup 1 140 230\nwait 0.1\nwait 0.4");
    ASSERT_EQ(model().imageFileNames().size(), 3u);
    EXPECT_EQ(undoRedoEnabled(screen()), std::pair(true, false));
    // The stroke moved pixels near its path.
    const auto afterStroke = model().image();
    ASSERT_TRUE(beforeStroke && afterStroke);
    int changed = 0;
    for (int x = 90; x < 160; ++x) {
        changed += beforeStroke->pixelAt(x, 140) != afterStroke->pixelAt(x, 140) ? 1 : 0;
    }
    EXPECT_GT(changed, 0);

    // A one-finger drag in bump mode changes nothing; two fingers add an entry.
    step("press effect\nwait 0.3\npress bump\nwait 0.3\n"
         "down 1 100 200\nmove 1 120 210\nmove 1 140 230\nup 1 140 230\nwait 0.5");
    EXPECT_EQ(model().effect(), Effect::Bump);
    step("down 1 120 220\ndown 2 200 300\nmove 1 100 200\nmove 2 220 320\n"
         "up 1 100 200\nup 2 220 320\nwait 0.5");
    EXPECT_EQ(model().imageFileNames().size(), 4u);
    const std::string path = (scratch.path() / "grid.txt").string();
    ASSERT_EQ(run("dump-grid " + path), "");
    // After finishing, the grid is back at rest: every triangle's two corner sets agree.
    const std::string dump = testsupport::readText(path);
    EXPECT_EQ(std::count(dump.begin(), dump.end(), '\n'), 2 * 32 * 32);
    EXPECT_EQ(dump.substr(0, dump.find('\n')),
              "0 0 0.03125 0 0.03125 0.03125 0 0 0.03125 0 0.03125 0.03125")
        << "first triangle";

    // Undo and redo rewrite the storage each time.
    std::vector<std::string> stored = {storageText()};
    for (int i = 0; i < 3; ++i) {
        step("press undo\nwait 0.5");
        stored.push_back(storageText());
        EXPECT_NE(stored.back(), stored[stored.size() - 2]) << i;
    }
    EXPECT_EQ(undoRedoEnabled(screen()), std::pair(false, true));
    // Undo with nothing left to undo: the button is disabled, the tap changes nothing.
    EXPECT_EQ(run("press undo\n"), "");
    EXPECT_EQ(storageText(), stored.back());
    for (int i = 2; i >= 0; --i) {
        step("press redo\nwait 0.5");
        EXPECT_EQ(storageText(), stored[static_cast<std::size_t>(i)]) << i;
    }

    // In crop mode a drag away from every edge pans and the rectangle stays.
    step("press effect\nwait 0.3\npress crop\nwait 0.3");
    const Rect crop = model().cropRect();
    step("down 1 200 200\nmove 1 180 180\nmove 1 160 160\nup 1 160 160\nwait 1");
    EXPECT_EQ(model().cropRect(), crop);
    EXPECT_EQ(model().imageFileNames().size(), 4u);
    step("press effect\nwait 0.3\npress free\nwait 0.3");

    // Turning the device lays out the landscape frames; picking needs the upright device.
    step("rotate 3\nwait 0.1\nwait 0.4");
    EXPECT_EQ(screen().view()->bounds(), Rect(20, -20, 460, 320));
    EXPECT_EQ(screen().scrollView()->frame(), Rect(0, 46, 480, 207));
    EXPECT_EQ(screen().bottomToolbar()->frame(), Rect(0, 253, 480, 47));
    EXPECT_EQ(screen().effectToolbar()->frame(), Rect(0, 206, 480, 47));
    EXPECT_EQ(screen().toolbar()->frame(), Rect(0, -1, 480, 47));
    EXPECT_EQ(screen().nameLabel()->frame(), Rect(0, 10, 480, 30));
    EXPECT_EQ(kernel()->application()->statusBarOrientation(), 3);

    step("press effect\nwait 0.3\npress pick\nwait 0.3");
    // Picking in landscape leaves the effect toolbar open.
    EXPECT_EQ(model().visibleToolbar(), VisibleToolbar::Effects);
    expectAlert("", "Rotate device to protarit orientation to pick image.", true);
    step("wait 0.1\nwait 0.5");

    step("rotate 1\nwait 0.1\nwait 0.6\npress pick\nwait 0.3");
    EXPECT_EQ(screen().scrollView()->frame(), Rect(0, 46, 320, 367));
    EXPECT_EQ(model().visibleToolbar(), VisibleToolbar::None);
    // While the alert is up it covers the toolbars.
    EXPECT_EQ(run("press camera\n"), "s.txt:1: the button 'camera' is hidden or covered");
    expectAlert("Photo library is currently unavailable.", "");

    step("press camera\nwait 0.3");
    expectAlert("No camera support on '" + ZVKDeviceName() + "'.", "");
    step("wait 0.5");

    // The settings screen brings the bar in; its sliders set the strengths.
    ZVKNavigationController& navigation = *kernel()->navigationController();
    EXPECT_TRUE(navigation.navigationBarHidden());
    step("press settings\nwait 0.1\nwait 0.9");
    SettingsViewController* settings = kernel()->settingsViewController();
    ASSERT_EQ(navigation.topViewController(), settings);
    // Dragging the sliders is the settings screen's own test; here they are set as a drag
    // of the bump slider's thumb by 60 points leaves them. The settings picture shows where
    // the other two stand.
    step("slider bumpPower 12.4291496\nslider smudgeWidth 42\nslider pinchPower 7.5");
    EXPECT_EQ(model().bumpPower(), settings->bumpPower()->value());
    EXPECT_EQ(run("slider nothing 1\n"), "s.txt:1: no slider 'nothing'");
    EXPECT_EQ(run("slider pinchPower x\n"), "s.txt:1: 'x' is not a number");
    // Rotation while the settings screen is up is ignored.
    step("rotate 3\nwait 0.5");
    EXPECT_EQ(model().orientation(), platform::DeviceOrientation::Portrait);
    expectScreenMatches("settings.png");

    // The back button (a tap on it) brings the main screen back and the bar goes away.
    step("down 9 30 42\nwait 0.1\nup 9 30 42\nwait 0.1\nwait 0.9");
    EXPECT_EQ(navigation.topViewController(), &screen());
    EXPECT_TRUE(navigation.navigationBarHidden());
    EXPECT_NE(run("back\n"), "");

    // A missing picture leaves an empty area and every tool safe.
    host.terminate();
    std::filesystem::remove_all(documents / "PixelloImages");
    launch();
    EXPECT_FALSE(model().image().has_value());
    const auto shot = screenshot("empty.png");
    ASSERT_TRUE(shot);
    const auto pixel = shot->pixelAt(2 * 160, 2 * 250);
    EXPECT_EQ(pixel[0] + pixel[1] + pixel[2], 0);
    const std::size_t entries = model().imageFileNames().size();
    EXPECT_EQ(run("down 1 100 200\nmove 1 120 210\nmove 1 140 230\nup 1 140 230\nwait 0.5\n"
                  "press effect\nwait 0.3\npress bump\nwait 0.3\n"
                  "down 1 100 150\ndown 2 200 300\nmove 2 210 310\nup 1 100 150\nup 2 210 310\n"
                  "press effect\nwait 0.3\npress crop\nwait 0.3\n"
                  "down 1 20 200\nmove 1 40 200\nup 1 40 200\npress apply\nwait 0.3\n"),
              "");
    model().propertyChanged(PropertyName::kImage);
    EXPECT_FALSE(model().image().has_value());
    EXPECT_EQ(model().imageFileNames().size(), entries);
    EXPECT_TRUE(testsupport::gridAtRest(*model().grid()));
    EXPECT_TRUE(screen().view()->isUserInteractionEnabled());
    EXPECT_NE(run("export " + (scratch.path() / "none.png").string()), "");
}

// What a script is checked with before the editor starts: the same answers the running
// editor gives, without one.
TEST(EditorScriptCheck, KnowsTheEditorsCommandsAndTheirWords) {
    const std::pair<std::string, std::string> cases[] = {
        {"press undo redo", "'press' needs a button name"},
        {"back", ""},
        {"back now", "'back' needs no arguments"},
        {"export a.PNG", ""},
        {"export a.jpg", "'export' writes PNG: the file name must end in .png, not 'a.jpg'"},
        {"dump-grid", "'dump-grid' needs a file name"},
        {"pick a.heic", ""},
        {"shutter", ""},
        {"prss\x7f effect", "unknown command 'prss\\x7f'"},
    };
    for (const auto& [line, error] : cases) {
        const auto checked = platform::Script::parse(line, "c", PixelloHostDelegate::checkCommand);
        // The message past "c:1: ".
        EXPECT_EQ(checked ? std::string() : checked.error().message.substr(5), error) << line;
    }
}

} // namespace
