#include "platform/graphics/Outline.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace platform {

namespace {

constexpr double kPi = 3.14159265358979323846;

} // namespace

std::vector<Point> roundedRectOutline(Rect rect, float radius) {
    constexpr int kSteps = 8; // per quarter circle
    const float w = std::max(rect.width(), 0.0f);
    const float h = std::max(rect.height(), 0.0f);
    const float r = std::clamp(radius, 0.0f, std::min(w, h) * 0.5f);
    const float left = rect.x() + r;
    const float right = rect.x() + w - r;
    const float top = rect.y() + r;
    const float bottom = rect.y() + h - r;
    // Corner centres in the order the outline visits them, with the angle each arc starts at
    // (y grows downward, so growing angles turn clockwise on screen).
    const std::array<std::pair<Point, double>, 4> arcs = {{{{left, top}, kPi},
                                                           {{right, top}, kPi * 1.5},
                                                           {{right, bottom}, 0.0},
                                                           {{left, bottom}, kPi * 0.5}}};
    std::vector<Point> points;
    points.reserve(4 * (kSteps + 1));
    for (const auto& [centre, start] : arcs) {
        for (int step = 0; step <= (r > 0.0f ? kSteps : 0); ++step) {
            const double angle = start + kPi * 0.5 * step / kSteps;
            points.push_back({centre.x + static_cast<float>(std::cos(angle) * r),
                              centre.y + static_cast<float>(std::sin(angle) * r)});
        }
    }
    return points;
}

std::vector<Point> ellipseOutline(Rect rect) {
    constexpr int kSteps = 64;
    const double cx = rect.x() + rect.width() * 0.5;
    const double cy = rect.y() + rect.height() * 0.5;
    const double rx = rect.width() * 0.5;
    const double ry = rect.height() * 0.5;
    std::vector<Point> points;
    points.reserve(kSteps);
    for (int step = 0; step < kSteps; ++step) {
        const double angle = 2.0 * kPi * step / kSteps;
        points.push_back({static_cast<float>(cx + std::cos(angle) * rx),
                          static_cast<float>(cy + std::sin(angle) * ry)});
    }
    return points;
}

} // namespace platform
