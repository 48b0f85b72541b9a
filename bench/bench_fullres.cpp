// The full-size rendition of a camera picture's history: a generated 4000 × 3000 original
// with 20 finished edits (smudge strokes, bumps, pinches and a crop) replayed from scratch,
// and one more edit drawn on the kept rendition. Each reports the process's peak resident
// memory so far (the setup's included, so it is an upper bound). Also what recording an
// edit adds to finishing it.
#include "Pixello/EditHistory.h"
#include "Pixello/EffectGrid.h"
#include "Pixello/FullResolution.h"
#include "ScratchFolder.h"
#include "platform/base/FileSystem.h"
#include "platform/gl/GLContext.h"
#include "platform/graphics/PictureCodec.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <sys/resource.h>

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr int kEdits = 20;

platform::Picture original() {
    std::vector<std::uint8_t> pixels(std::size_t{kWidth} * kHeight * 4);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            std::uint8_t* p =
                pixels.data() +
                (std::size_t{static_cast<unsigned>(y)} * kWidth + static_cast<unsigned>(x)) * 4;
            p[0] = static_cast<std::uint8_t>(x * 255 / kWidth);
            p[1] = static_cast<std::uint8_t>(y * 255 / kHeight);
            p[2] = static_cast<std::uint8_t>((x / 40 + y / 40) % 2 ? 200 : 60);
            p[3] = 255;
        }
    }
    return *platform::Picture::create(
        std::make_shared<const platform::PixelBytes>(std::move(pixels)), kWidth, kHeight);
}

// Edit k of the history: mostly smudge strokes, every fourth a bump or a pinch, one crop.
EditStep edit(int k) {
    if (k == 10) {
        return CropStep{15, 15, 570, 420, 600, 450};
    }
    EffectGrid grid(32, 32);
    const float at = 0.2f + 0.03f * static_cast<float>(k);
    if (k % 4 == 1) {
        grid.bumpInRect({at, 0.3f, 0.3f, 0.3f}, 10.0f, false);
    } else if (k % 4 == 3) {
        grid.pinchInRect({0.3f, at, 0.25f, 0.25f}, 10.0f, false);
    } else {
        for (int s = 0; s < 12; ++s) {
            const float x = at + 0.01f * static_cast<float>(s);
            grid.smudgeFrom({x, 0.5f}, {x + 0.01f, 0.52f}, 0.11f, 0.05f);
        }
    }
    return GridStep::of(grid);
}

std::string entry(int k) {
    return "0A1B2C3D-0000-4000-8000-" + std::to_string(100000000000 + k) + ".png";
}

double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Arg 0: the 20 edits from scratch; arg 1: the 21st on the rendition of the 20th.
void BM_FullResolutionReplay12MP(benchmark::State& state) {
    platform::GLContext* context = platform::GLContext::shared();
    if (context == nullptr || !context->makeCurrent()) {
        state.SkipWithError("no GL context");
        return;
    }
    benchsupport::ScratchFolder folder;
    const std::filesystem::path images = folder.path();
    std::vector<std::string> names;
    names.push_back(entry(0));
    platform::writeFileAtomically(images / EditHistory::sourceFileName(names[0]),
                                  *platform::PictureCodec::encodePNG(original()));
    platform::writeFileAtomically(images / EditHistory::editFileName(names[0]),
                                  EditRecord{}.encode());
    for (int k = 1; k <= kEdits + 1; ++k) {
        names.push_back(entry(k));
        EditHistory::recordStep(images, names.back(), names[names.size() - 2], edit(k));
    }
    const bool cached = state.range(0) == 1;
    std::optional<platform::Picture> kept;
    if (cached) {
        kept = *FullResolution::renderEntry(images, names, names[kEdits], "", std::nullopt,
                                            context->fbo(), 0);
    }
    const std::string& target = names[cached ? kEdits + 1 : kEdits];
    for (auto _ : state) {
        auto picture = FullResolution::renderEntry(
            images, names, target, cached ? names[kEdits] : "", kept, context->fbo(), 0);
        if (!picture) {
            state.SkipWithError(picture.error().message.c_str());
            return;
        }
        benchmark::DoNotOptimize(picture->pixels()->data());
    }
    state.counters["peak_MB"] = peakMegabytes();
}
BENCHMARK(BM_FullResolutionReplay12MP)
    ->ArgName("cached")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// What finishing an edit adds for the full-size rendition: the grid taken and its record
// written atomically beside the entry.
void BM_RecordStep(benchmark::State& state) {
    benchsupport::ScratchFolder folder;
    EffectGrid grid(32, 32);
    grid.bumpInRect({0.2f, 0.3f, 0.4f, 0.4f}, 10.0f, false);
    for (auto _ : state) {
        EditHistory::recordStep(folder.path(), entry(1), entry(0), GridStep::of(grid));
    }
}
BENCHMARK(BM_RecordStep)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
