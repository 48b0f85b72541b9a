#pragma once

#include "platform/base/Geometry.h"

#include <memory>
#include <vector>

namespace platform {

class View;
class Window;

enum class TouchPhase { Began, Moved, Stationary, Ended, Cancelled };

// One finger from its began phase to its ended or cancelled phase: the same object
// stands for the finger in every event, so a view can find the finger's state by it.
class Touch {
public:
    Touch(Window* window, std::weak_ptr<View> view, Point windowLocation, double timestamp,
          int tapCount);

    TouchPhase phase() const { return phase_; }
    double timestamp() const { return timestamp_; }
    int tapCount() const { return tapCount_; }
    // The view the finger came down on, or nullptr once it left the tree.
    View* view() const;
    Window* window() const { return window_; }

    // The finger's location in `view`'s coordinates; in window coordinates for nullptr.
    Point locationInView(const View* view) const;
    Point previousLocationInView(const View* view) const;
    Point windowLocation() const { return location_; }

private:
    friend class Window;

    Window* window_; // not owned: the window outlives the touches it dispatches
    std::weak_ptr<View> view_;
    Point location_;
    Point previous_;
    double timestamp_;
    int tapCount_;
    TouchPhase phase_ = TouchPhase::Began;
};

// Touches of one event in the order the host listed them.
using TouchList = std::vector<std::shared_ptr<Touch>>;

// What a view gets with its touches: the time and every touch the window tracks.
class Event {
public:
    Event(double timestamp, TouchList allTouches)
        : timestamp_(timestamp), allTouches_(std::move(allTouches)) {}

    double timestamp() const { return timestamp_; }
    const TouchList& allTouches() const { return allTouches_; }

private:
    double timestamp_;
    TouchList allTouches_;
};

} // namespace platform
