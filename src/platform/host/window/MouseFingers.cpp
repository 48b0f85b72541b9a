#include "platform/host/window/MouseFingers.h"

#include "platform/host/StatusBar.h"

#include <algorithm>

namespace platform {

bool MouseFingers::altFromKeys(bool held) {
    if (held == altHeld_) {
        return false;
    }
    altHeld_ = held;
    // Each Alt press starts mirroring about the application's centre again.
    movedCentre_.reset();
    return true;
}

Point MouseFingers::mirrorCentre(std::optional<Point> applicationCentre) const {
    if (movedCentre_) {
        return *movedCentre_;
    }
    if (applicationCentre) {
        return *applicationCentre;
    }
    // The middle of the screen below the status bar.
    return {Screen::kWidth * 0.5f,
            Screen::kStatusBarHeight + (Screen::kHeight - Screen::kStatusBarHeight) * 0.5f};
}

std::vector<Point> MouseFingers::fingersAt(Point mouse,
                                           std::optional<Point> applicationCentre) const {
    if (!altHeld_) {
        return {mouse};
    }
    const Point centre = mirrorCentre(applicationCentre);
    const Point mirrored{std::clamp(2.0f * centre.x - mouse.x, 0.0f, Screen::kWidth),
                         std::clamp(2.0f * centre.y - mouse.y, 0.0f, Screen::kHeight)};
    return {mouse, mirrored};
}

std::optional<MouseFingers::Touches> MouseFingers::moved(Point point, bool shift,
                                                         std::optional<Point> applicationCentre) {
    if (altHeld_ && shift) {
        // Both fingers move together: the mirror centre travels with the mouse.
        const Point centre = mirrorCentre(applicationCentre);
        movedCentre_ = Point{centre.x + point.x - mouse_.x, centre.y + point.y - mouse_.y};
    }
    mouse_ = point;
    if (down_.empty()) {
        return std::nullopt;
    }
    const std::vector<Point> fingers = fingersAt(point, applicationCentre);
    Touches touches{TouchPhase::Moved, {}};
    for (std::size_t i = 0; i < down_.size(); ++i) {
        down_[i].location = fingers[std::min(i, fingers.size() - 1)];
        touches.inputs.push_back({down_[i].id, down_[i].location});
    }
    return touches;
}

std::optional<MouseFingers::Touches> MouseFingers::pressed(Point point,
                                                           std::optional<Point> applicationCentre) {
    mouse_ = point;
    if (!down_.empty()) {
        return std::nullopt;
    }
    // The fingers stay as they came down until the button is released.
    const std::vector<Point> fingers = fingersAt(mouse_, applicationCentre);
    Touches touches{TouchPhase::Began, {}};
    for (std::size_t i = 0; i < fingers.size(); ++i) {
        const int id = i == 0 ? kMouseFinger : kMirroredFinger;
        down_.push_back({id, fingers[i]});
        touches.inputs.push_back({id, fingers[i]});
    }
    return touches;
}

std::optional<MouseFingers::Touches>
MouseFingers::released(Point point, std::optional<Point> applicationCentre) {
    mouse_ = point;
    if (down_.empty()) {
        return std::nullopt;
    }
    const std::vector<Point> fingers = fingersAt(mouse_, applicationCentre);
    Touches touches{TouchPhase::Ended, {}};
    for (std::size_t i = 0; i < down_.size(); ++i) {
        touches.inputs.push_back({down_[i].id, fingers[std::min(i, fingers.size() - 1)]});
    }
    down_.clear();
    return touches;
}

std::vector<Point> MouseFingers::shown(std::optional<Point> applicationCentre) const {
    if (!altHeld_) {
        return {};
    }
    if (down_.empty()) {
        return fingersAt(mouse_, applicationCentre);
    }
    std::vector<Point> fingers;
    for (const Finger& finger : down_) {
        fingers.push_back(finger.location);
    }
    return fingers;
}

} // namespace platform
