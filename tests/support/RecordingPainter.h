#pragma once

#include "platform/graphics/Painter.h"

#include <optional>
#include <span>
#include <vector>

namespace testsupport {

// One call a view made on its painter.
struct PaintCall {
    enum Kind { FillRect, DrawPicture, FillConvex };
    Kind kind;
    platform::Rect rect;                      // FillRect, DrawPicture
    platform::Color top;                      // FillRect's colour, FillConvex's top colour
    float alpha = 1.0f;                       // DrawPicture
    std::optional<platform::Picture> picture; // DrawPicture
};

// A painter that draws nothing and keeps every call, so a view's drawing can be checked
// without GL.
class RecordingPainter : public platform::Painter {
public:
    using Painter::drawPicture;
    using Painter::fillConvex;

    explicit RecordingPainter(int scale = 2) : scale_(scale) {}

    int scale() const override { return scale_; }
    void fillRect(platform::Rect rect, platform::Color color) override {
        calls.push_back({PaintCall::FillRect, rect, color, 1.0f, std::nullopt});
    }
    void drawPicture(const platform::Picture& picture, platform::Rect rect, float alpha) override {
        calls.push_back({PaintCall::DrawPicture, rect, {}, alpha, picture});
    }
    void fillConvex(std::span<const platform::Point>, platform::Color top, platform::Color, float,
                    float) override {
        calls.push_back({PaintCall::FillConvex, {}, top, 1.0f, std::nullopt});
    }

    std::vector<PaintCall> calls;

private:
    int scale_;
};

} // namespace testsupport
