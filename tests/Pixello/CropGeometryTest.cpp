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

TEST(CropRectangle, EdgeDragsStopAtTheMinimumSizeAndThePictureBorder) {
    const Size picture(300, 200);
    const Rect crop(15, 15, 270, 170);
    // Left edge to the right: stops when the width reaches 15.
    EXPECT_EQ(CropGeometry::dragCropRect(crop, {15, 100}, {400, 100}, picture, 1.0f),
              Rect(270, 15, 15, 170));
    // Left edge to the left: stops at 0, the right edge stays.
    EXPECT_EQ(CropGeometry::dragCropRect(crop, {15, 100}, {-40, 100}, picture, 1.0f),
              Rect(0, 15, 285, 170));
    // Right edge out of the picture, and back down to the minimum.
    EXPECT_EQ(CropGeometry::dragCropRect(crop, {285, 100}, {400, 100}, picture, 1.0f),
              Rect(15, 15, 285, 170));
    EXPECT_EQ(CropGeometry::dragCropRect(crop, {285, 100}, {0, 100}, picture, 1.0f),
              Rect(15, 15, 15, 170));
    // Top and bottom.
    EXPECT_EQ(CropGeometry::dragCropRect(crop, {100, 15}, {100, 5}, picture, 1.0f),
              Rect(15, 5, 270, 180));
    EXPECT_EQ(CropGeometry::dragCropRect(crop, {100, 185}, {100, 300}, picture, 1.0f),
              Rect(15, 15, 270, 185));
    // Away from every edge nothing moves.
    EXPECT_EQ(CropGeometry::dragCropRect(crop, {100, 100}, {120, 120}, picture, 1.0f), crop);
}

TEST(CropRectangle, SmallPicturesUseAThirdAsMinimumAndInset) {
    EXPECT_EQ(CropGeometry::initialCropRect({300, 200}), Rect(15, 15, 270, 170));
    EXPECT_EQ(CropGeometry::initialCropRect({30, 60}), Rect(10, 10, 10, 40));
    EXPECT_EQ(CropGeometry::initialCropRect({640, 480}), Rect(15, 15, 610, 450));
    // A picture 30 wide has a minimum width of 10. Its rectangle is narrower than two bands:
    // a start in both side bands moves the left edge, then the right one, so the whole
    // rectangle shifts.
    EXPECT_EQ(CropGeometry::dragCropRect({10, 10, 10, 40}, {20, 30}, {0, 30}, {30, 60}, 1.0f),
              Rect(0, 10, 10, 40));
    // No picture: nothing to divide by, the empty rectangle stays empty.
    EXPECT_EQ(CropGeometry::initialCropRect({0, 0}), Rect(0, 0, 0, 0));
    EXPECT_EQ(CropGeometry::dragCropRect({0, 0, 0, 0}, {0, 0}, {5, 5}, {0, 0}, 1.0f),
              Rect(0, 0, 0, 0));
}

TEST(CropRectangle, CornerDragMovesLeftEdgeFirstThenTopIfStillInside) {
    const Size picture(300, 200);
    const Rect crop(15, 15, 270, 170);
    // Corner to the upper left: both edges follow.
    EXPECT_EQ(CropGeometry::dragCropRect(crop, {16, 16}, {10, 12}, picture, 1.0f),
              Rect(9, 11, 276, 174));
    // Corner to the right by more than the start's distance to the left edge: the start
    // point is then left of the new left edge, so the top stays.
    EXPECT_EQ(CropGeometry::dragCropRect(crop, {16, 16}, {20, 20}, picture, 1.0f),
              Rect(19, 15, 266, 170));
}

} // namespace
