// Windowed start: from exec to the first frame swapped onto the window, for the editor as
// it starts for a user (kernel, model loaded from storage, screens). Needs an X server:
// run under `xvfb-run -a`.
#include "Pixello/PixelloAppDelegate.h"
#include "platform/Host.h"
#include "platform/Paths.h"

#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr std::string_view kChildFlag = "--first-frame-child";

std::int64_t monotonicNanoseconds() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

// The child: the editor in a window that reports its first frame through `fd` and closes.
int runChild(int fd, const char* dataDir) {
    platform::Paths::setDocumentsDirectory(dataDir);
    platform::HostOptions options;
    options.programName = "bench_host";
    options.windowTitle = "Pixello";
    options.firstFrameShown = [fd] {
        const std::int64_t shown = monotonicNanoseconds();
        if (::write(fd, &shown, sizeof shown) != static_cast<ssize_t>(sizeof shown)) {
            std::abort();
        }
        SDL_Event quit{};
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
    };
    return platform::runHost(options, [](platform::Window& window) {
        platform::HostedApplication hosted;
        hosted.delegate = std::make_unique<PixelloAppDelegate>(&window);
        return hosted;
    });
}

void BM_WindowedStartToFirstFrame(benchmark::State& state) {
    if (std::getenv("DISPLAY") == nullptr) {
        state.SkipWithError("needs an X server: run under xvfb-run -a");
        return;
    }
    std::string dir = (std::filesystem::temp_directory_path() / "pixello-bench-XXXXXX").string();
    if (::mkdtemp(dir.data()) == nullptr) {
        state.SkipWithError("no scratch directory");
        return;
    }
    for (auto _ : state) {
        int fds[2];
        if (::pipe(fds) != 0) {
            state.SkipWithError("no pipe");
            break;
        }
        const std::int64_t start = monotonicNanoseconds();
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            ::execl("/proc/self/exe", "bench_host", kChildFlag.data(), fd.c_str(), dir.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        std::int64_t shown = 0;
        const bool got = ::read(fds[0], &shown, sizeof shown) == sizeof shown;
        ::close(fds[0]);
        int status = 0;
        ::waitpid(child, &status, 0);
        if (!got || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("the windowed editor did not show a frame");
            break;
        }
        state.SetIterationTime(static_cast<double>(shown - start) * 1e-9);
    }
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}
BENCHMARK(BM_WindowedStartToFirstFrame)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && argv[1] == kChildFlag) {
        return runChild(std::atoi(argv[2]), argv[3]);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
