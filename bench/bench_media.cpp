// The media room: saving to the album, listing the photo library and the first screen of
// thumbnails, each timed from the request to the completion delivered on the main run loop.
#include "ScratchFolder.h"
#include "platform/base/BackgroundQueue.h"
#include "platform/base/Paths.h"
#include "platform/base/RunLoop.h"
#include "platform/graphics/Picture.h"
#include "platform/media/AlbumWriter.h"
#include "platform/media/PictureLibrary.h"
#include "platform/media/ThumbnailCache.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cmath>
#include <condition_variable>
#include <cstdio> // before jpeglib.h
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <jpeglib.h>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace {

using platform::BackgroundQueue;
using platform::RunLoop;

using benchsupport::ScratchFolder;

// One row of a photograph-like picture: smooth gradients under per-pixel noise, as a
// camera photo looks (a flat test pattern would flatter every codec). RGB or RGBA.
void photoRow(std::uint8_t* out, int width, int height, int y, int channels, std::uint32_t& noise) {
    for (int x = 0; x < width; ++x) {
        const double u = double(x) / width;
        const double v = double(y) / height;
        const double base[3] = {200.0 * u + 30.0, 160.0 * v + 40.0,
                                120.0 + 80.0 * std::sin(6.0 * u + 4.0 * v)};
        for (int c = 0; c < 3; ++c) {
            noise = noise * 1664525u + 1013904223u;
            const int value = int(base[c]) + int(noise >> 28) - 8;
            out[x * channels + c] = static_cast<std::uint8_t>(std::clamp(value, 0, 255));
        }
        if (channels == 4) {
            out[x * 4 + 3] = 255;
        }
    }
}

platform::Picture photo(int width, int height) {
    auto bytes = std::make_shared<platform::PixelBytes>(std::size_t(width) * height * 4);
    std::uint32_t noise = 1;
    for (int y = 0; y < height; ++y) {
        photoRow(bytes->data() + std::size_t(y) * width * 4, width, height, y, 4, noise);
    }
    return *platform::Picture::create(std::move(bytes), width, height);
}

// A photograph-like JPEG at quality 90 with the encoder's default chroma subsampling, as a
// camera writes it.
bool writePhotoJpeg(const std::filesystem::path& path, int width, int height, std::uint32_t seed) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<std::uint8_t> row(std::size_t(width) * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        photoRow(row.data(), width, height, int(cinfo.next_scanline), 3, seed);
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return std::fclose(file) == 0;
}

// CPU time of the calling thread: what the main thread spends, not what it waits.
double threadSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Runs the main loop's posted calls as they arrive until `done` says so, sleeping in
// between as a window host's event loop does.
template <typename Done> void pumpUntil(RunLoop& loop, Done done) {
    std::mutex mutex;
    std::condition_variable woken;
    std::uint64_t posts = 0;
    // Called with the loop's lock held: it takes only its own lock, and the wait below
    // never holds that one while asking the loop anything.
    loop.setWakeUp([&] {
        const std::lock_guard lock(mutex);
        ++posts;
        woken.notify_all();
    });
    for (;;) {
        // A call posted before this count was taken is run below; one posted after it
        // ends the wait.
        std::uint64_t seen = 0;
        {
            const std::lock_guard lock(mutex);
            seen = posts;
        }
        loop.fireDueCalls();
        if (done()) {
            break;
        }
        std::unique_lock lock(mutex);
        woken.wait(lock, [&] { return posts != seen; });
    }
    loop.setWakeUp(nullptr);
}

void BM_SaveToAlbum600(benchmark::State& state) {
    ScratchFolder scratch;
    platform::Paths::setPicturesDirectory(scratch.path());
    const std::filesystem::path album = scratch.path() / platform::AlbumWriter::kAlbumName;
    RunLoop& loop = RunLoop::main();
    BackgroundQueue queue(loop);
    platform::AlbumWriter writer(queue);
    const platform::Picture picture = photo(600, 600);
    double busy = 0.0;
    for (auto _ : state) {
        std::optional<std::string> error = "not answered";
        const double start = threadSeconds();
        writer.save(picture, [&](std::optional<std::string> answer) { error = answer; });
        pumpUntil(loop, [&] { return error != "not answered"; });
        busy += threadSeconds() - start;
        if (error) {
            state.SkipWithError(error->c_str());
            break;
        }
        state.PauseTiming();
        std::error_code ec;
        std::filesystem::remove_all(album, ec);
        state.ResumeTiming();
    }
    state.counters["main_busy_ms"] = benchmark::Counter(
        busy * 1e3 / double(std::max<benchmark::IterationCount>(state.iterations(), 1)));
    platform::Paths::resetPicturesDirectory();
}
BENCHMARK(BM_SaveToAlbum600)->Unit(benchmark::kMillisecond)->UseRealTime();

// A library of kLibraryFiles camera-sized JPEGs, made once per process. Encoding a
// 12-megapixel JPEG takes a good part of a second, so kDistinctJpegs pictures are encoded
// and the rest of the files are copies of them: every file is still decoded on its own.
constexpr int kLibraryFiles = 200;
constexpr int kDistinctJpegs = 8;
constexpr int kFirstScreen = 20;

struct JpegLibrary {
    ScratchFolder scratch;
    std::filesystem::path pictures = scratch.path() / "Pictures";
    bool made = false;

    JpegLibrary() {
        std::filesystem::create_directories(pictures);
        for (int i = 0; i < kLibraryFiles; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "IMG_%04d.jpg", i);
            const auto path = pictures / name;
            const bool done =
                i < kDistinctJpegs
                    ? writePhotoJpeg(path, 4000, 3000, std::uint32_t(i + 1))
                    : std::filesystem::copy_file(
                          pictures / ("IMG_000" + std::to_string(i % kDistinctJpegs) + ".jpg"),
                          path);
            if (!done) {
                return;
            }
        }
        made = true;
    }
};

const JpegLibrary& jpegLibrary() {
    static const JpegLibrary library;
    return library;
}

// Lists the library and asks for every file's thumbnail, the first screen's first; answers
// once the first screen's thumbnails arrived (false when one failed). The thumbnails still
// being made then are finished by `untimed` before the objects go.
template <typename Untimed>
bool showFirstScreen(RunLoop& loop, const std::filesystem::path& pictures,
                     const std::filesystem::path& thumbnails, Untimed untimed) {
    int shown = 0;
    int failed = 0;
    {
        BackgroundQueue queue(loop, 2);
        platform::ThumbnailCache cache(thumbnails, queue);
        platform::PictureLibrary library(
            pictures, queue, [&](platform::PictureLibrary::Listing listing) {
                int index = 0;
                for (const auto& picture : listing.value()) {
                    cache.request(picture.path, index++ < kFirstScreen ? 1 : 0,
                                  [&](platform::ThumbnailCache::Result thumbnail) {
                                      ++(thumbnail ? shown : failed);
                                  });
                }
            });
        library.refresh();
        pumpUntil(loop, [&] { return shown >= kFirstScreen || failed > 0; });
        untimed();
    }
    loop.waitForBackgroundJobs();
    return failed == 0;
}

// From asking for the library to the first screen of thumbnails shown. Argument 0 starts
// from an empty thumbnail cache, 1 from one that holds them.
void BM_LibraryFirstScreen(benchmark::State& state) {
    const JpegLibrary& library = jpegLibrary();
    if (!library.made) {
        state.SkipWithError("the JPEG files could not be made");
        return;
    }
    ScratchFolder cacheFolder;
    const std::filesystem::path thumbnails = cacheFolder.path() / "thumbnails";
    const bool warm = state.range(0) == 1;
    RunLoop& loop = RunLoop::main();
    if (warm && !showFirstScreen(loop, library.pictures, thumbnails, [] {})) {
        state.SkipWithError("a thumbnail failed");
        return;
    }
    for (auto _ : state) {
        if (!warm) {
            state.PauseTiming();
            std::error_code ec;
            std::filesystem::remove_all(thumbnails, ec);
            state.ResumeTiming();
        }
        const bool ok =
            showFirstScreen(loop, library.pictures, thumbnails, [&] { state.PauseTiming(); });
        state.ResumeTiming();
        if (!ok) {
            state.SkipWithError("a thumbnail failed");
            break;
        }
    }
}
BENCHMARK(BM_LibraryFirstScreen)
    ->ArgName("warm")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Listing a library of 10,000 files in 20 folders (the files hold only a signature: the
// listing reads no more).
void BM_ListLibrary10000(benchmark::State& state) {
    ScratchFolder scratch;
    for (int folder = 0; folder < 20; ++folder) {
        const auto dir = scratch.path() / ("folder " + std::to_string(folder));
        std::filesystem::create_directories(dir);
        for (int i = 0; i < 500; ++i) {
            FILE* file = std::fopen((dir / ("IMG_" + std::to_string(i) + ".png")).c_str(), "wb");
            if (file == nullptr) {
                state.SkipWithError("the files could not be made");
                return;
            }
            std::fwrite("\x89PNG\r\n\x1a\n", 1, 8, file);
            std::fclose(file);
        }
    }
    std::size_t listed = 0;
    for (auto _ : state) {
        listed = platform::PictureLibrary::list(scratch.path()).value().size();
    }
    if (listed != 10000) {
        state.SkipWithError("not every file was listed");
    }
}
BENCHMARK(BM_ListLibrary10000)->Unit(benchmark::kMillisecond);

} // namespace
