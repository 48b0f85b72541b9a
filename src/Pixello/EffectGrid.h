#pragma once

#include "Pixello/EffectTriangle.h"
#include "ZevkoCore/ZVKPoint.h"
#include "platform/base/Geometry.h"

#include <cstddef>
#include <span>
#include <vector>

// The mesh that carries the picture: cols × rows cells, each split along its top-left
// to bottom-right diagonal into an upper-right and a lower-left triangle. Triangles
// are listed column-major (column i outer, row j inner), the upper-right triangle of a
// cell before its lower-left one, so cell (i, j), slot s, stands at position
// 2 · (i · rows + j) + s. That order is the order of deformation and of drawing.
//
// Every triangle keeps its own copy of its corners. A deformation computes each
// lattice point once and writes the result to all its copies: a copy's displacement
// depends on its own position only, and the copies start identical, so this gives the
// same bits as moving every copy on its own. When a caller moves or places a single
// triangle itself, the copies may differ, and the grid moves copy by copy until the
// next reset.
//
// Everything is allocated at construction; reset and the deformations allocate
// nothing. The grid is neither copied nor moved: its triangles point back at it.
class EffectGrid {
public:
    // A 1 × 1 grid.
    EffectGrid() : EffectGrid(1, 1) {}
    // A grid with no rows or no columns holds no triangles and every operation on it
    // does nothing; a negative count is taken as zero.
    EffectGrid(int rows, int cols);

    EffectGrid(const EffectGrid&) = delete;
    EffectGrid& operator=(const EffectGrid&) = delete;

    int rows() const { return rows_; }
    int cols() const { return cols_; }

    // Scale applied by the triangles' read accessors to x and to y.
    float width() const { return width_; }
    void setWidth(float width) { width_ = width; }
    float height() const { return height_; }
    void setHeight(float height) { height_ = height; }

    // In list order. Callers may read the triangles and set their handled flag.
    std::span<EffectTriangle> triangles() { return triangles_; }
    std::span<const EffectTriangle> triangles() const { return triangles_; }

    // Slot 0 (upper-right) or 1 (lower-left) of cell (i, j); nullptr outside the grid.
    EffectTriangle* cell(int i, int j, int slot);
    const EffectTriangle* cell(int i, int j, int slot) const;

    // Puts every to corner back on its from corner and clears every handled flag.
    void reset();
    // Clears every handled flag.
    void rehandle();

    // Pushes every vertex within width of the segment from → to a step along it.
    void smudgeFrom(ZVKPoint from, ZVKPoint to, float power, float width);
    // The displacement of the vertex at (x, y) for one smudge segment. Inputs that are
    // not finite give (0, 0).
    static void smudgeX(float x, float y, ZVKPoint from, ZVKPoint to, float power, float width,
                        float& outdx, float& outdy);

    // Bulges the circle of radius half the rectangle's shorter side around its centre
    // outward (bump) or pulls it inward (pinch); with allowEllipse, the ellipse
    // inscribed in the rectangle.
    void bumpInRect(platform::Rect rect, float power, bool allowEllipse);
    void pinchInRect(platform::Rect rect, float power, bool allowEllipse);
    // The displacement of the vertex at (x, y). They read only cols of the grid; a grid
    // without columns, and inputs that are not finite, give (0, 0).
    void bumpX(float x, float y, platform::Rect rect, float power, bool allowEllipse, float& outdx,
               float& outdy) const;
    void pinchX(float x, float y, platform::Rect rect, float power, bool allowEllipse, float& outdx,
                float& outdy) const;

private:
    friend class EffectTriangle;

    template <class Region> void deform(const Region& region);
    void moveLatticePoint(std::size_t k, float x, float y);
    std::size_t latticeIndex(int i, int j) const;
    std::size_t triangleIndex(int i, int j, int slot) const;

    int rows_;
    int cols_;
    float width_ = 1.0f;
    float height_ = 1.0f;
    std::vector<EffectTriangle> triangles_;
    // Current normalized position of every lattice point, column-major, valid while
    // the copies agree; and the rest position, to reset it from. Kept as separate
    // x and y rows, padded to whole groups of four, for a vector pass over them.
    std::size_t latticePoints_ = 0;
    std::vector<float> latticeX_;
    std::vector<float> latticeY_;
    std::vector<float> restX_;
    std::vector<float> restY_;
    // Room for the lattice points a deformation has to look at closely.
    std::vector<std::size_t> candidates_;
    // Set when a single triangle was moved or placed from outside the grid.
    bool copiesMayDiffer_ = false;
};

inline float EffectTriangle::scaledX(float x) const {
    return x * grid_->width_;
}

inline float EffectTriangle::scaledY(float y) const {
    return y * grid_->height_;
}
