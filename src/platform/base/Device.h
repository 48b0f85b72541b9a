#pragma once

#include <string>
#include <string_view>

namespace platform {

// The device the application runs on: its model name and its physical orientation
// (0 unknown, 1 portrait, 2 portrait upside down, 3 landscape with the home button on the
// right, 4 landscape with the home button on the left, 5 face up, 6 face down). A window sets
// the orientation from a keyboard shortcut, a script by command, tests directly.
class Device {
public:
    static constexpr std::string_view kOrientationDidChangeNotification =
        "DeviceOrientationDidChangeNotification";

    static Device& current();

    const std::string& model() const { return model_; }
    void setModel(std::string model) { model_ = std::move(model); }

    int orientation() const { return orientation_; }
    // Values outside 0–6 are ignored. While notifications are being generated, every accepted
    // value (also an unchanged one) posts kOrientationDidChangeNotification with this device
    // as sender on the default notification centre.
    void setOrientation(int orientation);

    void beginGeneratingDeviceOrientationNotifications() { generating_ = true; }
    void endGeneratingDeviceOrientationNotifications() { generating_ = false; }
    bool isGeneratingDeviceOrientationNotifications() const { return generating_; }

    // Back to the state at process start.
    void reset();

private:
    Device();

    std::string model_;
    int orientation_ = 1;
    bool generating_ = false;
};

} // namespace platform
