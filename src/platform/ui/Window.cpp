#include "platform/ui/Window.h"

#include "platform/base/RunLoop.h"

#include <algorithm>
#include <cmath>

namespace platform {

Window::Window() : View(Rect(0.0f, 0.0f, Screen::kWidth, Screen::kHeight)) {}

int Window::tapCountFor(Point location, const View* view, double now) const {
    if (!lastTap_ || lastTap_->view.lock().get() != view ||
        now - lastTap_->time > kMultiTapInterval) {
        return 1;
    }
    const double dx = static_cast<double>(location.x) - static_cast<double>(lastTap_->location.x);
    const double dy = static_cast<double>(location.y) - static_cast<double>(lastTap_->location.y);
    return std::hypot(dx, dy) <= static_cast<double>(kMultiTapDistance) ? lastTap_->count + 1 : 1;
}

void Window::tap(Point location, int id) {
    touchDown(id, location);
    touchUp(id, location);
}

void Window::cancelAllTouches() {
    std::vector<TouchInput> inputs;
    for (int id : order_) {
        inputs.push_back({id, active_.at(id)->windowLocation()});
    }
    handleTouches(TouchPhase::Cancelled, inputs);
}

void Window::handleTouches(TouchPhase phase, const std::vector<TouchInput>& inputs) {
    const double now = RunLoop::main().now();
    TouchList touches;
    for (const TouchInput& input : inputs) {
        const auto found = active_.find(input.id);
        if (phase == TouchPhase::Began) {
            if (found != active_.end()) {
                continue;
            }
            View* hit = hitTest(input.location);
            if (hit == nullptr) {
                continue;
            }
            // A view that takes one finger at a time ignores the others.
            const bool busy = std::any_of(active_.begin(), active_.end(),
                                          [hit](const auto& a) { return a.second->view() == hit; });
            if (!hit->isMultipleTouchEnabled() &&
                (busy || std::any_of(touches.begin(), touches.end(),
                                     [hit](const auto& t) { return t->view() == hit; }))) {
                continue;
            }
            auto touch = std::make_shared<Touch>(this, hit->weak_from_this(), input.location, now,
                                                 tapCountFor(input.location, hit, now));
            active_.emplace(input.id, touch);
            order_.push_back(input.id);
            downAt_[touch.get()] = input.location;
            touches.push_back(std::move(touch));
            continue;
        }
        if (found == active_.end() ||
            std::any_of(touches.begin(), touches.end(),
                        [&](const auto& t) { return t == found->second; })) {
            continue;
        }
        std::shared_ptr<Touch> touch = found->second;
        touch->timestamp_ = now;
        touch->phase_ = phase;
        if (phase != TouchPhase::Cancelled) {
            touch->previous_ = touch->location_;
            touch->location_ = input.location;
        }
        touches.push_back(std::move(touch));
    }
    if (touches.empty()) {
        return;
    }

    TouchList all;
    for (int id : order_) {
        all.push_back(active_.at(id));
    }
    const Event event(now, std::move(all));

    if (phase == TouchPhase::Ended || phase == TouchPhase::Cancelled) {
        for (const auto& touch : touches) {
            std::erase_if(active_, [&](const auto& a) { return a.second == touch; });
        }
        std::erase_if(order_, [this](int id) { return !active_.contains(id); });
        for (const auto& touch : touches) {
            const Point down = downAt_[touch.get()];
            downAt_.erase(touch.get());
            const double moved = std::hypot(static_cast<double>(touch->location_.x - down.x),
                                            static_cast<double>(touch->location_.y - down.y));
            if (phase == TouchPhase::Ended && moved <= static_cast<double>(kMultiTapDistance)) {
                lastTap_ = LastTap{touch->location_, now, touch->tapCount_, touch->view_};
            } else {
                lastTap_.reset();
            }
        }
    }
    deliver(phase, touches, event);
}

void Window::deliver(TouchPhase phase, const TouchList& touches, const Event& event) {
    // Touches go to their views in groups, in the order the views first appear.
    std::vector<std::pair<std::shared_ptr<View>, TouchList>> groups;
    for (const auto& touch : touches) {
        std::shared_ptr<View> view = touch->view_.lock();
        if (!view || view->window() != this) {
            continue;
        }
        auto group = std::find_if(groups.begin(), groups.end(),
                                  [&](const auto& g) { return g.first == view; });
        if (group == groups.end()) {
            groups.emplace_back(view, TouchList{});
            group = groups.end() - 1;
        }
        group->second.push_back(touch);
    }
    for (auto& [view, list] : groups) {
        // While interaction is off no event reaches the view, but a finger that lifts
        // meanwhile is reported as cancelled so the view does not wait for it forever.
        if (view->window() != this) {
            continue;
        }
        const bool receives = view->receivesTouches();
        switch (phase) {
        case TouchPhase::Began:
            view->touchesBegan(list, event);
            break;
        case TouchPhase::Moved:
        case TouchPhase::Stationary:
            if (receives) {
                view->touchesMoved(list, event);
            }
            break;
        case TouchPhase::Ended:
            if (receives) {
                view->touchesEnded(list, event);
            } else {
                for (const auto& touch : list) {
                    touch->phase_ = TouchPhase::Cancelled;
                }
                view->touchesCancelled(list, event);
            }
            break;
        case TouchPhase::Cancelled:
            view->touchesCancelled(list, event);
            break;
        }
    }
}

} // namespace platform
