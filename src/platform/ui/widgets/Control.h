#pragma once

#include "platform/ui/View.h"

#include <functional>
#include <memory>
#include <vector>

namespace platform {

// A view that reacts to touches by sending actions to targets: the tracking of one finger
// (highlighted while it is down inside), enabled and selected states, and target–action
// for the control events below. A disabled control takes no touches at all.
class Control : public View {
public:
    // Control events, as bits (the platform's numbering).
    enum Events : unsigned {
        TouchDown = 1u << 0,
        TouchDragInside = 1u << 2,
        TouchDragOutside = 1u << 3,
        TouchUpInside = 1u << 6,
        TouchUpOutside = 1u << 7,
        TouchCancel = 1u << 8,
        ValueChanged = 1u << 12,
    };
    // States, as bits; the state of a control is a combination of them.
    enum State : unsigned {
        Normal = 0,
        Highlighted = 1u << 0,
        Disabled = 1u << 1,
        Selected = 1u << 2,
    };
    // A finger that has left the control keeps counting as inside this far out, so a
    // slightly slipping fingertip still presses the control.
    static constexpr float kTouchSlop = 20.0f;

    using Action = std::function<void(Control& sender)>;

    explicit Control(Rect frame = {});

    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled);
    bool isSelected() const { return selected_; }
    void setSelected(bool selected);
    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool highlighted);
    unsigned state() const;
    bool isTracking() const { return !tracked_.expired(); }

    // Calls `action` for each of `events`. `target` only names the registration, so that
    // removeTarget can undo it; it is never dereferenced.
    void addTarget(const void* target, Action action, unsigned events);
    // The same for a member function of `target`: control->addTarget(this,
    // &Screen::saveAction, Control::TouchUpInside).
    template <typename T> void addTarget(T* target, void (T::*action)(Control&), unsigned events) {
        addTarget(
            static_cast<const void*>(target),
            [target, action](Control& sender) { (target->*action)(sender); }, events);
    }
    // Forgets the registrations of `target` (nullptr: of every target) for `events`.
    void removeTarget(const void* target, unsigned events);
    // Runs the actions registered for any of `events`, in the order they were added.
    void sendActionsForControlEvents(unsigned events);

    View* hitTest(Point point) override;
    void touchesBegan(const TouchList& touches, const Event& event) override;
    void touchesMoved(const TouchList& touches, const Event& event) override;
    void touchesEnded(const TouchList& touches, const Event& event) override;
    void touchesCancelled(const TouchList& touches, const Event& event) override;

protected:
    // The steps of tracking the one finger the control follows, in its own coordinates.
    // Answering false from beginTracking lets the finger go untracked.
    virtual bool beginTracking(Point location);
    virtual void continueTracking(Point location, bool inside);
    virtual void endTracking(Point location, bool inside);
    virtual void cancelTracking();
    // Whether a tracked finger at `location` counts as inside (the bounds grown by the slop).
    bool isTouchInside(Point location) const;
    virtual void stateDidChange() {}

private:
    struct Registration {
        const void* target;
        Action action;
        unsigned events;
    };
    std::shared_ptr<Touch> trackedTouch(const TouchList& touches) const;

    bool enabled_ = true;
    bool selected_ = false;
    bool highlighted_ = false;
    std::weak_ptr<Touch> tracked_;
    std::vector<Registration> registrations_;
};

} // namespace platform
