#include "Pixello/CropGeometry.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <tuple>

namespace {

using platform::Point;
using platform::Rect;
using platform::Size;

TEST(CropRectangle, EdgeBandIsTenScreenPointsAtAnyZoom) {
    const Rect crop(15, 15, 270, 170);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // Exactly 10 / z away still counts; the right, top and bottom edges; left of the left edge
    // but above the top is outside the edge's span. A point, the zoom, and on the edge or not.
    const std::tuple<Point, float, bool> cases[] = {
        {{5, 100}, 1, true},    {{4.5f, 100}, 1, false}, {{10, 100}, 2, true},
        {{9, 100}, 2, false},   {{-5, 100}, 0.5f, true}, {{290, 100}, 1, true},
        {{100, 20}, 1, true},   {{100, 180}, 1, true},   {{12, 10}, 1, false},
        {{100, 100}, 1, false}, {{nan, 100}, 1, false},  {{15, nan}, 1, false}};
    for (const auto& [at, zoom, onEdge] : cases) {
        EXPECT_EQ(CropGeometry::isOnCropEdge(at, crop, zoom), onEdge) << at.x << "," << at.y;
    }
}

TEST(CropRectangle, DragsMoveTheEdgeUnderTheFingerWithinTheMinimumAndThePicture) {
    EXPECT_EQ(CropGeometry::initialCropRect({300, 200}), Rect(15, 15, 270, 170));
    EXPECT_EQ(CropGeometry::initialCropRect({30, 60}), Rect(10, 10, 10, 40));
    EXPECT_EQ(CropGeometry::initialCropRect({640, 480}), Rect(15, 15, 610, 450));
    EXPECT_EQ(CropGeometry::initialCropRect({0, 0}), Rect(0, 0, 0, 0));
    const Rect crop(15, 15, 270, 170);
    const Size picture(300, 200);
    struct Case {
        const char* what;
        Rect crop;
        Point from, to;
        Size picture;
        Rect expected;
    };
    for (const Case& c : {
             Case{"left, to 15 wide", crop, {15, 100}, {400, 100}, picture, {270, 15, 15, 170}},
             Case{"left, stops at 0", crop, {15, 100}, {-40, 100}, picture, {0, 15, 285, 170}},
             Case{"right, out", crop, {285, 100}, {310, 100}, picture, {15, 15, 285, 170}},
             Case{"right, to the minimum", crop, {285, 100}, {0, 100}, picture, {15, 15, 15, 170}},
             Case{"top", crop, {100, 15}, {100, 5}, picture, {15, 5, 270, 180}},
             Case{"bottom, out", crop, {100, 185}, {100, 220}, picture, {15, 15, 270, 185}},
             Case{"inside", crop, {100, 100}, {120, 120}, picture, crop},
             Case{"corner, up left", crop, {16, 16}, {10, 12}, picture, {9, 11, 276, 174}},
             // The start then lies left of the new left edge, so the top stays.
             Case{"corner, right", crop, {16, 16}, {20, 20}, picture, {19, 15, 266, 170}},
             // A picture 30 wide has a minimum width of 10; a start in both side bands moves
             // the left edge, then the right one, so the whole rectangle shifts.
             Case{"narrow", {10, 10, 10, 40}, {20, 30}, {0, 30}, {30, 60}, {0, 10, 10, 40}},
             Case{"no picture", {0, 0, 0, 0}, {0, 0}, {5, 5}, {0, 0}, {0, 0, 0, 0}},
         }) {
        EXPECT_EQ(CropGeometry::dragCropRect(c.crop, c.from, c.to, c.picture, 1.0f), c.expected)
            << c.what;
    }
}

} // namespace
