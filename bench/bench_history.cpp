// Costs of the history path as the user meets it: finishing an effect into a new history
// picture, undo and redo of 600 × 600 pictures, a cold start of the headless editor on a
// stored 50-entry history, and the peak memory of a headless editing run of the editor.
#include "Pixello/MainViewController.h"
#include "Pixello/PixelloKernel.h"
#include "ScratchFolder.h"
#include "ZevkoCore/ZVKMD5.h"
#include "platform/base/Application.h"
#include "platform/base/Clock.h"
#include "platform/base/Paths.h"
#include "platform/base/RunLoop.h"
#include "platform/ui/Window.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Scratch = benchsupport::ScratchDocuments;

// An opaque 600 × 600 picture with some detail, stored as `entries` raw history files.
void storeHistory(const std::filesystem::path& documents, int entries) {
    std::vector<std::uint8_t> pixels(600u * 600u * 4u);
    for (std::size_t i = 0; i < pixels.size(); i += 4) {
        pixels[i] = static_cast<std::uint8_t>(i / 4 % 600);
        pixels[i + 1] = static_cast<std::uint8_t>(i / 2400);
        pixels[i + 2] = 90;
        pixels[i + 3] = 255;
    }
    const auto bytes = PixelloModel::rawFileBytes(pixels, 600, 600);
    const auto images = documents / PixelloModel::kImagesDirectoryName;
    std::filesystem::create_directories(images);
    std::string payload = std::to_string(entries) + "\n" + std::to_string(entries - 1) + "\n";
    for (int i = 0; i < entries; ++i) {
        const std::string name =
            "0A1B2C3D-0000-4000-8000-" + std::to_string(100000000000 + i) + ".png";
        std::ofstream(images / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        payload += name + "\n";
    }
    payload += "0.110000\n28.000000\n10.000000\n10.000000\n";
    std::ofstream(documents / "Pixello.storage", std::ios::binary)
        << payload << ZVKMD5ForString(payload);
}

// The editor as a scripted headless run has it: window, application, kernel, loaded main
// screen, time on a virtual clock that moves on between the user's actions.
struct Editor {
    explicit Editor(int entries, const std::filesystem::path& documents) {
        platform::RunLoop::main().reset(std::make_shared<platform::VirtualClock>());
        storeHistory(documents, entries);
        kernel = PixelloKernel::create(&application, &window);
        kernel->mainViewController()->view();
    }
    platform::Window window;
    platform::Application application{nullptr};
    std::unique_ptr<PixelloKernel> kernel;

    // The pause between two actions: the screen's animations run to their end.
    static void idle() { platform::RunLoop::main().advance(0.5); }
};

void BM_FinishEffect600(benchmark::State& state) {
    Scratch scratch;
    Editor editor(1, scratch.dir);
    PixelloKernel& kernel = *editor.kernel;
    GLView& glView = *kernel.mainViewController()->glView();
    for (auto _ : state) {
        state.PauseTiming();
        Editor::idle();
        // The lifting finger's last frame, drawn unpresented; and a short history, so that
        // every round writes the same amount of storage.
        kernel.model()->clearHistory();
        kernel.applySmudgeFrom({300.0f, 300.0f}, {310.0f, 305.0f});
        glView.setPresent(false);
        glView.drawView();
        state.ResumeTiming();
        kernel.finishSmudge();
    }
}
BENCHMARK(BM_FinishEffect600)->Unit(benchmark::kMillisecond)->UseRealTime();

// Undo or redo alone: the current entry read back raw, uploaded and drawn by the main screen.
// The kernel's storage save on the same notice is BM_UndoRedo600WithSave.
void BM_UndoRedo600(benchmark::State& state) {
    Scratch scratch;
    Editor editor(2, scratch.dir);
    PixelloModel& model = *editor.kernel->model();
    if (state.range(0) == 0) {
        model.removeDelegate(editor.kernel.get());
    }
    for (auto _ : state) {
        state.PauseTiming();
        Editor::idle();
        state.ResumeTiming();
        if (model.undoImageAllowed()) {
            model.undoImage();
        } else {
            model.redoImage();
        }
    }
}
BENCHMARK(BM_UndoRedo600)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_UndoRedo600)
    ->Name("BM_UndoRedo600WithSave")
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The yardstick for the two above on a shared, noisy machine: one presented frame of the
// same main screen, measured in the same run.
void BM_MainScreenDraw600(benchmark::State& state) {
    Scratch scratch;
    Editor editor(1, scratch.dir);
    GLView& glView = *editor.kernel->mainViewController()->glView();
    for (auto _ : state) {
        glView.drawView();
    }
}
BENCHMARK(BM_MainScreenDraw600)->Unit(benchmark::kMillisecond)->UseRealTime();

// Runs a program and waits for it; its resource use is added to `usage`.
bool run(const std::vector<std::string>& arguments, rusage& usage) {
    std::vector<char*> argv;
    for (const auto& a : arguments) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return spawned == 0 && wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

std::string pixelloPath() {
    return (std::filesystem::canonical("/proc/self/exe").parent_path() / "pixello").string();
}

// exec to exit of `pixello --headless`: launch, load 50-entry storage, read and upload the
// current picture, draw the first frame, save storage on terminate.
void BM_ColdStartHeadless50(benchmark::State& state) {
    Scratch scratch;
    storeHistory(scratch.dir, 50);
    const std::vector<std::string> command{pixelloPath(), "--headless", "--data-dir",
                                           scratch.dir.string()};
    for (auto _ : state) {
        rusage usage{};
        if (!run(command, usage)) {
            state.SkipWithError("pixello --headless failed");
            return;
        }
    }
}
BENCHMARK(BM_ColdStartHeadless50)->Unit(benchmark::kMillisecond)->UseRealTime();

// The peak resident memory in KiB of a program run to its end, read from /proc as it
// exits (VmHWM of its own address space: the rusage of a child would start from this
// process's peak at exec); nothing when it failed.
std::optional<long> runForPeakKiB(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const auto& a : arguments) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    // Stopped at exec: from here on it stops once more when it is about to exit.
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFSTOPPED(status)) {
        return std::nullopt;
    }
    ::ptrace(PTRACE_SETOPTIONS, pid, nullptr, PTRACE_O_TRACEEXIT | PTRACE_O_EXITKILL);
    ::ptrace(PTRACE_CONT, pid, nullptr, nullptr);
    long peakKiB = 0;
    while (::waitpid(pid, &status, 0) == pid && WIFSTOPPED(status)) {
        int passOn = WSTOPSIG(status);
        if (status >> 8 == (SIGTRAP | (PTRACE_EVENT_EXIT << 8))) {
            std::ifstream in("/proc/" + std::to_string(pid) + "/status");
            std::string line;
            while (std::getline(in, line)) {
                if (line.starts_with("VmHWM:")) {
                    peakKiB = std::strtol(line.c_str() + 6, nullptr, 10);
                }
            }
            passOn = 0;
        }
        ::ptrace(PTRACE_CONT, pid, nullptr, passOn);
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || peakKiB == 0) {
        return std::nullopt;
    }
    return peakKiB;
}

// Peak resident memory of `pixello --headless` editing a 600 × 600 picture: twenty
// smudge moves in one stroke, a bump, an undo and a redo, each finished and stored.
void BM_PeakMemoryEdit600(benchmark::State& state) {
    Scratch scratch;
    storeHistory(scratch.dir, 1);
    std::string script = "wait 0.5\ndown 1 100 200\n";
    for (int i = 1; i <= 20; ++i) {
        script += "move 1 " + std::to_string(100 + 5 * i) + " " + std::to_string(200 + i) + "\n";
    }
    script += "up 1 200 220\nwait 0.5\npress effect\nwait 0.5\npress bump\nwait 0.5\n"
              "down 1 120 220\ndown 2 200 300\nmove 1 100 200\nmove 2 220 320\n"
              "up 1 100 200\nup 2 220 320\nwait 0.5\n"
              "press undo\nwait 0.5\npress redo\nwait 0.5\n";
    const auto scriptPath = scratch.dir / "edit.txt";
    std::ofstream(scriptPath) << script;
    const std::vector<std::string> command{pixelloPath(),        "--headless", "--data-dir",
                                           scratch.dir.string(), "--script",   scriptPath.string()};
    long peakKiB = 0;
    for (auto _ : state) {
        const std::optional<long> peak = runForPeakKiB(command);
        if (!peak) {
            state.SkipWithError("pixello --headless --script failed");
            return;
        }
        peakKiB = *peak;
    }
    state.counters["peak_MiB"] = static_cast<double>(peakKiB) / 1024.0;
}
BENCHMARK(BM_PeakMemoryEdit600)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace
