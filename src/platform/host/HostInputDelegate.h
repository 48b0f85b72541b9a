#pragma once

#include "platform/base/Geometry.h"

#include <filesystem>
#include <optional>

namespace platform {

// What the window's keyboard shortcuts and mouse fingers ask of the application.
class HostInputDelegate {
public:
    virtual ~HostInputDelegate() = default;
    // Ctrl+Z, Ctrl+Shift+Z or Ctrl+Y, Escape.
    virtual void undo() = 0;
    virtual void redo() = 0;
    virtual void back() = 0;
    // Where the second mouse finger is mirrored (screen points of the portrait screen);
    // nothing for the centre of the screen below the status bar.
    virtual std::optional<Point> mirrorCentre() const { return std::nullopt; }
    // A file dropped on the window.
    virtual void openFile(const std::filesystem::path& path) { (void)path; }
};

} // namespace platform
