#include "support/EditorSession.h"

#include "ZevkoCore/ZVKCommons.h"
#include "ZevkoCore/ZVKNavigationController.h"
#include "platform/ui/widgets/AlertView.h"
#include "platform/ui/widgets/Button.h"
#include "platform/ui/widgets/Slider.h"

#include <gtest/gtest.h>

namespace {

using platform::Rect;
using testsupport::EditorSession;

// A finished picture makes the surface settle again: the next stroke waits for it.
constexpr const char* kStroke =
    "down 1 100 200\nmove 1 120 210\nmove 1 140 230\nup 1 140 230\nwait 0.5\n";

bool buttonEnabled(MainViewController& screen, const char* role) {
    auto* control = dynamic_cast<platform::Control*>(screen.itemForRole(role)->customView().get());
    return control != nullptr && control->isEnabled();
}

TEST_F(EditorSession, FirstLaunchShowsTheDefaultPictureFromOneRawEntry) {
    launch();
    ASSERT_EQ(model().imageFileNames().size(), 1u);
    EXPECT_EQ(model().currentImage(), 0);
    const std::string name = model().imageFileNames()[0];
    EXPECT_TRUE(name.ends_with(".png")) << name << " should be a raw pixel file";
    EXPECT_TRUE(std::filesystem::exists(documents / "PixelloImages" / name));
    EXPECT_FALSE(std::filesystem::exists(storagePath()));
    EXPECT_FALSE(buttonEnabled(screen(), "undo"));
    EXPECT_FALSE(buttonEnabled(screen(), "redo"));

    // The picture lies at the top left of the picture area: not the black of the surface.
    const auto shot = screenshot("first.png");
    ASSERT_TRUE(shot);
    const auto pixel = shot->pixelAt(2 * 160, 2 * 250);
    EXPECT_GT(pixel[0] + pixel[1] + pixel[2], 30);
}

TEST_F(EditorSession, SmudgeStrokeAddsAnEntryEnablesUndoAndSavesStorage) {
    launch();
    const auto before = model().image();
    ASSERT_EQ(run(kStroke), "");
    ASSERT_EQ(model().imageFileNames().size(), 2u);
    EXPECT_EQ(model().currentImage(), 1);
    EXPECT_TRUE(buttonEnabled(screen(), "undo"));
    EXPECT_FALSE(buttonEnabled(screen(), "redo"));
    EXPECT_TRUE(std::filesystem::exists(storagePath()));
    // The stroke moved pixels near its path.
    const auto after = model().image();
    ASSERT_TRUE(before && after);
    int changed = 0;
    for (int x = 90; x < 160; ++x) {
        changed += before->pixelAt(x, 140) != after->pixelAt(x, 140) ? 1 : 0;
    }
    EXPECT_GT(changed, 0);
    // A one-finger drag in bump mode changes nothing.
    ASSERT_EQ(run("press effect\nwait 0.3\npress bump\nwait 0.3\n" + std::string(kStroke)), "");
    EXPECT_EQ(model().imageFileNames().size(), 2u);
}

TEST_F(EditorSession, UndoAndRedoRewriteTheStorageEachTime) {
    launch();
    ASSERT_EQ(run(kStroke), "");
    const std::string afterStroke = storageText();
    ASSERT_FALSE(afterStroke.empty());
    ASSERT_EQ(run("press undo\n"), "");
    const std::string afterUndo = storageText();
    EXPECT_NE(afterUndo, afterStroke);
    EXPECT_EQ(model().currentImage(), 0);
    EXPECT_FALSE(buttonEnabled(screen(), "undo"));
    EXPECT_TRUE(buttonEnabled(screen(), "redo"));
    // Undo with nothing left to undo: the button is disabled, the tap changes nothing.
    EXPECT_EQ(run("press undo\n"), "");
    EXPECT_EQ(storageText(), afterUndo);
    ASSERT_EQ(run("press redo\n"), "");
    EXPECT_EQ(storageText(), afterStroke);
    EXPECT_EQ(model().currentImage(), 1);
}

TEST_F(EditorSession, CropModeInsertsApplyOnceAndApplyCropsToTheInset) {
    launch();
    platform::Toolbar& bottom = *screen().bottomToolbar();
    ASSERT_EQ(bottom.items().size(), 6u);
    ASSERT_EQ(run("press effect\nwait 0.3\npress crop\nwait 0.3\n"), "");
    EXPECT_EQ(model().effect(), 4);
    EXPECT_EQ(model().visibleToolbar(), 0);
    ASSERT_EQ(bottom.items().size(), 7u);
    EXPECT_EQ(bottom.items()[3], screen().applyItem());
    EXPECT_TRUE(screen().glView()->shade());
    EXPECT_EQ(screen().scrollView()->trackingMode(), 2);
    ASSERT_EQ(run("press effect\nwait 0.3\npress crop\nwait 0.3\n"), "");
    EXPECT_EQ(bottom.items().size(), 7u);

    EXPECT_EQ(model().cropRect(), Rect(15, 15, 570, 570));
    ASSERT_EQ(run("press apply\nwait 0.3\n"), "");
    EXPECT_EQ(model().effect(), 1);
    EXPECT_EQ(bottom.items().size(), 6u);
    EXPECT_FALSE(screen().glView()->shade());
    const auto picture = model().image();
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->width(), 570);
    EXPECT_EQ(picture->height(), 570);
    EXPECT_EQ(model().imageFileNames().size(), 2u);
    // The new picture starts with a fresh inset.
    EXPECT_EQ(model().cropRect(), Rect(15, 15, 540, 540));
    // Another tool when Apply is gone leaves the items as they are.
    ASSERT_EQ(run("press effect\nwait 0.3\npress pinch\nwait 0.3\n"), "");
    EXPECT_EQ(bottom.items().size(), 6u);
}

TEST_F(EditorSession, CropEdgeDragMovesTheEdgeAndElsewherePans) {
    launch();
    ASSERT_EQ(run("press effect\nwait 0.3\npress crop\nwait 0.3\n"), "");
    // The left edge at picture x 15 lies at screen x 15; the picture area starts at y 66.
    // Small steps: the finger has to stay within the band of the edge it drags.
    ASSERT_EQ(run("down 1 17 200\nmove 1 22 200\nmove 1 27 200\nmove 1 32 200\nmove 1 37 200\n"
                  "up 1 37 200\nwait 0.5\n"),
              "");
    EXPECT_EQ(model().cropRect(), Rect(35, 15, 550, 570));
    EXPECT_EQ(screen().glView()->shadeRect(), model().cropRect());
    // Away from every edge the surface pans instead and the rectangle stays.
    ASSERT_EQ(run("down 1 200 200\nmove 1 180 180\nmove 1 160 160\nup 1 160 160\nwait 1\n"), "");
    EXPECT_EQ(model().cropRect(), Rect(35, 15, 550, 570));
    EXPECT_EQ(model().imageFileNames().size(), 1u);
}

TEST_F(EditorSession, BumpWithTwoFingersAddsAnEntry) {
    launch();
    ASSERT_EQ(run("press effect\nwait 0.3\npress bump\nwait 0.3\n"), "");
    EXPECT_EQ(model().effect(), 2);
    ASSERT_EQ(run("down 1 100 150\ndown 2 200 300\nmove 1 90 140\nmove 2 210 310\n"
                  "up 1 90 140\nup 2 210 310\n"),
              "");
    EXPECT_EQ(model().imageFileNames().size(), 2u);
    const std::string path = (scratch.path() / "grid.txt").string();
    ASSERT_EQ(run("dump-grid " + path), "");
    // After finishing, the grid is back at rest: every triangle's two corner sets agree.
    const std::string dump = testsupport::readText(path);
    EXPECT_EQ(std::count(dump.begin(), dump.end(), '\n'), 2 * 32 * 32);
    EXPECT_EQ(dump.substr(0, dump.find('\n')),
              "0 0 0.03125 0 0.03125 0.03125 0 0 0.03125 0 0.03125 0.03125")
        << "first triangle";
}

TEST_F(EditorSession, RotationLaysOutTheLandscapeFramesAndGatesPicking) {
    launch();
    ASSERT_EQ(run("rotate 3\nwait 0.5\n"), "");
    EXPECT_EQ(model().orientation(), 3);
    EXPECT_EQ(screen().view()->bounds(), Rect(20, -20, 460, 320));
    EXPECT_EQ(screen().scrollView()->frame(), Rect(0, 46, 480, 207));
    EXPECT_EQ(screen().bottomToolbar()->frame(), Rect(0, 253, 480, 47));
    EXPECT_EQ(screen().effectToolbar()->frame(), Rect(0, 206, 480, 47));
    EXPECT_EQ(screen().toolbar()->frame(), Rect(0, -1, 480, 47));
    EXPECT_EQ(screen().nameLabel()->frame(), Rect(0, 10, 480, 30));
    EXPECT_EQ(kernel()->application()->statusBarOrientation(), 3);

    ASSERT_EQ(run("press effect\nwait 0.3\npress pick\nwait 0.3\n"), "");
    auto alert = platform::AlertView::visibleAlert(*host.window());
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->title(), "");
    EXPECT_EQ(alert->message(), "Rotate device to protarit orientation to pick image.");
    EXPECT_EQ(alert->cancelButtonTitle(), "OK");
    // Picking in landscape leaves the effect toolbar open.
    EXPECT_EQ(model().visibleToolbar(), 1);
    alert->dismissWithClickedButtonIndex(0, false);

    ASSERT_EQ(run("rotate 1\nwait 0.5\npress pick\nwait 0.3\n"), "");
    EXPECT_EQ(screen().scrollView()->frame(), Rect(0, 46, 320, 367));
    alert = platform::AlertView::visibleAlert(*host.window());
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->title(), "Photo library is currently unavailable.");
    EXPECT_EQ(alert->message(), "");
    EXPECT_EQ(model().visibleToolbar(), 0);
    // While the alert is up it covers the toolbars.
    EXPECT_EQ(run("press camera\n"), "s.txt:1: the button 'camera' is hidden or covered");
    alert->dismissWithClickedButtonIndex(0, false);

    ASSERT_EQ(run("press camera\nwait 0.3\n"), "");
    alert = platform::AlertView::visibleAlert(*host.window());
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->title(), "No camera support on '" + ZVKDeviceName() + "'.");
    EXPECT_EQ(alert->cancelButtonTitle(), "OK");
}

TEST_F(EditorSession, ScriptCommandsAnswerBadInputWithErrors) {
    launch();
    EXPECT_EQ(run("press nothing\n"), "s.txt:1: no button 'nothing'");
    EXPECT_EQ(run("press apply\n"), "s.txt:1: the button 'apply' is not in a toolbar now");
    // The effect toolbar is transparent until opened.
    EXPECT_EQ(run("press bump\n"), "s.txt:1: the button 'bump' is hidden or covered");
    EXPECT_EQ(model().effect(), 1);
    EXPECT_EQ(run("pick /tmp/a.png\n"), "s.txt:1: picking is not available yet");
    EXPECT_EQ(run("export\n"), "s.txt:1: 'export' needs a file name");
    const auto out = scratch.path() / "picture.png";
    ASSERT_EQ(run("export " + out.string()), "");
    const auto exported = platform::PictureCodec::decodeFile(out).picture;
    ASSERT_TRUE(exported);
    EXPECT_EQ(exported->width(), 600);
}

TEST_F(EditorSession, MissingPictureLeavesAnEmptyAreaAndEveryToolSafe) {
    launch();
    host.terminate();
    ASSERT_TRUE(std::filesystem::exists(storagePath()));
    std::filesystem::remove_all(documents / "PixelloImages");
    launch();
    EXPECT_FALSE(model().image().has_value());
    const auto shot = screenshot("empty.png");
    ASSERT_TRUE(shot);
    const auto pixel = shot->pixelAt(2 * 160, 2 * 250);
    EXPECT_EQ(pixel[0] + pixel[1] + pixel[2], 0);

    EXPECT_EQ(run(kStroke), "");
    EXPECT_EQ(run("press effect\nwait 0.3\npress bump\nwait 0.3\n"
                  "down 1 100 150\ndown 2 200 300\nmove 2 210 310\nup 1 100 150\nup 2 210 310\n"),
              "");
    EXPECT_EQ(run("press effect\nwait 0.3\npress crop\nwait 0.3\n"
                  "down 1 20 200\nmove 1 40 200\nup 1 40 200\npress apply\nwait 0.3\n"),
              "");
    EXPECT_FALSE(model().image().has_value());
    EXPECT_NE(run("export " + (scratch.path() / "none.png").string()), "");
}

TEST_F(EditorSession, SettingsSlidersChangeStoredStrengthsOnlyOnRelease) {
    launch();
    ZVKNavigationController& navigation = *kernel()->navigationController();
    EXPECT_TRUE(navigation.navigationBarHidden());
    EXPECT_NE(run("slider bumpPower 12\n"), "");
    ASSERT_EQ(run("press settings\nwait 1\n"), "");
    SettingsViewController* settings = kernel()->settingsViewController();
    ASSERT_EQ(navigation.topViewController(), settings);
    EXPECT_FALSE(navigation.navigationBarHidden());

    // A real drag of the bump slider's thumb stores the strength when the finger lifts.
    const float before = model().bumpPower();
    platform::Slider& slider = *settings->bumpPower();
    const platform::Point thumb =
        slider.convertPointToView(slider.thumbCentreForValue(slider.value()), nullptr);
    const std::string y = " " + std::to_string(thumb.y) + "\n";
    ASSERT_EQ(run("down 1 " + std::to_string(thumb.x) + y + "move 1 " +
                  std::to_string(thumb.x + 60) + y + "up 1 " + std::to_string(thumb.x + 60) + y),
              "");
    EXPECT_GT(model().bumpPower(), before);
    EXPECT_EQ(model().bumpPower(), slider.value());

    ASSERT_EQ(run("slider smudgeWidth 42\nslider pinchPower 7.5\n"), "");
    EXPECT_EQ(model().smudgeWidth(), 42.0f);
    EXPECT_EQ(model().pinchPower(), 7.5f);
    EXPECT_EQ(run("slider nothing 1\n"), "s.txt:1: no slider 'nothing'");
    EXPECT_EQ(run("slider pinchPower x\n"), "s.txt:1: 'x' is not a number");

    // Rotation while the settings screen is up is ignored.
    ASSERT_EQ(run("rotate 3\nwait 0.5\n"), "");
    EXPECT_EQ(model().orientation(), 1);

    auto shot = screenshot("settings.png");
    ASSERT_TRUE(shot);
    testsupport::expectMatchesReference(*shot, "settings.png");

    ASSERT_EQ(run("back\nwait 1\n"), "");
    EXPECT_EQ(navigation.topViewController(), &screen());
    EXPECT_TRUE(navigation.navigationBarHidden());
    EXPECT_NE(run("back\n"), "");
    // The strengths survive a restart.
    host.terminate();
    launch();
    EXPECT_EQ(model().smudgeWidth(), 42.0f);
    EXPECT_EQ(model().pinchPower(), 7.5f);
}

TEST_F(EditorSession, ScreensMatchTheirReferencePictures) {
    launch();
    ASSERT_EQ(run("wait 0.5\n"), "");
    auto shot = screenshot("main.png");
    ASSERT_TRUE(shot);
    testsupport::expectMatchesReference(*shot, "main.png");

    ASSERT_EQ(run("press effect\nwait 0.5\n"), "");
    shot = screenshot("effect.png");
    ASSERT_TRUE(shot);
    testsupport::expectMatchesReference(*shot, "effectToolbar.png");

    ASSERT_EQ(run("press crop\nwait 0.5\n"), "");
    shot = screenshot("crop.png");
    ASSERT_TRUE(shot);
    testsupport::expectMatchesReference(*shot, "crop.png");
}

} // namespace
