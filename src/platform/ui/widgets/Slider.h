#pragma once

#include "platform/ui/widgets/Control.h"

namespace platform {

// A value between a minimum and a maximum, shown as a track filled up to a round thumb
// that the finger drags. A touch must come down on the thumb (or close to it); the thumb
// then follows the finger without jumping. While continuous (the default) every move
// sends ValueChanged; otherwise one ValueChanged goes out when the finger lifts, if the
// value changed. The value always stays within the range.
class Slider : public Control {
public:
    static constexpr float kThumbDiameter = 23.0f;
    static constexpr float kTrackHeight = 9.0f;
    // How far around the thumb a finger still grabs it.
    static constexpr float kThumbReach = 12.0f;

    explicit Slider(Rect frame = {});
    ~Slider() override;

    float minimumValue() const { return minimum_; }
    // The value moves into a changed range; a maximum below the minimum is raised to it.
    void setMinimumValue(float minimum);
    float maximumValue() const { return maximum_; }
    void setMaximumValue(float maximum);
    float value() const { return value_; }
    // Clamped to the range; not-a-number is ignored. With `animated` the thumb glides
    // there; value() answers the new value at once. Sends no action.
    void setValue(float value, bool animated = false);
    bool isContinuous() const { return continuous_; }
    void setContinuous(bool continuous) { continuous_ = continuous; }

    // Where the thumb's centre lies for `value`, in the slider's coordinates.
    Point thumbCentreForValue(float value) const;

    void drawContent(Painter& painter) override;

protected:
    bool beginTracking(Point location) override;
    void continueTracking(Point location, bool inside) override;
    void endTracking(Point location, bool inside) override;
    void cancelTracking() override;

private:
    float valueForThumbX(float x) const;
    float presentedValue() const;
    void moveTo(float value);
    // Ends a glide: the thumb shows the value itself from now on.
    void stopGlide();

    float minimum_ = 0.0f;
    float maximum_ = 1.0f;
    float value_ = 0.0f;
    bool continuous_ = true;
    float grabOffset_ = 0.0f; // finger x minus thumb centre x when it came down
    float valueAtTouchDown_ = 0.0f;
    // A glide started by setValue(…, true): from where, and when.
    float glideFrom_ = 0.0f;
    double glideStart_ = -1.0;
};

} // namespace platform
