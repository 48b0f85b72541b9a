#include "Pixello/EffectGrid.h"

#include <array>
#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <utility>

namespace {

using Corners = std::array<float, 6>;

Corners from(const EffectTriangle& t) {
    return {t.fx1(), t.fy1(), t.fx2(), t.fy2(), t.fx3(), t.fy3()};
}

Corners to(const EffectTriangle& t) {
    return {t.tx1(), t.ty1(), t.tx2(), t.ty2(), t.tx3(), t.ty3()};
}

// Corner coordinates of cell (i, j), slot `slot`, of a grid of `rows` × `cols` at rest.
Corners latticeCorners(int i, int j, int slot, int rows, int cols) {
    const auto x = [cols](int k) { return static_cast<float>((1.0 / cols) * k); };
    const auto y = [rows](int k) { return static_cast<float>((1.0 / rows) * k); };
    if (slot == 0) {
        return {x(i), y(j), x(i + 1), y(j), x(i + 1), y(j + 1)};
    }
    return {x(i), y(j), x(i), y(j + 1), x(i + 1), y(j + 1)};
}

// Every triangle of a `rows` × `cols` grid lies at rest (scaled by `sx`, `sy`), unhandled, at
// twice its cell's number (column-major) plus its slot in the list.
void expectAtRest(const EffectGrid& grid, int rows, int cols, float sx = 1.0f, float sy = 1.0f) {
    ASSERT_EQ(grid.triangles().size(), static_cast<std::size_t>(2 * rows * cols));
    for (int i = 0; i < cols; ++i) {
        for (int j = 0; j < rows; ++j) {
            for (int s = 0; s < 2; ++s) {
                const EffectTriangle& t =
                    grid.triangles()[static_cast<std::size_t>(2 * (i * rows + j) + s)];
                ASSERT_EQ(grid.cell(i, j, s), &t) << i << ' ' << j << ' ' << s;
                Corners rest = latticeCorners(i, j, s, rows, cols);
                for (std::size_t k = 0; k < rest.size(); ++k) {
                    rest[k] *= k % 2 == 0 ? sx : sy;
                }
                ASSERT_EQ(from(t), rest) << i << ' ' << j << ' ' << s;
                ASSERT_EQ(to(t), rest) << i << ' ' << j << ' ' << s;
                ASSERT_FALSE(t.isHandled());
            }
        }
    }
}

TEST(EffectGrid, TrianglesAreListedColumnMajorAtTwiceTheCellNumberPlusSlot) {
    // The default grid is one cell: the upper-right, then the lower-left triangle, at rest.
    expectAtRest(EffectGrid(), 1, 1);

    // A grid that is not square tells columns from rows.
    EffectGrid tall(3, 2);
    expectAtRest(tall, 3, 2);
    EXPECT_EQ(tall.cell(2, 0, 0), nullptr);
    EXPECT_EQ(tall.cell(0, 3, 0), nullptr);
    EXPECT_EQ(tall.cell(-1, 0, 1), nullptr);
    EXPECT_EQ(tall.cell(0, 0, 2), nullptr);

    // A triangle can only be made for a grid, and placed in any of its cells.
    EXPECT_EQ(EffectTriangle::create(nullptr), nullptr);
    const auto loose = EffectTriangle::create(&tall);
    ASSERT_NE(loose, nullptr);
    loose->setLowerLeftTriangle(1, 2);
    EXPECT_EQ(from(*loose), from(*tall.cell(1, 2, 1)));
}

TEST(EffectTriangle, MovesOnlyFiniteStepsAboveOneThousandthAndThenBothComponents) {
    EffectGrid grid;
    EffectTriangle& t = grid.triangles()[0];
    t.move1ToDX(0.0009f, -0.0009f);
    EXPECT_EQ(to(t), from(t));

    t.move1ToDX(0.0011f, 0.00001f);
    EXPECT_EQ(std::pair(t.tx1(), t.ty1()), std::pair(0.0011f, 0.00001f));

    // The float nearest to 0.001 lies above a thousandth.
    t.move2ToDX(0.0f, 0.001f);
    EXPECT_EQ(t.ty2(), 0.001f);
    t.move3ToDX(-0.001f, 0.0f);
    EXPECT_EQ(t.tx3(), 1.0f - 0.001f);

    // The move is in stored units, whatever the accessor scale.
    grid.setWidth(100.0f);
    t.move2ToDX(0.5f, 0.0f);
    EXPECT_EQ(t.tx2(), (1.0f + 0.5f) * 100.0f);
    EXPECT_EQ(t.fx2(), 100.0f);

    // Steps that are not finite are dropped.
    EffectTriangle& other = grid.triangles()[1];
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    other.move1ToDX(nan, 0.5f);
    other.move2ToDX(0.5f, inf);
    other.move3ToDX(-inf, -inf);
    EXPECT_EQ(to(other), from(other));
}

TEST(EffectTriangle, HandledIsClearedByEveryWriterAndSetOnlyOnRequest) {
    EffectGrid grid(2, 2);
    for (EffectTriangle& t : grid.triangles()) {
        t.setHandled(true);
    }
    EffectTriangle& t = grid.triangles()[3];
    t.move1ToDX(0.0005f, 0.0f);
    EXPECT_TRUE(t.isHandled()) << "a dropped step is no move";
    t.move1ToDX(0.005f, 0.0f);
    EXPECT_FALSE(t.isHandled());

    t.setHandled(true);
    t.setLowerLeftTriangle(1, 1);
    EXPECT_FALSE(t.isHandled());

    grid.rehandle();
    for (const EffectTriangle& each : grid.triangles()) {
        EXPECT_FALSE(each.isHandled());
    }
}

TEST(EffectGrid, ResetRestoresEveryCornerExactly) {
    EffectGrid grid(32, 32);
    for (int k = 0; k < 20; ++k) {
        const float x = 0.1f + 0.04f * static_cast<float>(k);
        grid.smudgeFrom({x, 0.3f}, {x + 0.03f, 0.35f}, 0.2f, 0.08f);
    }
    grid.bumpInRect({0.1f, 0.5f, 0.6f, 0.4f}, 15.0f, true);
    grid.triangles()[100].move2ToDX(0.25f, -0.125f);
    // Placing a triangle elsewhere changes its from corners too; reset puts it back.
    grid.triangles()[5].setUpperRightTriangle(20, 20);
    grid.setWidth(3.0f);
    grid.setHeight(0.5f);

    grid.reset();
    expectAtRest(grid, 32, 32, 3.0f, 0.5f);
}

TEST(EffectGrid, GridWithoutRowsOrColumnsHoldsNothingAndDoesNothing) {
    for (const auto& [rows, cols] : {std::pair{0, 5}, {5, 0}, {0, 0}, {-1, -1}, {-3, 4}}) {
        EffectGrid grid(rows, cols);
        EXPECT_TRUE(grid.triangles().empty()) << rows << " x " << cols;
        EXPECT_GE(grid.rows(), 0);
        EXPECT_GE(grid.cols(), 0);
        EXPECT_EQ(grid.cell(0, 0, 0), nullptr);
        grid.reset();
        grid.rehandle();
        grid.smudgeFrom({0.4f, 0.5f}, {0.6f, 0.5f}, 0.11f, 0.05f);
        grid.bumpInRect({0.25f, 0.25f, 0.5f, 0.5f}, 10.0f, false);
        grid.pinchInRect({0.25f, 0.25f, 0.5f, 0.5f}, 10.0f, true);
    }
    // Bump and pinch divide by the column count: without columns they give nothing.
    const EffectGrid empty(4, 0);
    for (const auto step : {&EffectGrid::bumpX, &EffectGrid::pinchX}) {
        float dx = 1.0f, dy = 1.0f;
        (empty.*step)(0.6f, 0.5f, {0.25f, 0.25f, 0.5f, 0.5f}, 10.0f, false, dx, dy);
        EXPECT_EQ(std::pair(dx, dy), std::pair(0.0f, 0.0f));
    }
}

} // namespace
