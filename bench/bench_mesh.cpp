#include "Pixello/EffectGrid.h"

#include <benchmark/benchmark.h>

// The editor's grid and its default strokes: smudge strength 0.11 with a reach of 28
// pixels on a picture 600 pixels wide; bump and pinch strength 10 on the centred
// circle of radius 0.25, recomputed from rest on every finger movement.
namespace {

constexpr float kSmudgePower = 0.11f;
constexpr float kSmudgeReach = 28.0f / 600.0f;
constexpr float kSegment = 0.01f;

// One finger movement after another across the grid's middle, back and forth, so
// that every step drags vertices and the mesh stays in the picture.
void BM_SmudgeStep(benchmark::State& state) {
    EffectGrid grid(32, 32);
    float x = 0.3f;
    float direction = 1.0f;
    for (auto _ : state) {
        const float next = x + direction * kSegment;
        grid.smudgeFrom({x, 0.5f}, {next, 0.5f}, kSmudgePower, kSmudgeReach);
        x = next;
        if (x > 0.7f || x < 0.3f) {
            direction = -direction;
        }
        benchmark::DoNotOptimize(grid.triangles().data());
    }
}
BENCHMARK(BM_SmudgeStep);

void BM_BumpStep(benchmark::State& state) {
    EffectGrid grid(32, 32);
    for (auto _ : state) {
        grid.reset();
        grid.bumpInRect({0.25f, 0.25f, 0.5f, 0.5f}, 10.0f, false);
        benchmark::DoNotOptimize(grid.triangles().data());
    }
}
BENCHMARK(BM_BumpStep);

void BM_PinchStep(benchmark::State& state) {
    EffectGrid grid(32, 32);
    for (auto _ : state) {
        grid.reset();
        grid.pinchInRect({0.25f, 0.25f, 0.5f, 0.5f}, 10.0f, false);
        benchmark::DoNotOptimize(grid.triangles().data());
    }
}
BENCHMARK(BM_PinchStep);

void BM_GridReset(benchmark::State& state) {
    EffectGrid grid(32, 32);
    grid.bumpInRect({0.25f, 0.25f, 0.5f, 0.5f}, 10.0f, false);
    for (auto _ : state) {
        grid.reset();
        benchmark::DoNotOptimize(grid.triangles().data());
    }
}
BENCHMARK(BM_GridReset);

// For comparison: every vertex copy on its own through the per-vertex operation, the
// way a plain loop over the triangle list would do it.
void BM_SmudgeStepPerCopy(benchmark::State& state) {
    EffectGrid grid(32, 32);
    for (auto _ : state) {
        float sum = 0.0f;
        for (const EffectTriangle& t : grid.triangles()) {
            float dx = 0.0f, dy = 0.0f;
            EffectGrid::smudgeX(t.tx1(), t.ty1(), {0.495f, 0.5f}, {0.505f, 0.5f}, kSmudgePower,
                                kSmudgeReach, dx, dy);
            sum += dx;
            EffectGrid::smudgeX(t.tx2(), t.ty2(), {0.495f, 0.5f}, {0.505f, 0.5f}, kSmudgePower,
                                kSmudgeReach, dx, dy);
            sum += dx;
            EffectGrid::smudgeX(t.tx3(), t.ty3(), {0.495f, 0.5f}, {0.505f, 0.5f}, kSmudgePower,
                                kSmudgeReach, dx, dy);
            sum += dx;
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_SmudgeStepPerCopy);

} // namespace
