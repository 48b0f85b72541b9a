// Costs of the model's storage path: payload text, digest, and the framed file on disk.
#include "Pixello/PixelloModel.h"
#include "ScratchFolder.h"
#include "ZevkoCore/ZVKCommons.h"
#include "ZevkoCore/ZVKMD5.h"
#include "platform/base/Paths.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using Scratch = benchsupport::ScratchDocuments;

// A history of `entries` pictures, as the payload the editor would store.
std::string payloadWith(int entries) {
    std::string text = std::to_string(entries) + "\n" + std::to_string(entries - 1) + "\n";
    for (int i = 0; i < entries; ++i) {
        text += ZVKUUIDCreate() + ".png\n";
    }
    return text + "0.110000\n28.000000\n10.000000\n10.000000\n";
}

void BM_SaveToData(benchmark::State& state) {
    Scratch scratch;
    PixelloModel model;
    model.loadFromData(payloadWith(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        benchmark::DoNotOptimize(model.saveToData());
    }
}
BENCHMARK(BM_SaveToData)->Arg(1)->Arg(100)->Arg(1000);

void BM_LoadFromData(benchmark::State& state) {
    Scratch scratch;
    PixelloModel model;
    const std::string text = payloadWith(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(model.loadFromData(text));
    }
}
BENCHMARK(BM_LoadFromData)->Arg(1)->Arg(100)->Arg(1000);

void BM_MD5CheckConsistence(benchmark::State& state) {
    std::string text = payloadWith(static_cast<int>(state.range(0)));
    text += ZVKMD5ForString(text);
    for (auto _ : state) {
        benchmark::DoNotOptimize(ZVKMD5CheckConsistence(text));
    }
}
BENCHMARK(BM_MD5CheckConsistence)->Arg(1)->Arg(100)->Arg(1000);

// One durable save: backup check, digest, temporary file, fsync, rename, folder fsync.
void BM_SaveToStorage(benchmark::State& state) {
    Scratch scratch;
    PixelloModel model;
    model.loadFromData(payloadWith(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        benchmark::DoNotOptimize(model.saveToStorage());
    }
}
BENCHMARK(BM_SaveToStorage)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_LoadFromStorage(benchmark::State& state) {
    Scratch scratch;
    PixelloModel model;
    model.loadFromData(payloadWith(static_cast<int>(state.range(0))));
    model.saveToStorage();
    for (auto _ : state) {
        benchmark::DoNotOptimize(model.loadFromStorage());
    }
}
BENCHMARK(BM_LoadFromStorage)->Arg(100)->Unit(benchmark::kMicrosecond);

} // namespace
