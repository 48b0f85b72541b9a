// Costs of pictures going into and out of the editor: the PNG encoding of every picture that
// leaves it, and picking a 24-megapixel camera picture, reduced while it is decoded or
// decoded whole, with the peak memory each adds, and the whole pick in the editor.
#include "Pixello/PixelloHostDelegate.h"
#include "Pixello/PixelloKernel.h"
#include "ScratchFolder.h"
#include "platform/base/Paths.h"
#include "platform/graphics/PictureCodec.h"
#include "platform/host/HeadlessHost.h"
#include "platform/host/Script.h"

#include <algorithm>
#include <array>
#include <benchmark/benchmark.h>
#include <csetjmp>
#include <cstdint>
#include <cstdio> // before jpeglib.h
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <jpeglib.h>
#include <malloc.h>
#include <optional>
#include <png.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using platform::Picture;
using platform::PictureCodec;

std::uint32_t mix(std::uint32_t h) {
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return h;
}

// 0–255, varying smoothly over cells of `cell` pixels.
int valueNoise(int x, int y, int cell, std::uint32_t salt) {
    const auto at = [salt](int cx, int cy) {
        return static_cast<int>(mix(static_cast<std::uint32_t>(cx) * 73856093u ^
                                    static_cast<std::uint32_t>(cy) * 19349663u ^ salt) &
                                255u);
    };
    const int cx = x / cell;
    const int cy = y / cell;
    const int fx = x % cell;
    const int fy = y % cell;
    const int top = at(cx, cy) * (cell - fx) + at(cx + 1, cy) * fx;
    const int bottom = at(cx, cy + 1) * (cell - fx) + at(cx + 1, cy + 1) * fx;
    return (top * (cell - fy) + bottom * fy) / (cell * cell);
}

// How much a photograph-like picture holds besides its gradients: per-pixel noise of ±6
// (a JPEG of 1 bit a pixel at quality 90), or fine texture at two scales as well (2.5 bits a
// pixel, as dense as camera pictures of foliage or fabric get).
enum class Detail { noise, texture };

// A photograph-like pixel of a width × height picture: broad gradients that differ per
// channel, and `detail`.
std::array<std::uint8_t, 3> photoPixel(int x, int y, int width, int height, Detail detail) {
    const int gx = x * 160 / width;
    const int gy = y * 120 / height;
    const int diagonal = (x + y) * 255 / (width + height);
    const int ramps[3] = {40 + gx + gy / 2,
                          30 + gy + (diagonal > 127 ? 255 - diagonal : diagonal) / 2,
                          200 - gx / 2 - gy / 3};
    const int texture = detail == Detail::noise ? 0
                                                : (valueNoise(x, y, 3, 7u) - 128) * 40 / 128 +
                                                      (valueNoise(x, y, 12, 9u) - 128) * 40 / 128;
    std::array<std::uint8_t, 3> pixel{};
    for (std::size_t c = 0; c < 3; ++c) {
        const auto noise =
            mix(static_cast<std::uint32_t>(x) * 2654435761u ^
                static_cast<std::uint32_t>(y) * 40503u ^ static_cast<std::uint32_t>(c) * 97u) %
            13u;
        const int value = ramps[c] + texture + static_cast<int>(noise) - 6;
        pixel[c] = static_cast<std::uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
    }
    return pixel;
}

Picture photoPicture(int width, int height, Detail detail) {
    auto bytes = std::make_shared<platform::PixelBytes>();
    bytes->reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto [r, g, b] = photoPixel(x, y, width, height, detail);
            bytes->insert(bytes->end(), {r, g, b, 255});
        }
    }
    return *Picture::create(bytes, width, height);
}

void appendToVector(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void flushNothing(png_structp) {}

// The encoding with libpng's defaults (deflate level 6, every row filter tried, RGBA), as
// the editor wrote PNG before: the yardstick for the one above.
std::vector<std::uint8_t> encodeWithLibpngDefaults(const Picture& picture) {
    std::vector<std::uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, appendToVector, flushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width()),
                 static_cast<png_uint_32>(picture.height()), 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const std::size_t rowBytes = static_cast<std::size_t>(picture.width()) * 4;
    for (int y = 0; y < picture.height(); ++y) {
        png_write_row(png, picture.pixels()->data() + rowBytes * static_cast<std::size_t>(y));
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

std::vector<std::uint8_t> encodeAsTheEditorDoes(const Picture& picture) {
    return *PictureCodec::encodePNG(picture);
}

void encodeBenchmark(benchmark::State& state, Detail detail,
                     std::vector<std::uint8_t> (*encode)(const Picture&)) {
    const Picture picture = photoPicture(600, 600, detail);
    std::size_t size = 0;
    for (auto _ : state) {
        size = encode(picture).size();
    }
    state.counters["bytes"] = static_cast<double>(size);
}

void BM_EncodePNG600Photo(benchmark::State& state) {
    encodeBenchmark(state, Detail::noise, encodeAsTheEditorDoes);
}
BENCHMARK(BM_EncodePNG600Photo)->Unit(benchmark::kMillisecond);

void BM_EncodePNG600PhotoLibpngDefaults(benchmark::State& state) {
    encodeBenchmark(state, Detail::noise, encodeWithLibpngDefaults);
}
BENCHMARK(BM_EncodePNG600PhotoLibpngDefaults)->Unit(benchmark::kMillisecond);

void BM_EncodePNG600PhotoTextured(benchmark::State& state) {
    encodeBenchmark(state, Detail::texture, encodeAsTheEditorDoes);
}
BENCHMARK(BM_EncodePNG600PhotoTextured)->Unit(benchmark::kMillisecond);

void BM_EncodePNG600PhotoTexturedLibpngDefaults(benchmark::State& state) {
    encodeBenchmark(state, Detail::texture, encodeWithLibpngDefaults);
}
BENCHMARK(BM_EncodePNG600PhotoTexturedLibpngDefaults)->Unit(benchmark::kMillisecond);

// A 6000 × 4000 camera picture: JPEG at quality 90 with the usual 4:2:0 subsampling, written
// row by row to a file of its own, removed at the end.
class CameraFile {
public:
    explicit CameraFile(Detail detail) : path_(folder_.path() / "camera.jpg") {
        write(6000, 4000, detail);
    }

    const std::filesystem::path& path() const { return path_; }

private:
    void write(int width, int height, Detail detail) const {
        std::FILE* file = std::fopen(path_.c_str(), "wb");
        if (file == nullptr) {
            std::abort();
        }
        jpeg_compress_struct cinfo{};
        jpeg_error_mgr errors{};
        cinfo.err = jpeg_std_error(&errors);
        jpeg_create_compress(&cinfo);
        jpeg_stdio_dest(&cinfo, file);
        cinfo.image_width = static_cast<JDIMENSION>(width);
        cinfo.image_height = static_cast<JDIMENSION>(height);
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_RGB;
        jpeg_set_defaults(&cinfo);
        jpeg_set_quality(&cinfo, 90, TRUE);
        jpeg_start_compress(&cinfo, TRUE);
        std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 3);
        while (cinfo.next_scanline < cinfo.image_height) {
            const int y = static_cast<int>(cinfo.next_scanline);
            for (int x = 0; x < width; ++x) {
                const auto pixel = photoPixel(x, y, width, height, detail);
                std::copy(pixel.begin(), pixel.end(), row.begin() + 3 * x);
            }
            JSAMPROW rows[1] = {row.data()};
            jpeg_write_scanlines(&cinfo, rows, 1);
        }
        jpeg_finish_compress(&cinfo);
        jpeg_destroy_compress(&cinfo);
        std::fclose(file);
    }

    benchsupport::ScratchFolder folder_;
    std::filesystem::path path_;
};

const CameraFile& cameraFile(Detail detail) {
    static const CameraFile noisy(Detail::noise);
    if (detail == Detail::noise) {
        return noisy;
    }
    static const CameraFile textured(Detail::texture);
    return textured;
}

// What picking does with a file: decoded for the 600 × 600 box, then drawn upright at its
// fitted size by the kernel.
std::optional<Picture> pickReduced(const std::filesystem::path& path) {
    const auto reduced = PictureCodec::decodeFileToFit(path, {600.0f, 600.0f});
    return reduced ? PixelloKernel::convertImageToPNG(*reduced, 600.0f, 600.0f) : std::nullopt;
}

std::optional<Picture> pickWhole(const std::filesystem::path& path) {
    const auto whole = PictureCodec::decodeFile(path);
    return whole ? PixelloKernel::convertImageToPNG(*whole, 600.0f, 600.0f) : std::nullopt;
}

long peakKiB() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.starts_with("VmHWM:")) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

// The resident memory `operation` adds at its peak, in MiB, measured in a forked child so
// that this process's own peak does not hide it. The child runs the operation once to load
// its code, hands every free heap page back (malloc_trim), and resets its high-water mark to
// what it holds now (clear_refs 5); whatever the measured run then touches counts.
std::optional<double> peakAddedMiB(const std::function<void()>& operation) {
    int channel[2];
    if (::pipe(channel) != 0) {
        return std::nullopt;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(channel[0]);
        operation();
        ::malloc_trim(0);
        std::ofstream("/proc/self/clear_refs") << "5";
        const long before = peakKiB();
        operation();
        const long added = peakKiB() - before;
        const bool sent = ::write(channel[1], &added, sizeof added) == sizeof added;
        ::_exit(sent && before > 0 ? 0 : 1);
    }
    ::close(channel[1]);
    long added = 0;
    const bool received = ::read(channel[0], &added, sizeof added) == sizeof added;
    ::close(channel[0]);
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0 || !received) {
        return std::nullopt;
    }
    return static_cast<double>(added) / 1024.0;
}

void pickBenchmark(benchmark::State& state, Detail detail,
                   std::optional<Picture> (*pick)(const std::filesystem::path&)) {
    const std::filesystem::path& path = cameraFile(detail).path();
    for (auto _ : state) {
        const std::optional<Picture> picture = pick(path);
        if (!picture || picture->width() != 600 || picture->height() != 400) {
            state.SkipWithError("the camera picture was not picked at 600 x 400");
            return;
        }
    }
    const std::optional<double> added = peakAddedMiB([&] { pick(path); });
    if (!added) {
        state.SkipWithError("the peak memory could not be measured");
        return;
    }
    state.counters["peak_added_MiB"] = *added;
    state.counters["file_MiB"] = static_cast<double>(std::filesystem::file_size(path)) / 1048576.0;
}

void BM_PickJpeg24MP(benchmark::State& state) {
    pickBenchmark(state, Detail::noise, pickReduced);
}
BENCHMARK(BM_PickJpeg24MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PickJpeg24MPFullDecode(benchmark::State& state) {
    pickBenchmark(state, Detail::noise, pickWhole);
}
BENCHMARK(BM_PickJpeg24MPFullDecode)->Unit(benchmark::kMillisecond)->UseRealTime();

// Entropy decoding, which no reduction skips, grows with the file: the denser picture shows
// how much of the gain remains.
void BM_PickJpeg24MPTextured(benchmark::State& state) {
    pickBenchmark(state, Detail::texture, pickReduced);
}
BENCHMARK(BM_PickJpeg24MPTextured)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PickJpeg24MPTexturedFullDecode(benchmark::State& state) {
    pickBenchmark(state, Detail::texture, pickWhole);
}
BENCHMARK(BM_PickJpeg24MPTexturedFullDecode)->Unit(benchmark::kMillisecond)->UseRealTime();

// The whole pick as a user makes it, in the running editor: with the photo library shown, a
// tap on the thumbnail of the 24-megapixel JPEG, the wait alert, and the delayed completion
// that decodes, converts and stores the picture as the only history entry (a PNG file) and
// hands it to the screen. The clock runs from the tap to the end of the completion.
void BM_PickFromLibrary24MP(benchmark::State& state) {
    const std::filesystem::path& camera = cameraFile(Detail::noise).path();
    const std::filesystem::path root = camera.parent_path() / "editor";
    std::filesystem::create_directories(root / "Pictures");
    std::filesystem::copy_file(camera, root / "Pictures" / "camera.jpg",
                               std::filesystem::copy_options::overwrite_existing);
    platform::Paths::setDocumentsDirectory(root / "Documents");
    platform::Paths::setPicturesDirectory(root / "Pictures");
    ::setenv("XDG_CACHE_HOME", (root / "cache").c_str(), 1);
    platform::HeadlessHost host(2);
    PixelloHostDelegate* delegate = nullptr;
    const auto run = [&host](const std::string& text) {
        const auto script = platform::Script::parse(text, "bench");
        return script && host.run(*script);
    };
    const bool launched = static_cast<bool>(host.launch([&delegate](platform::Window& window) {
        auto hosted = PixelloHostDelegate::hostedApplication(window);
        delegate = static_cast<PixelloHostDelegate*>(hosted.delegate.get());
        return hosted;
    }));
    const std::string pick =
        "pick " + (root / "Pictures" / "camera.jpg").string() + "\nwait 0.05\n";
    if (!launched || !run("wait 0.5\npress pick\nwait 0.5\n")) {
        state.SkipWithError("the editor did not show its photo library");
    }
    for (auto _ : state) {
        if (!run(pick)) {
            state.SkipWithError("the pick did not run");
            break;
        }
        state.PauseTiming();
        const PixelloModel& model = *delegate->kernel()->model();
        const bool picked = model.imageFileNames().size() == 1 &&
                            model.imageFileNames()[0].ends_with(".pngr") &&
                            delegate->kernel()->alert() == nullptr;
        if (!picked || !run("wait 0.5\npress pick\nwait 0.5\n")) {
            state.SkipWithError("the picture was not picked");
            state.ResumeTiming();
            break;
        }
        state.ResumeTiming();
    }
    host.terminate();
    ::unsetenv("XDG_CACHE_HOME");
    platform::Paths::resetPicturesDirectory();
    platform::Paths::resetDocumentsDirectory();
}
BENCHMARK(BM_PickFromLibrary24MP)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
