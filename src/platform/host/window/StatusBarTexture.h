#pragma once

#include "platform/base/Geometry.h"
#include "platform/host/StatusBar.h"

#include <GLES/gl.h>
#include <array>
#include <ctime>
#include <memory>
#include <optional>

namespace platform {

// The status bar in a texture of the window's GL context, rendered again only when its
// content (read again when the minute changes), its orientation or the scale changes.
class StatusBarTexture {
public:
    explicit StatusBarTexture(std::unique_ptr<StatusBar> bar) : bar_(std::move(bar)) {}
    // Gives the texture back when the shared context can be made current.
    ~StatusBarTexture();
    StatusBarTexture(const StatusBarTexture&) = delete;
    StatusBarTexture& operator=(const StatusBarTexture&) = delete;

    // The bar shows minutes: its content is read again when the minute changes. True when
    // it changed, and the bar is rendered again at the next update.
    bool followClock();
    // Renders the bar for the status-bar orientation and the scale when they or its
    // content changed. The window's context must be current.
    void update(int orientation, int scale);
    // Draws the bar, texels as they are, along the edge its orientation calls the top, in
    // the GL coordinates of the window turned to `windowOrientation` (points); answers the
    // corners it drew at (top-left, top-right, bottom-left, bottom-right of the bar), or
    // nothing before the first update.
    std::optional<std::array<Point, 4>> draw(int windowOrientation) const;

private:
    std::unique_ptr<StatusBar> bar_;
    GLuint texture_ = 0;
    StatusBar::Content content_;
    int orientation_ = 0;
    int scale_ = 0;
    int width_ = 0;
    int height_ = 0;
    int textureWidth_ = 0;
    int textureHeight_ = 0;
    std::time_t minute_ = -1;
};

} // namespace platform
