#pragma once

#include "Pixello/PixelloAppDelegate.h"
#include "platform/base/Geometry.h"
#include "platform/host/Host.h"
#include "platform/host/HostInputDelegate.h"
#include "platform/host/ScriptCommandDelegate.h"

#include <expected>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

class MainViewController;
namespace platform {
class ImagePickerController;
}

// The application as a host runs it: the application delegate, the window's keyboard
// shortcuts and second mouse finger, and the editor's own script commands:
//   press NAME          a real tap at the centre of a toolbar item (effect, undo, redo,
//                       settings, save, camera, pick, smudge, bump, pinch, free, crop, apply)
//   slider NAME VALUE   sets a settings slider (smudgePower, smudgeWidth, bumpPower,
//                       pinchPower) and releases it
//   back                taps the navigation bar's back button
//   export FILE.png     writes the current picture as PNG
//   export-full FILE.png  writes the current picture at the size of the original it was
//                       picked from (the working picture when the history kept none)
//   dump-grid FILE      writes the effect grid, one triangle a line
//   pick FILE           while the photo library is shown: picks FILE (which may lie
//                       anywhere) as a tap on its thumbnail would
//   cancel              the picker's Cancel button
//   shutter             the camera's shutter button
class PixelloHostDelegate : public PixelloAppDelegate,
                            public platform::HostInputDelegate,
                            public platform::ScriptCommandDelegate {
public:
    // `window` is not owned. A non-empty `openFile` is opened as a picked picture once the
    // editor has started.
    explicit PixelloHostDelegate(platform::Window* window, std::filesystem::path openFile = {})
        : PixelloAppDelegate(window), openFile_(std::move(openFile)) {}

    // What platform::runHost and platform::HeadlessHost need to run the editor.
    static platform::HostedApplication hostedApplication(platform::Window& window,
                                                         std::filesystem::path openFile = {});

    void applicationDidFinishLaunching(platform::Application& application) override;

    void undo() override;
    void redo() override;
    void back() override;
    // A file dropped on the window opens as a picked picture.
    void openFile(const std::filesystem::path& path) override;
    // The centre of the picture area, so bump and pinch can be done with one mouse.
    std::optional<platform::Point> mirrorCentre() const override;

    std::expected<void, platform::Error> runCommand(std::string_view name,
                                                    std::span<const std::string> args) override;
    // Whether a command of the editor's own and its words are well formed, whatever the
    // editor shows: what a script is checked with before anything runs.
    static std::expected<void, platform::Error> checkCommand(std::string_view name,
                                                             std::span<const std::string> args);

    // The grid's triangles as `dump-grid` writes them: normalized coordinates, "%.9g" each.
    static std::string gridDump(const EffectGrid& grid);

private:
    MainViewController* mainScreen() const;
    std::expected<void, platform::Error> press(std::string_view role);
    std::expected<void, platform::Error> slider(std::string_view property, std::string_view value);
    std::expected<void, platform::Error> tapBack();
    std::expected<void, platform::Error> exportPicture(const std::string& path);
    std::expected<void, platform::Error> exportFullPicture(const std::string& path);
    std::expected<void, platform::Error> dumpGrid(const std::string& path);
    // The picker when it is on screen with `source`, not covered by an alert.
    std::expected<platform::ImagePickerController*, platform::Error> shownPicker(int source) const;

    std::filesystem::path openFile_;
    // A tap at `point` in window points, with the same timing as a scripted tap.
    void tapInWindow(platform::Point point);
};
