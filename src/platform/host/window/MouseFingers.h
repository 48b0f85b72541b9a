#pragma once

#include "platform/base/Geometry.h"
#include "platform/ui/Touch.h"
#include "platform/ui/Window.h"

#include <optional>
#include <vector>

namespace platform {

// The mouse as fingers on the screen: one finger, or with Alt held a second one that
// mirrors the mouse about a centre; with Alt+Shift the centre travels with the mouse, so
// both fingers move together. Knows nothing of the window system: the host hands it the
// mouse's point in screen points, the left button and the modifier keys, and delivers the
// touches it answers.
class MouseFingers {
public:
    // Touches for the window to handle.
    struct Touches {
        TouchPhase phase;
        std::vector<Window::TouchInput> inputs;
    };
    static constexpr int kMouseFinger = 0;
    static constexpr int kMirroredFinger = 1;

    // Alt as a key event finds it: each press or release starts mirroring about the
    // application's centre again. True when Alt changed.
    bool altFromKeys(bool held);
    // Alt as a mouse event finds it: the centre stays where Alt+Shift moved it.
    void altFromMouse(bool held) { altHeld_ = held; }
    bool altHeld() const { return altHeld_; }

    // `applicationCentre` is where the application wants the mirror (the middle of the
    // screen below the status bar when it says nothing).
    //
    // The mouse moved to `point`; the fingers that are down move with it.
    std::optional<Touches> moved(Point point, bool shift, std::optional<Point> applicationCentre);
    // The left button went down at `point`: the fingers begin, as many as Alt asks for now,
    // and stay that many until it is released. Nothing while they are down already.
    std::optional<Touches> pressed(Point point, std::optional<Point> applicationCentre);
    // The left button went up at `point`: the fingers end. Nothing when none are down.
    std::optional<Touches> released(Point point, std::optional<Point> applicationCentre);
    // Forgets the fingers that are down, whose touches ended otherwise.
    void forget() { down_.clear(); }

    // Where the fingers touch now, or would touch if the button went down: shown while Alt
    // is held.
    std::vector<Point> shown(std::optional<Point> applicationCentre) const;

private:
    struct Finger {
        int id;
        Point location; // screen points
    };

    Point mirrorCentre(std::optional<Point> applicationCentre) const;
    std::vector<Point> fingersAt(Point mouse, std::optional<Point> applicationCentre) const;

    // The fingers while the button is down, and the mirror centre while Alt is held.
    std::vector<Finger> down_;
    Point mouse_;
    bool altHeld_ = false;
    std::optional<Point> movedCentre_;
};

} // namespace platform
