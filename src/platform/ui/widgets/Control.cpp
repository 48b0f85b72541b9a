#include "platform/ui/widgets/Control.h"

#include <algorithm>

namespace platform {

Control::Control(Rect frame) : View(frame) {}

void Control::setEnabled(bool enabled) {
    if (enabled_ == enabled) {
        return;
    }
    enabled_ = enabled;
    if (!enabled && isTracking()) {
        // The finger that was pressing it no longer counts.
        tracked_.reset();
        setHighlighted(false);
    }
    stateDidChange();
    setNeedsDisplay();
}

void Control::setSelected(bool selected) {
    if (selected_ != selected) {
        selected_ = selected;
        stateDidChange();
        setNeedsDisplay();
    }
}

void Control::setHighlighted(bool highlighted) {
    if (highlighted_ != highlighted) {
        highlighted_ = highlighted;
        stateDidChange();
        setNeedsDisplay();
    }
}

unsigned Control::state() const {
    return (highlighted_ ? Highlighted : 0u) | (enabled_ ? 0u : Disabled) |
           (selected_ ? Selected : 0u);
}

void Control::addTarget(const void* target, Action action, unsigned events) {
    if (action && events != 0) {
        registrations_.push_back({target, std::move(action), events});
    }
}

void Control::removeTarget(const void* target, unsigned events) {
    for (Registration& r : registrations_) {
        if (target == nullptr || r.target == target) {
            r.events &= ~events;
        }
    }
    std::erase_if(registrations_, [](const Registration& r) { return r.events == 0; });
}

void Control::sendActionsForControlEvents(unsigned events) {
    // An action may drop the last other reference to this control, or change the list.
    const std::shared_ptr<View> keepAlive = weak_from_this().lock();
    const std::vector<Registration> registrations = registrations_;
    for (const Registration& r : registrations) {
        if ((r.events & events) != 0) {
            r.action(*this);
        }
    }
}

View* Control::hitTest(Point point) {
    return enabled_ ? View::hitTest(point) : nullptr;
}

bool Control::isTouchInside(Point p) const {
    const Rect b = bounds();
    return p.x >= b.x() - kTouchSlop && p.x <= b.x() + b.width() + kTouchSlop &&
           p.y >= b.y() - kTouchSlop && p.y <= b.y() + b.height() + kTouchSlop;
}

std::shared_ptr<Touch> Control::trackedTouch(const TouchList& touches) const {
    const std::shared_ptr<Touch> tracked = tracked_.lock();
    if (tracked && std::find(touches.begin(), touches.end(), tracked) != touches.end()) {
        return tracked;
    }
    return nullptr;
}

bool Control::beginTracking(Point) {
    setHighlighted(true);
    sendActionsForControlEvents(TouchDown);
    return true;
}

void Control::continueTracking(Point, bool inside) {
    setHighlighted(inside);
    sendActionsForControlEvents(inside ? TouchDragInside : TouchDragOutside);
}

void Control::endTracking(Point, bool inside) {
    setHighlighted(false);
    sendActionsForControlEvents(inside ? TouchUpInside : TouchUpOutside);
}

void Control::cancelTracking() {
    setHighlighted(false);
    sendActionsForControlEvents(TouchCancel);
}

void Control::touchesBegan(const TouchList& touches, const Event&) {
    if (!enabled_ || isTracking() || touches.empty()) {
        return;
    }
    const std::shared_ptr<Touch>& touch = touches.front();
    tracked_ = touch;
    if (!beginTracking(touch->locationInView(this))) {
        tracked_.reset();
    }
}

void Control::touchesMoved(const TouchList& touches, const Event&) {
    if (const auto touch = trackedTouch(touches)) {
        const Point p = touch->locationInView(this);
        continueTracking(p, isTouchInside(p));
    }
}

void Control::touchesEnded(const TouchList& touches, const Event&) {
    if (const auto touch = trackedTouch(touches)) {
        tracked_.reset();
        const Point p = touch->locationInView(this);
        endTracking(p, isTouchInside(p));
    }
}

void Control::touchesCancelled(const TouchList& touches, const Event&) {
    if (trackedTouch(touches)) {
        tracked_.reset();
        cancelTracking();
    }
}

} // namespace platform
