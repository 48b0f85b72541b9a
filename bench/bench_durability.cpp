// Costs of keeping the history safe: a new picture after undoing to the first of many
// entries (the redo branch it cuts waits for removal), the start-up listing of leftovers on
// the main thread, and a storage save that renews the backup.
#include "Pixello/HistoryLeftovers.h"
#include "Pixello/PixelloModel.h"
#include "ScratchFolder.h"
#include "platform/base/Paths.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace {

using Scratch = benchsupport::ScratchDocuments;

std::string entryName(int i) {
    return "0A1B2C3D-0000-4000-8000-" + std::to_string(100000000000 + i) + ".png";
}

// A payload of `entries` names with the first one current.
std::string payloadAtFirst(int entries) {
    std::string payload = std::to_string(entries) + "\n0\n";
    for (int i = 0; i < entries; ++i) {
        payload += entryName(i) + "\n";
    }
    return payload + "0.110000\n28.000000\n10.000000\n10.000000\n";
}

void BM_NewPictureAtTheFirstOfManyEntries(benchmark::State& state) {
    Scratch scratch;
    const std::string payload = payloadAtFirst(static_cast<int>(state.range(0)));
    const auto pixels = std::make_shared<const platform::PixelBytes>(16, 200);
    const auto picture = platform::Picture::create(pixels, 2, 2);
    for (auto _ : state) {
        state.PauseTiming();
        PixelloModel model;
        model.loadFromData(payload);
        model.setDataRef(pixels);
        state.ResumeTiming();
        benchmark::DoNotOptimize(model.setImage(picture));
    }
}
BENCHMARK(BM_NewPictureAtTheFirstOfManyEntries)
    ->Arg(10000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// Half of the files named by the storage file, half left over.
void BM_FindLeftoversAmong10000Files(benchmark::State& state) {
    Scratch scratch;
    PixelloModel model;
    const auto images = std::filesystem::path(model.directoryForImages());
    for (int i = 0; i < 10000; ++i) {
        std::ofstream(images / entryName(i)) << 'x';
    }
    model.loadFromData(payloadAtFirst(5000));
    model.writeStorage();
    const std::string storage = *ZVKApplicationModel::storagePath();
    for (auto _ : state) {
        benchmark::DoNotOptimize(HistoryLeftovers::find(storage, images.string()));
    }
}
BENCHMARK(BM_FindLeftoversAmong10000Files)->Unit(benchmark::kMillisecond);

void BM_SaveWithBackupOf50Entries(benchmark::State& state) {
    Scratch scratch;
    PixelloModel model;
    model.loadFromData(payloadAtFirst(50));
    for (auto _ : state) {
        benchmark::DoNotOptimize(model.writeStorage());
    }
}
BENCHMARK(BM_SaveWithBackupOf50Entries)->Unit(benchmark::kMillisecond);

} // namespace
