// The editor in a window as it starts for a user (kernel, model loaded from storage,
// screens, the window host loaded as the editor loads it): from exec to the first frame
// swapped onto the window, and the peak resident memory after a run of edits. Needs an X
// server: run under `xvfb-run -a`.
#include "Pixello/PixelloHostDelegate.h"
#include "platform/base/Paths.h"
#include "platform/base/RunLoop.h"
#include "platform/host/Host.h"

#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::string_view kChildFlag = "--first-frame-child";
constexpr std::string_view kEditChildFlag = "--edit-child";

std::int64_t monotonicNanoseconds() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

// The peak resident memory of this process in KiB (VmHWM).
std::int64_t peakResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmHWM:")) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return 0;
}

void report(int fd, std::int64_t value) {
    if (::write(fd, &value, sizeof value) != static_cast<ssize_t>(sizeof value)) {
        std::abort();
    }
}

void pushQuit() {
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
}

void pushMouse(Uint32 type, int x, int y) {
    SDL_Event event{};
    event.type = type;
    if (type == SDL_MOUSEMOTION) {
        event.motion.x = x;
        event.motion.y = y;
        event.motion.state = SDL_BUTTON_LMASK;
    } else {
        event.button.button = SDL_BUTTON_LEFT;
        event.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.button.x = x;
        event.button.y = y;
    }
    SDL_PushEvent(&event);
}

void pushKey(SDL_Keycode key, Uint16 mod) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.state = SDL_PRESSED;
    event.key.keysym.sym = key;
    event.key.keysym.mod = mod;
    SDL_PushEvent(&event);
}

// The steps of the edit run, each half a second after the one before, so that every
// finished stroke is drawn, read back and stored before the next input arrives.
void runSteps(std::vector<std::function<void()>> steps, std::size_t at = 0) {
    if (at == steps.size()) {
        return;
    }
    steps[at]();
    platform::RunLoop::main().performAfterDelay(
        &kEditChildFlag, "step", 0.5, [steps = std::move(steps), at] { runSteps(steps, at + 1); });
}

// The children: the editor in a window (2x, as a user gets it). The first-frame child
// reports the moment of its first frame through `fd` and closes; the edit child smudges
// with the mouse twice, undoes and redoes, then reports its peak memory and closes.
int runChild(bool edit, int fd, const char* dataDir) {
    platform::Paths::setDocumentsDirectory(dataDir);
    platform::HostOptions options;
    options.programName = "bench_host";
    options.windowTitle = "Pixello";
    if (!edit) {
        options.firstFrameShown = [fd] {
            report(fd, monotonicNanoseconds());
            pushQuit();
        };
    } else {
        options.firstFrameShown = [fd] {
            const auto stroke = [](int y) {
                pushMouse(SDL_MOUSEBUTTONDOWN, 200, y);
                for (int i = 1; i <= 20; ++i) {
                    pushMouse(SDL_MOUSEMOTION, 200 + 10 * i, y + 3 * i);
                }
                pushMouse(SDL_MOUSEBUTTONUP, 400, y + 60);
            };
            runSteps({[stroke] { stroke(300); }, [stroke] { stroke(500); },
                      [] { pushKey(SDLK_z, KMOD_LCTRL); }, [] { pushKey(SDLK_y, KMOD_LCTRL); },
                      [fd] {
                          report(fd, peakResidentKiB());
                          pushQuit();
                      }});
        };
    }
    return platform::runHost(options, [](platform::Window& window) {
        return PixelloHostDelegate::hostedApplication(window);
    });
}

// Starts this program as a child in `flag`'s role and reads the one number it reports.
std::optional<std::int64_t> runChildFor(std::string_view flag, const std::string& dir,
                                        std::int64_t& started) {
    int fds[2];
    if (::pipe(fds) != 0) {
        return std::nullopt;
    }
    started = monotonicNanoseconds();
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        ::execl("/proc/self/exe", "bench_host", flag.data(), fd.c_str(), dir.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    std::int64_t value = 0;
    const bool got = ::read(fds[0], &value, sizeof value) == sizeof value;
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!got || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::string> scratchDirectory() {
    std::string dir = (std::filesystem::temp_directory_path() / "pixello-bench-XXXXXX").string();
    if (::mkdtemp(dir.data()) == nullptr) {
        return std::nullopt;
    }
    return dir;
}

void BM_WindowedStartToFirstFrame(benchmark::State& state) {
    if (std::getenv("DISPLAY") == nullptr) {
        state.SkipWithError("needs an X server: run under xvfb-run -a");
        return;
    }
    const std::optional<std::string> dir = scratchDirectory();
    if (!dir) {
        state.SkipWithError("no scratch directory");
        return;
    }
    for (auto _ : state) {
        std::int64_t start = 0;
        const std::optional<std::int64_t> shown = runChildFor(kChildFlag, *dir, start);
        if (!shown) {
            state.SkipWithError("the windowed editor did not show a frame");
            break;
        }
        state.SetIterationTime(static_cast<double>(*shown - start) * 1e-9);
    }
    std::error_code ec;
    std::filesystem::remove_all(*dir, ec);
}
BENCHMARK(BM_WindowedStartToFirstFrame)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

// Peak resident memory of the windowed editor (600 × 600 first-launch picture) after two
// smudge strokes with the mouse, an undo and a redo; the time is that of the whole run.
void BM_WindowedPeakMemoryAfterEdits(benchmark::State& state) {
    if (std::getenv("DISPLAY") == nullptr) {
        state.SkipWithError("needs an X server: run under xvfb-run -a");
        return;
    }
    std::int64_t peakKiB = 0;
    for (auto _ : state) {
        const std::optional<std::string> dir = scratchDirectory();
        if (!dir) {
            state.SkipWithError("no scratch directory");
            break;
        }
        std::int64_t start = 0;
        const std::optional<std::int64_t> peak = runChildFor(kEditChildFlag, *dir, start);
        std::error_code ec;
        std::filesystem::remove_all(*dir, ec);
        if (!peak) {
            state.SkipWithError("the windowed editor did not finish its edits");
            break;
        }
        peakKiB = *peak;
    }
    state.counters["peak_MiB"] = static_cast<double>(peakKiB) / 1024.0;
}
BENCHMARK(BM_WindowedPeakMemoryAfterEdits)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && (argv[1] == kChildFlag || argv[1] == kEditChildFlag)) {
        return runChild(argv[1] == kEditChildFlag, std::atoi(argv[2]), argv[3]);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
