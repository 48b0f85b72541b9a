#pragma once

#include "platform/base/Screen.h"
#include "platform/ui/Touch.h"
#include "platform/ui/View.h"

#include <map>
#include <optional>
#include <vector>

namespace platform {

// The top of a view tree: the whole screen. Hosts (the SDL window, the
// script runner, tests) feed it touches in window points; it hit-tests each new
// finger, keeps one Touch object per finger until it lifts, counts taps and hands the
// four phases to the views.
class Window : public View {
public:
    // A tap continues the previous one's count when it comes down this soon after
    // the previous finger lifted, this close to where it lifted, on the same view.
    static constexpr double kMultiTapInterval = 0.35;
    static constexpr float kMultiTapDistance = 12.0f;

    Window();

    Window* window() const override { return const_cast<Window*>(this); }

    void makeKeyAndVisible() { keyAndVisible_ = true; }
    bool isKeyAndVisible() const { return keyAndVisible_; }

    // One finger of a host event: the host's id for the finger and its location.
    struct TouchInput {
        int id = 0;
        Point location;
    };
    // Delivers one event. Fingers the window does not know (or, for Began, already
    // knows) are ignored, so no sequence of host input can confuse the views.
    void handleTouches(TouchPhase phase, const std::vector<TouchInput>& inputs);
    void touchDown(int id, Point location) { handleTouches(TouchPhase::Began, {{id, location}}); }
    void touchMove(int id, Point location) { handleTouches(TouchPhase::Moved, {{id, location}}); }
    void touchUp(int id, Point location) { handleTouches(TouchPhase::Ended, {{id, location}}); }
    void touchCancel(int id) { handleTouches(TouchPhase::Cancelled, {{id, {}}}); }
    // A whole tap at one place: down and up.
    void tap(Point location, int id = 0);
    // Cancels every finger still down (the host lost its input, for instance).
    void cancelAllTouches();

    std::size_t activeTouchCount() const { return active_.size(); }

private:
    struct LastTap {
        Point location;
        double time = 0.0;
        int count = 0;
        std::weak_ptr<View> view;
    };

    void deliver(TouchPhase phase, const TouchList& touches, const Event& event);
    int tapCountFor(Point location, const View* view, double now) const;

    bool keyAndVisible_ = false;
    std::map<int, std::shared_ptr<Touch>> active_;
    std::vector<int> order_; // ids of active_ in the order their fingers came down
    std::map<const Touch*, Point> downAt_;
    std::optional<LastTap> lastTap_;
};

} // namespace platform
