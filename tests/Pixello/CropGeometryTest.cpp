#include "Pixello/CropGeometry.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

using platform::Point;
using platform::Rect;
using platform::Size;

TEST(CropRectangle, EdgeBandIsTenScreenPointsAtAnyZoom) {
    const Rect crop(15, 15, 270, 170);
    // Exactly 10 / z away still counts.
    EXPECT_TRUE(CropGeometry::isOnCropEdge({5, 100}, crop, 1.0f));
    EXPECT_FALSE(CropGeometry::isOnCropEdge({4.5f, 100}, crop, 1.0f));
    EXPECT_TRUE(CropGeometry::isOnCropEdge({10, 100}, crop, 2.0f));
    EXPECT_FALSE(CropGeometry::isOnCropEdge({9, 100}, crop, 2.0f));
    EXPECT_TRUE(CropGeometry::isOnCropEdge({-5, 100}, crop, 0.5f));
    // Right, top and bottom edges.
    EXPECT_TRUE(CropGeometry::isOnCropEdge({290, 100}, crop, 1.0f));
    EXPECT_TRUE(CropGeometry::isOnCropEdge({100, 20}, crop, 1.0f));
    EXPECT_TRUE(CropGeometry::isOnCropEdge({100, 180}, crop, 1.0f));
    // Left of the left edge but above the top: outside the edge's span.
    EXPECT_FALSE(CropGeometry::isOnCropEdge({12, 10}, crop, 1.0f));
    EXPECT_FALSE(CropGeometry::isOnCropEdge({100, 100}, crop, 1.0f));
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(CropGeometry::isOnCropEdge({nan, 100}, crop, 1.0f));
    EXPECT_FALSE(CropGeometry::isOnCropEdge({15, nan}, crop, 1.0f));
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
             Case{"right, out", crop, {285, 100}, {400, 100}, picture, {15, 15, 285, 170}},
             Case{"right, to the minimum", crop, {285, 100}, {0, 100}, picture, {15, 15, 15, 170}},
             Case{"top", crop, {100, 15}, {100, 5}, picture, {15, 5, 270, 180}},
             Case{"bottom", crop, {100, 185}, {100, 300}, picture, {15, 15, 270, 185}},
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
