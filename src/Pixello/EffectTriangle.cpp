#include "Pixello/EffectTriangle.h"

#include <cmath>

static_assert(sizeof(EffectTriangle) == 64, "a triangle is meant to fill one cache line");

std::unique_ptr<EffectTriangle> EffectTriangle::create(EffectGrid* grid) {
    if (grid == nullptr) {
        return nullptr;
    }
    return std::make_unique<EffectTriangle>(*grid);
}

void EffectTriangle::setUpperRightTriangle(int i, int j) {
    place(i, j, 0);
    // Placed from outside, the triangle's corners may no longer match their copies.
    grid_->copiesMayDiffer_ = true;
}

void EffectTriangle::setLowerLeftTriangle(int i, int j) {
    place(i, j, 1);
    grid_->copiesMayDiffer_ = true;
}

void EffectTriangle::place(int i, int j, int slot) {
    const double colStep = 1.0 / grid_->cols();
    const double rowStep = 1.0 / grid_->rows();
    const float left = static_cast<float>(colStep * i);
    const float right = static_cast<float>(colStep * (i + 1));
    const float top = static_cast<float>(rowStep * j);
    const float bottom = static_cast<float>(rowStep * (j + 1));
    // Both triangles run from the cell's top-left to its bottom-right corner; the
    // upper-right one passes the top-right corner, the lower-left one the bottom-left.
    if (slot == 0) {
        from_ = {left, top, right, top, right, bottom};
    } else {
        from_ = {left, top, left, bottom, right, bottom};
    }
    to_ = from_;
    handled_ = false;
}

bool EffectTriangle::stepMoves(float dx, float dy) {
    // A step that is not finite would carry the vertex off for good.
    if (!std::isfinite(dx) || !std::isfinite(dy)) {
        return false;
    }
    return std::fabs(static_cast<double>(dx)) > 0.001 || std::fabs(static_cast<double>(dy)) > 0.001;
}

void EffectTriangle::moveVertex(int vertex, float dx, float dy) {
    if (!stepMoves(dx, dy)) {
        return;
    }
    to_[2 * vertex] += dx;
    to_[2 * vertex + 1] += dy;
    handled_ = false;
    // This copy has left its siblings in the other triangles.
    grid_->copiesMayDiffer_ = true;
}
