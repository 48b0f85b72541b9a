#pragma once

#include <string>
#include <string_view>

namespace platform {

// How the device is held, in the numbering devices report and scripts use.
enum class DeviceOrientation : int {
    Unknown = 0,
    Portrait = 1,
    PortraitUpsideDown = 2,
    LandscapeHomeRight = 3, // the home button on the right
    LandscapeHomeLeft = 4,  // the home button on the left
    FaceUp = 5,
    FaceDown = 6,
};

// Portrait, upside down or one of the landscapes: the orientations a screen can be turned
// to. Unknown and lying flat say nothing about where the user looks from.
constexpr bool isInterfaceOrientation(DeviceOrientation orientation) {
    return orientation >= DeviceOrientation::Portrait &&
           orientation <= DeviceOrientation::LandscapeHomeLeft;
}

// The device the application runs on: its model name and its physical orientation. A window
// sets the orientation from a keyboard shortcut, a script by command, tests directly.
class Device {
public:
    static constexpr std::string_view kOrientationDidChangeNotification =
        "DeviceOrientationDidChangeNotification";

    static Device& current();

    const std::string& model() const { return model_; }
    void setModel(std::string model) { model_ = std::move(model); }

    DeviceOrientation orientation() const { return orientation_; }
    // Values outside the enumeration (a number cast from a script or a shortcut) are ignored. While
    // notifications are being generated, every accepted value (also an unchanged one) posts
    // kOrientationDidChangeNotification with this device as sender on the default notification
    // centre.
    void setOrientation(DeviceOrientation orientation);

    void beginGeneratingDeviceOrientationNotifications() { generating_ = true; }
    void endGeneratingDeviceOrientationNotifications() { generating_ = false; }
    bool isGeneratingDeviceOrientationNotifications() const { return generating_; }

    // Back to the state at process start.
    void reset();

private:
    Device();

    std::string model_;
    DeviceOrientation orientation_ = DeviceOrientation::Portrait;
    bool generating_ = false;
};

} // namespace platform
