#include "Pixello/EffectGrid.h"
#include "support/EditorTestSupport.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <tuple>
#include <type_traits>
#include <vector>

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// The grid's own per-vertex operations are the yardstick for its whole-grid pass, which
// shares lattice points between copies and skips vertices out of reach.
namespace reference {

// Every vertex copy on its own, in list order, through the triangles' moves.
template <class Displacement> void applyPerCopy(EffectGrid& grid, Displacement displacement) {
    for (EffectTriangle& t : grid.triangles()) {
        float dx = 0.0f, dy = 0.0f;
        displacement(t.tx1(), t.ty1(), dx, dy);
        t.move1ToDX(dx, dy);
        displacement(t.tx2(), t.ty2(), dx, dy);
        t.move2ToDX(dx, dy);
        displacement(t.tx3(), t.ty3(), dx, dy);
        t.move3ToDX(dx, dy);
    }
}

} // namespace reference

struct Step {
    float dx = 0.0f;
    float dy = 0.0f;
    bool operator==(const Step&) const = default;
};

Step smudgeStep(float x, float y, ZVKPoint from, ZVKPoint to, float power, float width) {
    Step step;
    EffectGrid::smudgeX(x, y, from, to, power, width, step.dx, step.dy);
    return step;
}

Step bumpStep(float x, float y, platform::Rect rect, float power, bool pinch = false) {
    const EffectGrid grid(32, 32);
    Step step;
    (grid.*(pinch ? &EffectGrid::pinchX : &EffectGrid::bumpX))(x, y, rect, power, false, step.dx,
                                                               step.dy);
    return step;
}

// The expected values are exact float results worked out apart from this code; a fused
// multiply-add or a reordered sum changes their last bits. The comparisons with the formulas
// below hold whatever the compiler does to both; only these pinned results notice a build that
// fuses a multiply and an add, or regroups a sum, on a slanted segment or a diagonal.
TEST(EffectGridDeformation, ExactStepsKeepTheirRoundingAtEveryOptimisationLevel) {
    const ZVKPoint from{0.3f, 0.4f};
    const ZVKPoint to{0.37f, 0.45f};
    const platform::Rect circle{0.25f, 0.25f, 0.5f, 0.5f};
    EXPECT_EQ(smudgeStep(0.31f, 0.43f, from, to, 0.13f, 0.07f),
              (Step{0x1.bba21ap-8f, 0x1.3ce17ap-8f}));
    EXPECT_EQ(smudgeStep(0.33f, 0.44f, from, to, 0.13f, 0.07f),
              (Step{0x1.c9a792p-8f, 0x1.46e562p-8f}));
    EXPECT_EQ(bumpStep(0.6f, 0.6f, circle, 10.0f), (Step{0x1.1d56ecp-5f, 0x1.1d56ecp-5f}));
    EXPECT_EQ(bumpStep(0.7f, 0.5f, circle, 10.0f, true), (Step{-0x1.8b8ab6p-6f, 0.0f}));
}

TEST(EffectGridDeformation, DegenerateOrNonFiniteInputMovesNothing) {
    const ZVKPoint from{0.5f, 0.5f};
    const ZVKPoint to{0.6f, 0.5f};
    const std::vector<Step> smudges = {
        smudgeStep(0.5f, 0.5f, from, from, 0.11f, 0.05f),
        smudgeStep(0.5f, 0.5f, from, {0.5f + 5e-7f, 0.5f - 5e-7f}, 0.11f, 0.05f),
        smudgeStep(kNaN, 0.5f, from, to, 0.11f, 0.05f),
        smudgeStep(0.55f, kInf, from, to, 0.11f, 0.05f),
        smudgeStep(0.55f, 0.5f, {kNaN, 0.5f}, to, 0.11f, 0.05f),
        smudgeStep(0.55f, 0.5f, {-kInf, 0.5f}, to, 0.11f, 0.05f),
        smudgeStep(0.55f, 0.5f, from, {0.6f, kInf}, 0.11f, 0.05f),
        smudgeStep(0.55f, 0.5f, from, to, kNaN, 0.05f),
        smudgeStep(0.55f, 0.5f, from, to, kInf, 0.05f),
        smudgeStep(0.55f, 0.5f, from, to, 0.11f, kNaN),
        smudgeStep(0.55f, 0.5f, from, to, 0.11f, kInf),
        smudgeStep(0.55f, 0.5f, from, to, 0.11f, -0.05f),
    };
    for (std::size_t k = 0; k < smudges.size(); ++k) {
        EXPECT_EQ(smudges[k], Step{}) << k;
    }
    const platform::Rect circle{0.25f, 0.25f, 0.5f, 0.5f};
    const std::vector<platform::Rect> regions = {
        {0.25f, 0.25f, 0.0f, 0.5f}, {0.25f, 0.25f, 0.5f, 0.0f}, {kNaN, 0.25f, 0.5f, 0.5f},
        {0.25f, 0.25f, kInf, 0.5f}, {0.25f, -kInf, 0.5f, 0.5f}, {0.25f, 0.25f, 0.5f, kNaN}};
    for (std::size_t k = 0; k < regions.size(); ++k) {
        for (float x : {0.3f, 0.5f, 0.6f}) {
            EXPECT_EQ(bumpStep(x, 0.5f, regions[k], 10.0f), Step{}) << k;
            EXPECT_EQ(bumpStep(x, 0.5f, regions[k], 10.0f, true), Step{}) << k;
        }
    }
    for (float power : {kNaN, kInf, -kInf}) {
        EXPECT_EQ(bumpStep(0.6f, 0.5f, circle, power), Step{}) << power;
    }
    EXPECT_EQ(bumpStep(kNaN, 0.5f, circle, 10.0f), Step{});
    EXPECT_EQ(bumpStep(0.6f, kInf, circle, 10.0f, true), Step{});

    // The whole grid: finite, but a step too large for a float is dropped rather than sent to
    // infinity.
    EffectGrid grid(32, 32);
    grid.smudgeFrom(from, to, 3e38f, 2.0f);
    grid.smudgeFrom({kNaN, kNaN}, to, 0.11f, 0.05f);
    grid.bumpInRect(circle, kInf, true);
    grid.pinchInRect(regions[2], 10.0f, false);
    EXPECT_TRUE(testsupport::gridAtRest(grid));
}

// A long run of random strokes, bumps and pinches, with the scale changed now and
// then; each step is applied to both grids by `apply`.
template <class Apply>
void randomStrokes(unsigned seed, int steps, const EffectGrid& perVertex, Apply apply) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int step = 0; step < steps; ++step) {
        const float kind = unit(random);
        if (kind < 0.6f) {
            const ZVKPoint from{unit(random) * 1.2f - 0.1f, unit(random) * 1.2f - 0.1f};
            const float length = unit(random) * 0.06f;
            const float angle = unit(random) * 6.3f;
            const ZVKPoint to{from.x() + length * std::cos(angle),
                              from.y() + length * std::sin(angle)};
            const float power = 0.05f + unit(random) * (kind < 0.5f ? 0.15f : 0.8f);
            const float width = 0.01f + unit(random) * (kind < 0.5f ? 0.09f : 0.4f);
            apply([=](EffectGrid& grid) { grid.smudgeFrom(from, to, power, width); },
                  [=](float x, float y, float& dx, float& dy) {
                      EffectGrid::smudgeX(x, y, from, to, power, width, dx, dy);
                  });
        } else if (kind < 0.95f) {
            const platform::Rect rect{unit(random) * 1.2f - 0.2f, unit(random) * 1.2f - 0.2f,
                                      unit(random) * 0.8f, unit(random) * 0.8f};
            const float power = kind < 0.9f ? 5.0f + unit(random) * 10.0f : 200.0f;
            const bool ellipse = unit(random) < 0.5f;
            const bool pinch = unit(random) < 0.5f;
            const auto onGrid = pinch ? &EffectGrid::pinchInRect : &EffectGrid::bumpInRect;
            const auto onVertex = pinch ? &EffectGrid::pinchX : &EffectGrid::bumpX;
            apply([=](EffectGrid& grid) { (grid.*onGrid)(rect, power, ellipse); },
                  [=, &perVertex](float x, float y, float& dx, float& dy) {
                      (perVertex.*onVertex)(x, y, rect, power, ellipse, dx, dy);
                  });
        } else if (kind < 0.97f) {
            apply([](EffectGrid& grid) { grid.reset(); }, nullptr);
        } else {
            const float scale = unit(random) < 0.5f ? 1.0f : 0.5f + unit(random);
            apply([=](EffectGrid& grid) { grid.setWidth(scale); }, nullptr);
        }
    }
}

// Every moved corner's bits, then every handled flag, in list order.
std::vector<std::uint32_t> bitsOf(const EffectGrid& grid) {
    std::vector<std::uint32_t> out;
    for (const float v : testsupport::gridCorners(grid)) {
        out.push_back(std::bit_cast<std::uint32_t>(v));
    }
    for (const EffectTriangle& t : grid.triangles()) {
        out.push_back(t.isHandled() ? 1 : 0);
    }
    return out;
}

TEST(EffectGridDeformation, WholeGridMatchesEveryCopyMovedOnItsOwnToTheBit) {
    // The editor's grid, and one with fewer columns than rows. A few hundred steps take in
    // every kind of step many times over; a fused or regrouped operation shows at the first
    // check after it.
    for (const auto& [rows, cols, steps] : {std::tuple{32, 32, 600}, {7, 5, 600}}) {
        EffectGrid grid(rows, cols);
        EffectGrid expected(rows, cols);
        const EffectGrid operations(rows, cols);
        int step = 0;
        randomStrokes(7, steps, operations, [&](auto onGrid, auto perVertex) {
            onGrid(grid);
            if constexpr (std::is_same_v<decltype(perVertex), std::nullptr_t>) {
                onGrid(expected);
            } else {
                reference::applyPerCopy(expected, perVertex);
            }
            // The handled flags record what moved since the last check.
            if (++step % 50 == 0) {
                ASSERT_TRUE(bitsOf(grid) == bitsOf(expected)) << "step " << step;
                grid.rehandle();
                expected.rehandle();
                for (std::size_t k = 0; k < grid.triangles().size(); k += 3) {
                    grid.triangles()[k].setHandled(true);
                    expected.triangles()[k].setHandled(true);
                }
            }
        });
        ASSERT_TRUE(bitsOf(grid) == bitsOf(expected)) << "step " << step;
    }
}

// Right on the rim a vertex still moves by a hair; just outside it stays, as it does just
// beyond a smudge's reach.
TEST(EffectGridDeformation, TheRimAndTheReachAreInclusive) {
    const platform::Rect circle{0.25f, 0.25f, 0.5f, 0.5f};
    EXPECT_LT(0.0f, bumpStep(0.75f, 0.5f, circle, 10.0f).dx);
    EXPECT_EQ(bumpStep(std::nextafter(0.75f, 1.0f), 0.5f, circle, 10.0f).dx, 0.0f);
    EXPECT_GT(0.0f, bumpStep(std::nextafter(0.75f, 0.0f), 0.5f, circle, 10.0f, true).dx);
    EXPECT_EQ(smudgeStep(0.5f, 0.6f, {0.5f, 0.5f}, {0.6f, 0.5f}, 0.11f, 0.1f).dx, 0.0f);
    EXPECT_LT(
        0.0f,
        smudgeStep(0.5f, std::nextafter(0.6f, 0.0f), {0.5f, 0.5f}, {0.6f, 0.5f}, 0.11f, 0.1f).dx);
}

TEST(EffectGridDeformation, ACopyMovedOnItsOwnIsDeformedOnItsOwn) {
    EffectGrid grid(32, 32);
    EffectGrid expected(32, 32);
    const platform::Rect circle{0.25f, 0.25f, 0.5f, 0.5f};
    // One copy of lattice point (16, 16) leaves its siblings.
    grid.cell(16, 16, 0)->move1ToDX(0.01f, 0.02f);
    expected.cell(16, 16, 0)->move1ToDX(0.01f, 0.02f);
    grid.bumpInRect(circle, 10.0f, false);
    reference::applyPerCopy(expected, [&](float x, float y, float& dx, float& dy) {
        grid.bumpX(x, y, circle, 10.0f, false, dx, dy);
    });
    EXPECT_TRUE(bitsOf(grid) == bitsOf(expected));
    EXPECT_NE(grid.cell(16, 16, 0)->tx1(), grid.cell(16, 16, 1)->tx1());
}

} // namespace
