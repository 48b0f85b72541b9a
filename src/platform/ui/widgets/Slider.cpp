#include "platform/ui/widgets/Slider.h"

#include "platform/base/RunLoop.h"
#include "platform/graphics/Painter.h"
#include "platform/ui/Animation.h"

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

constexpr double kGlideDuration = Animation::kDefaultDuration;

} // namespace

Slider::Slider(Rect frame) : Control(frame) {}

void Slider::setMinimumValue(float minimum) {
    if (std::isnan(minimum)) {
        return;
    }
    minimum_ = minimum;
    maximum_ = std::max(maximum_, minimum_);
    value_ = std::clamp(value_, minimum_, maximum_);
    setNeedsDisplay();
}

void Slider::setMaximumValue(float maximum) {
    if (std::isnan(maximum)) {
        return;
    }
    maximum_ = maximum;
    minimum_ = std::min(minimum_, maximum_);
    value_ = std::clamp(value_, minimum_, maximum_);
    setNeedsDisplay();
}

Slider::~Slider() {
    stopGlide();
}

void Slider::setValue(float value, bool animated) {
    if (std::isnan(value)) {
        return;
    }
    const float from = presentedValue();
    value_ = std::clamp(value, minimum_, maximum_);
    if (animated && from != value_) {
        if (glideStart_ < 0.0) {
            // The thumb moves with the clock: every frame of the glide shows it anew, and
            // the frame observer keeps frames coming until the glide ends.
            RunLoop::main().addFrameObserver(this, [this](double now) {
                setNeedsDisplay();
                if (now >= glideStart_ + kGlideDuration) {
                    stopGlide();
                }
            });
        }
        glideFrom_ = from;
        glideStart_ = RunLoop::main().now();
    } else {
        stopGlide();
    }
    setNeedsDisplay();
}

void Slider::stopGlide() {
    if (glideStart_ >= 0.0) {
        glideStart_ = -1.0;
        RunLoop::main().removeFrameObserver(this);
    }
}

float Slider::presentedValue() const {
    if (glideStart_ < 0.0) {
        return value_;
    }
    AnimationBlock glide;
    glide.start = glideStart_;
    glide.duration = kGlideDuration;
    glide.committed = true;
    const float t = glide.progress(RunLoop::main().now());
    return glideFrom_ + (value_ - glideFrom_) * t;
}

Point Slider::thumbCentreForValue(float value) const {
    const Rect b = bounds();
    const float travel = std::max(0.0f, b.width() - kThumbDiameter);
    const float range = maximum_ - minimum_;
    const float t = range > 0.0f ? std::clamp((value - minimum_) / range, 0.0f, 1.0f) : 0.0f;
    return {b.x() + kThumbDiameter * 0.5f + travel * t, b.y() + b.height() * 0.5f};
}

float Slider::valueForThumbX(float x) const {
    const Rect b = bounds();
    const float travel = b.width() - kThumbDiameter;
    if (travel <= 0.0f) {
        return minimum_;
    }
    const float t = std::clamp((x - b.x() - kThumbDiameter * 0.5f) / travel, 0.0f, 1.0f);
    return std::clamp(minimum_ + (maximum_ - minimum_) * t, minimum_, maximum_);
}

void Slider::moveTo(float value) {
    const float before = value_;
    stopGlide();
    value_ = std::clamp(value, minimum_, maximum_);
    setNeedsDisplay();
    if (continuous_ && value_ != before) {
        sendActionsForControlEvents(ValueChanged);
    }
}

bool Slider::beginTracking(Point location) {
    const Point thumb = thumbCentreForValue(value_);
    const float reach = kThumbDiameter * 0.5f + kThumbReach;
    if (std::fabs(location.x - thumb.x) > reach || std::fabs(location.y - thumb.y) > reach) {
        return false;
    }
    stopGlide();
    grabOffset_ = location.x - thumb.x;
    valueAtTouchDown_ = value_;
    setHighlighted(true);
    sendActionsForControlEvents(TouchDown);
    return true;
}

void Slider::continueTracking(Point location, bool) {
    // The thumb follows the finger anywhere, as the finger is on it.
    moveTo(valueForThumbX(location.x - grabOffset_));
}

void Slider::endTracking(Point location, bool inside) {
    moveTo(valueForThumbX(location.x - grabOffset_));
    setHighlighted(false);
    if (!continuous_ && value_ != valueAtTouchDown_) {
        sendActionsForControlEvents(ValueChanged);
    }
    sendActionsForControlEvents(inside ? TouchUpInside : TouchUpOutside);
}

void Slider::cancelTracking() {
    setHighlighted(false);
    // A value the finger reached counts even when the touch was taken away.
    if (!continuous_ && value_ != valueAtTouchDown_) {
        sendActionsForControlEvents(ValueChanged);
    }
    sendActionsForControlEvents(TouchCancel);
}

void Slider::drawContent(Painter& painter) {
    const Rect b = bounds();
    const Point thumb = thumbCentreForValue(presentedValue());
    const float pixel = 1.0f / static_cast<float>(painter.scale());
    const float trackTop = std::round((thumb.y - kTrackHeight * 0.5f) * painter.scale()) /
                           static_cast<float>(painter.scale());
    const float left = b.x() + 2.0f;
    const float right = b.x() + b.width() - 2.0f;
    const float radius = kTrackHeight * 0.5f;
    const float dim = isEnabled() ? 1.0f : 0.5f;
    const Rect track(left, trackTop, std::max(0.0f, right - left), kTrackHeight);
    // Groove: a dark rim, the empty part light grey, the filled part blue.
    painter.fillRoundedRect(track, radius, {0.0f, 0.0f, 0.0f, 0.55f * dim},
                            {0.25f, 0.25f, 0.25f, 0.45f * dim});
    const Rect inner(track.x() + pixel, track.y() + pixel, track.width() - 2 * pixel,
                     track.height() - 2 * pixel);
    painter.fillRoundedRect(inner, radius - pixel, {0.72f, 0.72f, 0.72f, dim},
                            {0.98f, 0.98f, 0.98f, dim});
    const float filled = std::max(thumb.x, inner.x() + 2.0f * radius) - inner.x();
    painter.fillRoundedRect(Rect(inner.x(), inner.y(), filled, inner.height()), radius - pixel,
                            {0.16f, 0.36f, 0.78f, dim}, {0.42f, 0.62f, 0.98f, dim});

    // Thumb: a soft shadow, a grey rim and a white dome, darker while held.
    const float d = kThumbDiameter;
    const Rect dome(thumb.x - d * 0.5f, thumb.y - d * 0.5f, d, d);
    // A disabled thumb stays opaque, only greyer, so the track does not show through.
    const float shade = isEnabled() ? 1.0f : 0.7f;
    painter.fillEllipse(Rect(dome.x(), dome.y() + 1.0f, d, d), {0.0f, 0.0f, 0.0f, 0.3f});
    painter.fillEllipse(dome, {0.55f, 0.55f, 0.55f, 1.0f}, {0.35f, 0.35f, 0.35f, 1.0f});
    const Rect face(dome.x() + pixel, dome.y() + pixel, d - 2 * pixel, d - 2 * pixel);
    const float light = isHighlighted() ? 0.85f : 1.0f;
    const float dark = isHighlighted() ? 0.62f : 0.82f;
    painter.fillEllipse(face, {light * shade, light * shade, light * shade, 1.0f},
                        {dark * shade, dark * shade, dark * shade, 1.0f});
}

} // namespace platform
