// Drawing, reading back and uploading a 600 × 600 picture through the GL view, and the
// picture codecs at that size: the work of every touch movement and of every finished
// effect.

#include "Pixello/EffectGrid.h"
#include "Pixello/GLView.h"
#include "platform/gl/GLContext.h"
#include "platform/graphics/PictureCodec.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <memory>

namespace {

constexpr int kSide = 600;

platform::Picture benchPicture() {
    platform::PixelBytes bytes;
    bytes.reserve(kSide * kSide * 4);
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            bytes.insert(bytes.end(), {static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
                                       static_cast<std::uint8_t>(x ^ y), 255});
        }
    }
    return *platform::Picture::create(std::make_shared<const platform::PixelBytes>(bytes), kSide,
                                      kSide);
}

// A 600 × 600 view with the picture as sprite and the editor's 32 × 32 grid, lightly
// deformed so the mesh is not trivially regular.
std::shared_ptr<GLView> benchView(benchmark::State& state, const platform::Picture& picture) {
    auto view = GLView::create({0.0f, 0.0f, kSide, kSide});
    if (view == nullptr) {
        state.SkipWithError(platform::GLContext::lastError().c_str());
        return nullptr;
    }
    view->loadSpriteImage(&picture);
    auto grid = std::make_shared<EffectGrid>(32, 32);
    grid->bumpInRect({0.25f, 0.25f, 0.5f, 0.5f}, 0.5f, false);
    view->setGrid(grid);
    view->setPresent(false);
    return view;
}

void BM_DrawView600(benchmark::State& state) {
    const platform::Picture picture = benchPicture();
    auto view = benchView(state, picture);
    if (view == nullptr) {
        return;
    }
    for (auto _ : state) {
        view->drawView();
        glFinish();
    }
}
BENCHMARK(BM_DrawView600)->Unit(benchmark::kMillisecond);

void BM_Capture600(benchmark::State& state) {
    const platform::Picture picture = benchPicture();
    auto view = benchView(state, picture);
    if (view == nullptr) {
        return;
    }
    view->drawView();
    glFinish();
    for (auto _ : state) {
        platform::PixelBuffer data;
        benchmark::DoNotOptimize(view->capture(data));
    }
}
BENCHMARK(BM_Capture600)->Unit(benchmark::kMillisecond);

void BM_LoadSpriteData600(benchmark::State& state) {
    const platform::Picture picture = benchPicture();
    auto view = benchView(state, picture);
    if (view == nullptr) {
        return;
    }
    for (auto _ : state) {
        view->loadSpriteData(picture.pixels(), kSide, kSide);
        glFinish();
    }
}
BENCHMARK(BM_LoadSpriteData600)->Unit(benchmark::kMillisecond);

void BM_EncodePNG600(benchmark::State& state) {
    const platform::Picture picture = benchPicture();
    for (auto _ : state) {
        benchmark::DoNotOptimize(platform::PictureCodec::encodePNG(picture));
    }
}
BENCHMARK(BM_EncodePNG600)->Unit(benchmark::kMillisecond);

void BM_DecodePNG600(benchmark::State& state) {
    const auto encoded = *platform::PictureCodec::encodePNG(benchPicture());
    for (auto _ : state) {
        benchmark::DoNotOptimize(platform::PictureCodec::decode(encoded));
    }
}
BENCHMARK(BM_DecodePNG600)->Unit(benchmark::kMillisecond);

} // namespace
