// Peak memory of decoding large pictures whole: how far the process's resident peak rises
// above where it stood, against the decoded picture's own size (counters peak_MB and
// picture_MB; the aim is at most twice the picture plus 64 MB). The peak is reset before
// each decoding through /proc/self/clear_refs, so each benchmark measures only its own.
#include "platform/graphics/Picture.h"
#include "platform/graphics/PictureCodec.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>
#include <webp/encode.h>

namespace {

using platform::Picture;
using platform::PictureCodec;

// VmHWM of this process in bytes.
double peakResident() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmHWM:")) {
            return std::stod(line.substr(6)) * 1024.0;
        }
    }
    return 0.0;
}

double residentNow() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmRSS:")) {
            return std::stod(line.substr(6)) * 1024.0;
        }
    }
    return 0.0;
}

void resetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// A 7000 × 7000 picture (49 megapixels) of broad bands: it compresses to a few hundred KB,
// as the flat graphics and screenshots that reach such sizes do.
Picture bands(bool translucent) {
    constexpr int side = 7000;
    auto bytes = std::make_shared<platform::PixelBytes>(std::size_t{side} * side * 4);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            std::uint8_t* p = bytes->data() + (std::size_t{side} * y + x) * 4;
            const auto a = static_cast<std::uint8_t>(translucent ? 128 + (y / 500) % 2 * 127 : 255);
            p[0] = static_cast<std::uint8_t>((x / 700) * 25 * a / 255);
            p[1] = static_cast<std::uint8_t>((y / 700) * 25 * a / 255);
            p[2] = static_cast<std::uint8_t>(a / 2);
            p[3] = a;
        }
    }
    return *Picture::create(bytes, side, side);
}

void measureDecode(benchmark::State& state, const std::vector<std::uint8_t>& file) {
    double peak = 0.0;
    double picture = 0.0;
    for (auto _ : state) {
        const double before = residentNow();
        resetPeak();
        {
            const auto decoded = PictureCodec::decode(file);
            if (!decoded) {
                state.SkipWithError(decoded.error().message.c_str());
                return;
            }
            picture = static_cast<double>(decoded->pixels()->size());
        }
        peak = peakResident() - before;
    }
    state.counters["file_KB"] = static_cast<double>(file.size()) / 1024.0;
    state.counters["picture_MB"] = picture / 1048576.0;
    state.counters["peak_MB"] = peak / 1048576.0;
}

void BM_DecodePNG49MPOpaque(benchmark::State& state) {
    static const std::vector<std::uint8_t> file = *PictureCodec::encodePNG(bands(false));
    measureDecode(state, file);
}
BENCHMARK(BM_DecodePNG49MPOpaque)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_DecodePNG49MPTranslucent(benchmark::State& state) {
    static const std::vector<std::uint8_t> file = *PictureCodec::encodePNG(bands(true));
    measureDecode(state, file);
}
BENCHMARK(BM_DecodePNG49MPTranslucent)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_DecodeWebPLossless49MP(benchmark::State& state) {
    static const std::vector<std::uint8_t> file = [] {
        const Picture picture = bands(false);
        std::uint8_t* out = nullptr;
        const std::size_t size = WebPEncodeLosslessRGBA(
            picture.pixels()->data(), picture.width(), picture.height(), picture.width() * 4, &out);
        std::vector<std::uint8_t> bytes(out, out + size);
        WebPFree(out);
        return bytes;
    }();
    measureDecode(state, file);
}
BENCHMARK(BM_DecodeWebPLossless49MP)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
