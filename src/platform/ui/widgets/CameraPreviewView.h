#pragma once

#include "platform/graphics/Picture.h"
#include "platform/ui/View.h"

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

class FrameSource;

// Shows a camera's newest frame, fitted and centred, and redraws when a new one arrives; a
// camera that failed shows why instead.
class CameraPreviewView : public View {
public:
    explicit CameraPreviewView(Rect frame);
    ~CameraPreviewView() override;

    // The camera to show (not owned; nullptr for none). It must stay alive while it is set.
    void setSource(FrameSource* source);
    // The frame on screen now: what the shutter takes.
    const std::optional<Picture>& shownFrame() const { return shown_; }
    // Why the camera shows nothing, when it failed.
    const std::string& failure() const { return failure_; }

    // Takes the source's newest frame when it is another than the one shown.
    void refresh();
    void drawContent(Painter& painter) override;

private:
    FrameSource* source_ = nullptr; // not owned
    std::optional<Picture> shown_;
    std::uint64_t shownNumber_ = 0;
    std::string failure_;
};

} // namespace platform
