// Opening the settings screen: building its view (fonts, labels, sliders) happens when the
// navigation controller starts the slide, and the first frame renders every text; both must
// stay well inside one frame so the slide does not stutter. Then one frame of the slide
// itself, with the texts already rendered.

#include "Pixello/PixelloKernel.h"
#include "Pixello/SettingsViewController.h"
#include "platform/base/Application.h"
#include "platform/base/Paths.h"
#include "platform/base/RunLoop.h"
#include "platform/gl/GLContext.h"
#include "platform/render/Compositor.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

// A kernel on a scratch documents folder, so the user's own data is never touched.
class Fixture {
public:
    Fixture() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base != nullptr && base[0] != '\0' ? base : "/tmp") +
                              "/pixello-bench-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr) {
            directory_ = pattern;
            platform::Paths::setDocumentsDirectory(directory_);
            platform::RunLoop::main().reset(std::make_shared<platform::VirtualClock>());
            kernel_ = PixelloKernel::create(&application_, nullptr);
        }
    }
    ~Fixture() {
        kernel_.reset();
        platform::Paths::resetDocumentsDirectory();
        if (!directory_.empty()) {
            std::error_code ec;
            std::filesystem::remove_all(directory_, ec);
        }
    }
    Fixture(const Fixture&) = delete;
    Fixture& operator=(const Fixture&) = delete;

    PixelloKernel* kernel() const { return kernel_.get(); }

private:
    std::filesystem::path directory_;
    platform::Application application_{nullptr};
    std::unique_ptr<PixelloKernel> kernel_;
};

void BM_SettingsBuildView(benchmark::State& state) {
    Fixture fixture;
    if (fixture.kernel() == nullptr) {
        state.SkipWithError("no kernel");
        return;
    }
    for (auto _ : state) {
        auto screen = std::make_shared<SettingsViewController>(fixture.kernel());
        screen->viewWillAppear(true);
        benchmark::DoNotOptimize(screen->view().get());
    }
}
BENCHMARK(BM_SettingsBuildView)->Unit(benchmark::kMillisecond);

void BM_SettingsFirstFrame(benchmark::State& state) {
    Fixture fixture;
    if (fixture.kernel() == nullptr || platform::GLContext::shared() == nullptr) {
        state.SkipWithError(platform::GLContext::lastError().c_str());
        return;
    }
    platform::Compositor compositor(2);
    for (auto _ : state) {
        auto screen = std::make_shared<SettingsViewController>(fixture.kernel());
        screen->viewWillAppear(true);
        benchmark::DoNotOptimize(compositor.snapshot(*screen->view()));
    }
}
BENCHMARK(BM_SettingsFirstFrame)->Unit(benchmark::kMillisecond);

void BM_SettingsFrame(benchmark::State& state) {
    Fixture fixture;
    if (fixture.kernel() == nullptr || platform::GLContext::shared() == nullptr) {
        state.SkipWithError(platform::GLContext::lastError().c_str());
        return;
    }
    platform::Compositor compositor(2);
    auto screen = std::make_shared<SettingsViewController>(fixture.kernel());
    screen->viewWillAppear(false);
    compositor.snapshot(*screen->view());
    for (auto _ : state) {
        benchmark::DoNotOptimize(compositor.snapshot(*screen->view()));
    }
}
BENCHMARK(BM_SettingsFrame)->Unit(benchmark::kMillisecond);

} // namespace
