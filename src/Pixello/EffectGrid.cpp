#include "Pixello/EffectGrid.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;
constexpr float kInfinity = std::numeric_limits<float>::infinity();

// Four lattice points at a time for the first, cheap pass of a deformation. Lanes
// hold the same IEEE float operations as the scalar code, so the answers agree.
using Floats4 = float __attribute__((vector_size(16)));
using Mask4 = std::int32_t __attribute__((vector_size(16)));

Floats4 abs4(Floats4 v) {
    return reinterpret_cast<Floats4>(reinterpret_cast<Mask4>(v) & 0x7fffffff);
}

Floats4 select4(Mask4 mask, Floats4 yes, Floats4 no) {
    return reinterpret_cast<Floats4>((mask & reinterpret_cast<Mask4>(yes)) |
                                     (~mask & reinterpret_cast<Mask4>(no)));
}

bool allFinite(std::initializer_list<float> values) {
    return std::ranges::all_of(values, [](float v) { return std::isfinite(v); });
}

// One smudge segment with everything that does not depend on the vertex worked out
// once. Each step keeps the float or double arithmetic and the grouping of the
// per-vertex formula, so a whole-grid pass and a single vertex agree to the bit.
class SmudgeSegment {
public:
    SmudgeSegment(ZVKPoint from, ZVKPoint to, float power, float width)
        : fx_(from.x()), fy_(from.y()), tx_(to.x()), ty_(to.y()), w_(width) {
        if (!allFinite({fx_, fy_, tx_, ty_, power, width})) {
            return;
        }
        // (m, o) is normal to the segment.
        m_ = fy_ - ty_;
        o_ = tx_ - fx_;
        if (std::fabs(static_cast<double>(m_)) < 1e-6 &&
            std::fabs(static_cast<double>(o_)) < 1e-6) {
            return;
        }
        lineOffset_ = -(m_ * tx_ + o_ * ty_);
        normalLength_ = std::sqrt(static_cast<double>(m_ * m_ + o_ * o_));
        const float length =
            static_cast<float>(std::hypot(static_cast<double>(fx_ - tx_), static_cast<double>(m_)));
        // The step does not depend on the segment's length, only on power and width.
        stepX_ = ((o_ / length) * w_) * power;
        stepY_ = (((ty_ - fy_) / length) * w_) * power;
        moves_ = true;
    }

    // False for a degenerate segment or input that is not finite: no vertex moves.
    bool moves() const { return moves_; }

    // False only where displacement() certainly gives (0, 0), found without the
    // distance calls.
    bool mayMove(float x, float y) const {
        const Reach reach = reachOf(x, y);
        // A hypotenuse is never shorter than its longer leg, so a leg of at least the
        // reach settles it.
        return reach.inBand || (std::fabs(reach.legX) < w_ && std::fabs(reach.legY) < w_);
    }

    // mayMove for four points, free of branches, so that the first pass runs through
    // the whole lattice at a few instructions a point.
    Mask4 mayMove4(Floats4 x, Floats4 y) const {
        const Floats4 backX = x - fx_;
        const Floats4 backY = y - fy_;
        const Floats4 aheadX = x - tx_;
        const Floats4 aheadY = y - ty_;
        const Mask4 behindFrom = o_ * backX + backY * (ty_ - fy_) < 0.0f;
        const Mask4 beyondTo = (fx_ - tx_) * aheadX + m_ * aheadY < 0.0f;
        const Floats4 legX = select4(beyondTo, aheadX, backX);
        const Floats4 legY = select4(beyondTo, aheadY, backY);
        const Mask4 inBand = ~(behindFrom | beyondTo);
        return inBand | ((abs4(legX) < w_) & (abs4(legY) < w_));
    }

    void displacement(float x, float y, float& outdx, float& outdy) const {
        outdx = 0.0f;
        outdy = 0.0f;
        if (!moves_ || !std::isfinite(x) || !std::isfinite(y) || !mayMove(x, y)) {
            return;
        }
        const Reach reach = reachOf(x, y);
        const float v = (m_ * x + o_ * y) + lineOffset_;
        const float lineDistance =
            static_cast<float>(static_cast<double>(std::fabs(v)) / normalLength_);
        const float distance =
            reach.inBand ? lineDistance
                         : static_cast<float>(std::hypot(static_cast<double>(reach.legX),
                                                         static_cast<double>(reach.legY)));
        if (!(distance < w_)) {
            return;
        }
        // The falloff goes by the distance across the stroke, so a vertex on the
        // line's extension inside an end disc gets the full step.
        const double falloff = std::cos(static_cast<double>(lineDistance / w_) * kPi * 0.5);
        outdx = static_cast<float>(static_cast<double>(stepX_) * falloff);
        outdy = static_cast<float>(static_cast<double>(stepY_) * falloff);
    }

private:
    // Where the vertex lies against the capsule around the segment: in the band
    // across it, or in an end disc, with the legs from that end point.
    struct Reach {
        bool inBand;
        float legX;
        float legY;
    };

    Reach reachOf(float x, float y) const {
        const float backX = x - fx_;
        const float backY = y - fy_;
        const float aheadX = x - tx_;
        const float aheadY = y - ty_;
        const bool behindFrom = o_ * backX + backY * (ty_ - fy_) < 0.0f;
        const bool beyondTo = (fx_ - tx_) * aheadX + m_ * aheadY < 0.0f;
        // Behind `from` and beyond `to` at once only by rounding; then `to` counts.
        return {!(behindFrom || beyondTo), beyondTo ? aheadX : backX, beyondTo ? aheadY : backY};
    }

    float fx_, fy_, tx_, ty_, w_;
    float m_ = 0.0f;
    float o_ = 0.0f;
    float lineOffset_ = 0.0f;
    double normalLength_ = 0.0;
    float stepX_ = 0.0f;
    float stepY_ = 0.0f;
    bool moves_ = false;
};

// The region of one bump or pinch with everything that does not depend on the vertex
// worked out once, in the arithmetic of the per-vertex formula.
class BumpRegion {
public:
    BumpRegion(platform::Rect rect, float power, bool allowEllipse, int cols, bool pinch)
        : pinch_(pinch) {
        const float rx = rect.x(), ry = rect.y(), rw = rect.width(), rh = rect.height();
        if (cols <= 0 || !allFinite({rx, ry, rw, rh, power})) {
            return;
        }
        a_ = rw * 0.5f;
        b_ = rh * 0.5f;
        cx_ = a_ + rx;
        cy_ = b_ + ry;
        if (!allowEllipse) {
            const float radius = static_cast<float>(
                std::min(static_cast<double>(rw), static_cast<double>(rh)) * 0.5);
            a_ = radius;
            b_ = radius;
        }
        baseStep_ = (std::min(static_cast<double>(a_), static_cast<double>(b_)) / cols) * power;
        // The region's radius in any direction is at most the larger semi-axis. The
        // margin, relative and absolute, outweighs every rounding of the float square
        // distance and of the distance itself.
        const double reach =
            std::max(std::fabs(static_cast<double>(a_)), std::fabs(static_cast<double>(b_))) *
                (1.0 + 1e-4) +
            1e-18;
        const double bound = reach * reach;
        outerBound_ =
            bound > std::numeric_limits<float>::max() ? kInfinity : static_cast<float>(bound);
        moves_ = true;
    }

    bool moves() const { return moves_; }

    // False only where displacement() certainly gives (0, 0): clearly outside the
    // larger semi-axis, the vertex is outside whatever its direction.
    bool mayMove(float x, float y) const {
        const float dx = x - cx_;
        const float dy = y - cy_;
        return !(dx * dx + dy * dy > outerBound_);
    }

    // mayMove for four points.
    Mask4 mayMove4(Floats4 x, Floats4 y) const {
        const Floats4 dx = x - cx_;
        const Floats4 dy = y - cy_;
        return ~(dx * dx + dy * dy > outerBound_);
    }

    void displacement(float x, float y, float& outdx, float& outdy) const {
        outdx = 0.0f;
        outdy = 0.0f;
        if (!moves_ || !std::isfinite(x) || !std::isfinite(y) || !mayMove(x, y)) {
            return;
        }
        const float dx = x - cx_;
        const float dy = y - cy_;
        const double ddx = dx, ddy = dy;
        const double theta = static_cast<float>(std::atan2(ddy, ddx));
        const float rimRadius =
            static_cast<float>(std::hypot(std::cos(theta) * a_, std::sin(theta) * b_));
        const float d = static_cast<float>(
            std::hypot(static_cast<double>(cx_ - x), static_cast<double>(cy_ - y)));
        if (!(rimRadius >= d)) {
            return;
        }
        // The centre itself has no direction to move in.
        if (!(std::fabs(static_cast<double>(d)) > 0.001)) {
            return;
        }
        const double falloff = std::cos(static_cast<double>(d / rimRadius) * kPi * 0.5);
        // Capped at 0.7: constant step over the inner half of the radius.
        float magnitude = static_cast<float>(baseStep_ * std::min(falloff, 0.7));
        // A bump never moves farther than the rim; a pinch stops at the centre.
        magnitude = static_cast<float>(
            std::min(static_cast<double>(magnitude), static_cast<double>(pinch_ ? d : rimRadius)));
        if (pinch_) {
            outdx = magnitude * ((-dx) / d);
            outdy = magnitude * ((-dy) / d);
        } else {
            outdx = magnitude * (dx / d);
            outdy = magnitude * (dy / d);
        }
    }

private:
    bool pinch_;
    float a_ = 0.0f, b_ = 0.0f, cx_ = 0.0f, cy_ = 0.0f;
    double baseStep_ = 0.0;
    float outerBound_ = 0.0f;
    bool moves_ = false;
};

} // namespace

EffectGrid::EffectGrid(int rows, int cols) : rows_(std::max(rows, 0)), cols_(std::max(cols, 0)) {
    if (rows_ == 0 || cols_ == 0) {
        return;
    }
    triangles_.reserve(2 * static_cast<std::size_t>(rows_) * static_cast<std::size_t>(cols_));
    for (int i = 0; i < cols_; ++i) {
        for (int j = 0; j < rows_; ++j) {
            triangles_.emplace_back(*this).place(i, j, 0);
            triangles_.emplace_back(*this).place(i, j, 1);
        }
    }
    latticePoints_ = static_cast<std::size_t>(cols_ + 1) * static_cast<std::size_t>(rows_ + 1);
    const std::size_t padded = (latticePoints_ + 3) / 4 * 4;
    restX_.resize(padded);
    restY_.resize(padded);
    const double colStep = 1.0 / cols_;
    const double rowStep = 1.0 / rows_;
    for (int i = 0; i <= cols_; ++i) {
        for (int j = 0; j <= rows_; ++j) {
            restX_[latticeIndex(i, j)] = static_cast<float>(colStep * i);
            restY_[latticeIndex(i, j)] = static_cast<float>(rowStep * j);
        }
    }
    latticeX_ = restX_;
    latticeY_ = restY_;
    candidates_.resize(padded);
    reset();
}

std::size_t EffectGrid::latticeIndex(int i, int j) const {
    return static_cast<std::size_t>(i) * static_cast<std::size_t>(rows_ + 1) +
           static_cast<std::size_t>(j);
}

std::size_t EffectGrid::triangleIndex(int i, int j, int slot) const {
    return 2 * (static_cast<std::size_t>(i) * static_cast<std::size_t>(rows_) +
                static_cast<std::size_t>(j)) +
           static_cast<std::size_t>(slot);
}

EffectTriangle* EffectGrid::cell(int i, int j, int slot) {
    if (i < 0 || i >= cols_ || j < 0 || j >= rows_ || slot < 0 || slot > 1) {
        return nullptr;
    }
    return &triangles_[triangleIndex(i, j, slot)];
}

const EffectTriangle* EffectGrid::cell(int i, int j, int slot) const {
    return const_cast<EffectGrid*>(this)->cell(i, j, slot);
}

void EffectGrid::reset() {
    if (copiesMayDiffer_) {
        // A triangle may have been placed elsewhere: place every one anew.
        for (int i = 0; i < cols_; ++i) {
            for (int j = 0; j < rows_; ++j) {
                triangles_[triangleIndex(i, j, 0)].place(i, j, 0);
                triangles_[triangleIndex(i, j, 1)].place(i, j, 1);
            }
        }
        copiesMayDiffer_ = false;
    } else {
        // Placement writes the same values into from and to, and nothing changes
        // from afterwards, so copying from back is placing anew.
        for (EffectTriangle& triangle : triangles_) {
            triangle.to_ = triangle.from_;
            triangle.handled_ = false;
        }
    }
    std::ranges::copy(restX_, latticeX_.begin());
    std::ranges::copy(restY_, latticeY_.begin());
}

void EffectGrid::rehandle() {
    for (EffectTriangle& triangle : triangles_) {
        triangle.handled_ = false;
    }
}

void EffectGrid::moveLatticePoint(std::size_t k, float x, float y) {
    latticeX_[k] = x;
    latticeY_[k] = y;
    const auto column = static_cast<std::size_t>(rows_ + 1);
    const auto i = static_cast<int>(k / column);
    const auto j = static_cast<int>(k % column);
    auto write = [&](int ci, int cj, int slot, int vertex) {
        EffectTriangle& triangle = triangles_[triangleIndex(ci, cj, slot)];
        triangle.to_[2 * vertex] = x;
        triangle.to_[2 * vertex + 1] = y;
        triangle.handled_ = false;
    };
    // Lattice point (i, j) is vertex 1 of both triangles of cell (i, j), vertex 2 of
    // the upper-right triangle of the cell to its left and of the lower-left triangle
    // of the cell above, and vertex 3 of both triangles of the cell up and left.
    if (i < cols_ && j < rows_) {
        write(i, j, 0, 0);
        write(i, j, 1, 0);
    }
    if (i > 0 && j < rows_) {
        write(i - 1, j, 0, 1);
    }
    if (i < cols_ && j > 0) {
        write(i, j - 1, 1, 1);
    }
    if (i > 0 && j > 0) {
        write(i - 1, j - 1, 0, 2);
        write(i - 1, j - 1, 1, 2);
    }
}

template <class Region> void EffectGrid::deform(const Region& region) {
    if (triangles_.empty() || !region.moves()) {
        return;
    }
    float dx = 0.0f;
    float dy = 0.0f;
    if (copiesMayDiffer_) {
        // The copies of a point may have parted: each moves from its own position.
        for (EffectTriangle& triangle : triangles_) {
            for (int vertex = 0; vertex < 3; ++vertex) {
                region.displacement(triangle.scaledX(triangle.to_[2 * vertex]),
                                    triangle.scaledY(triangle.to_[2 * vertex + 1]), dx, dy);
                triangle.moveVertex(vertex, dx, dy);
            }
        }
        return;
    }
    // First a cheap pass over the whole lattice for the few points the region may
    // move, then the full arithmetic for those alone. The region is copied so that
    // the compiler knows the stores into the triangles leave it alone.
    const Region local = region;
    const float scaleX = width_;
    const float scaleY = height_;
    const float* xs = latticeX_.data();
    const float* ys = latticeY_.data();
    std::size_t* candidates = candidates_.data();
    std::size_t count = 0;
    for (std::size_t k = 0; k < latticeX_.size(); k += 4) {
        Floats4 x;
        Floats4 y;
        std::memcpy(&x, xs + k, sizeof x);
        std::memcpy(&y, ys + k, sizeof y);
        const Mask4 may = local.mayMove4(x * scaleX, y * scaleY);
        // Most groups lie wholly outside the region.
        std::uint64_t halves[2];
        std::memcpy(halves, &may, sizeof halves);
        if ((halves[0] | halves[1]) == 0) {
            continue;
        }
        for (std::size_t lane = 0; lane < 4; ++lane) {
            candidates[count] = k + lane;
            count += static_cast<std::size_t>(may[lane] & 1);
        }
    }
    // The padding after the last point is no candidate.
    while (count > 0 && candidates[count - 1] >= latticePoints_) {
        --count;
    }
    for (std::size_t c = 0; c < count; ++c) {
        const std::size_t k = candidates[c];
        local.displacement(xs[k] * scaleX, ys[k] * scaleY, dx, dy);
        if (EffectTriangle::stepMoves(dx, dy)) {
            moveLatticePoint(k, xs[k] + dx, ys[k] + dy);
        }
    }
}

void EffectGrid::smudgeFrom(ZVKPoint from, ZVKPoint to, float power, float width) {
    deform(SmudgeSegment(from, to, power, width));
}

void EffectGrid::smudgeX(float x, float y, ZVKPoint from, ZVKPoint to, float power, float width,
                         float& outdx, float& outdy) {
    SmudgeSegment(from, to, power, width).displacement(x, y, outdx, outdy);
}

void EffectGrid::bumpInRect(platform::Rect rect, float power, bool allowEllipse) {
    deform(BumpRegion(rect, power, allowEllipse, cols_, false));
}

void EffectGrid::pinchInRect(platform::Rect rect, float power, bool allowEllipse) {
    deform(BumpRegion(rect, power, allowEllipse, cols_, true));
}

void EffectGrid::bumpX(float x, float y, platform::Rect rect, float power, bool allowEllipse,
                       float& outdx, float& outdy) const {
    BumpRegion(rect, power, allowEllipse, cols_, false).displacement(x, y, outdx, outdy);
}

void EffectGrid::pinchX(float x, float y, platform::Rect rect, float power, bool allowEllipse,
                        float& outdx, float& outdy) const {
    BumpRegion(rect, power, allowEllipse, cols_, true).displacement(x, y, outdx, outdy);
}
