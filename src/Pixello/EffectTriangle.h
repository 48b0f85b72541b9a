#pragma once

#include <array>
#include <memory>

class EffectGrid;

// One triangle of the effect grid. It keeps its own copy of its three corners twice:
// where they lie in the undeformed picture (from, the texture coordinates) and where
// they are drawn now (to). Coordinates are stored normalized to the picture; the read
// accessors scale x by the grid's width and y by its height.
//
// Each triangle fills exactly one cache line, so that a pass over the grid's triangle
// list reads memory in order and a lattice point's copies cost one line each.
class alignas(64) EffectTriangle {
public:
    // A triangle belongs to a grid; its coordinates are 0 until placed.
    explicit EffectTriangle(EffectGrid& grid) : grid_(&grid) {}
    // Yields nullptr without a grid.
    static std::unique_ptr<EffectTriangle> create(EffectGrid* grid);

    // Places the triangle as the upper-right (or lower-left) triangle of cell (i, j),
    // writing both its from and to corners, and clears handled.
    void setUpperRightTriangle(int i, int j);
    void setLowerLeftTriangle(int i, int j);

    // Add (dx, dy) to the to corner when either component exceeds 0.001 in magnitude,
    // and clear handled; smaller steps and steps that are not finite change nothing.
    void move1ToDX(float dx, float dy) { moveVertex(0, dx, dy); }
    void move2ToDX(float dx, float dy) { moveVertex(1, dx, dy); }
    void move3ToDX(float dx, float dy) { moveVertex(2, dx, dy); }

    float fx1() const { return scaledX(from_[0]); }
    float fy1() const { return scaledY(from_[1]); }
    float fx2() const { return scaledX(from_[2]); }
    float fy2() const { return scaledY(from_[3]); }
    float fx3() const { return scaledX(from_[4]); }
    float fy3() const { return scaledY(from_[5]); }
    float tx1() const { return scaledX(to_[0]); }
    float ty1() const { return scaledY(to_[1]); }
    float tx2() const { return scaledX(to_[2]); }
    float ty2() const { return scaledY(to_[3]); }
    float tx3() const { return scaledX(to_[4]); }
    float ty3() const { return scaledY(to_[5]); }

    bool isHandled() const { return handled_; }
    void setHandled(bool handled) { handled_ = handled; }

    // The step rule of the move operations, shared with the grid's own deformation.
    static bool stepMoves(float dx, float dy);

private:
    friend class EffectGrid;

    void moveVertex(int vertex, float dx, float dy);
    void place(int i, int j, int slot);
    // Defined in EffectGrid.h, which needs this class complete first.
    inline float scaledX(float x) const;
    inline float scaledY(float y) const;

    EffectGrid* grid_; // non-owning: the grid owns its triangles
    // x1, y1, x2, y2, x3, y3, normalized.
    std::array<float, 6> from_{};
    std::array<float, 6> to_{};
    bool handled_ = false;
};

// The scaled accessors read the grid's scale; bring in the grid for every user of a
// triangle.
#include "Pixello/EffectGrid.h"
