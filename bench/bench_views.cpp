// Costs of the view layer on the paths a finger takes: one tracked pinch step (touch
// delivery, zoom, relayout of the content), hit testing through a screen-like tree,
// and compositing the screen at the window's scale.
#include "ZevkoCore/ZVKScrollView.h"
#include "platform/base/RunLoop.h"
#include "platform/gl/GLContext.h"
#include "platform/render/Compositor.h"
#include "platform/ui/Window.h"

#include <benchmark/benchmark.h>

namespace {

using platform::Rect;
using platform::RunLoop;
using platform::Window;

struct Screen {
    Screen() {
        RunLoop::main().reset(std::make_shared<platform::VirtualClock>());
        surface = std::make_shared<ZVKScrollView>(Rect(0, 46, 320, 367), platform::Size{640, 960});
        surface->setBackgroundColor(platform::Color::black());
        surface->setMinZoom(0.1f);
        surface->setMaxZoom(10.0f);
        surface->setMaxTouches(1000);
        window->addSubview(surface);
        // Toolbars with a row of buttons each, like the editing screen.
        for (float y : {-1.0f, 366.0f, 413.0f}) {
            auto bar = std::make_shared<platform::View>(Rect(0, y, 320, 47));
            bar->setBackgroundColor(platform::Color{0.5f, 0.5f, 0.0f, 1.0f});
            for (int i = 0; i < 6; ++i) {
                bar->addSubview(std::make_shared<platform::View>(
                    Rect(10.0f + 50.0f * static_cast<float>(i), 8, 40, 30)));
            }
            window->addSubview(bar);
        }
        RunLoop::main().advance(0.25);
    }
    std::shared_ptr<Window> window = std::make_shared<Window>();
    std::shared_ptr<ZVKScrollView> surface;
};

void BM_TrackedPinchStep(benchmark::State& state) {
    Screen screen;
    screen.window->handleTouches(platform::TouchPhase::Began, {{1, {100, 200}}, {2, {200, 200}}});
    float spread = 0.0f;
    for (auto _ : state) {
        spread = spread >= 50.0f ? 0.0f : spread + 1.0f;
        screen.window->handleTouches(platform::TouchPhase::Moved,
                                     {{1, {100 - spread, 200}}, {2, {200 + spread, 200}}});
        benchmark::DoNotOptimize(screen.surface->zoom());
    }
    screen.window->cancelAllTouches();
}
BENCHMARK(BM_TrackedPinchStep);

void BM_HitTestScreen(benchmark::State& state) {
    Screen screen;
    float x = 0.0f;
    for (auto _ : state) {
        x = x >= 319.0f ? 0.0f : x + 7.0f;
        benchmark::DoNotOptimize(screen.window->hitTest({x, 430}));
    }
}
BENCHMARK(BM_HitTestScreen);

void BM_CompositeScreenScale2(benchmark::State& state) {
    Screen screen;
    if (platform::GLContext::shared() == nullptr) {
        state.SkipWithError("no GL context");
        return;
    }
    platform::Compositor compositor(2);
    for (auto _ : state) {
        auto shot = compositor.snapshot(*screen.window);
        benchmark::DoNotOptimize(shot);
    }
}
BENCHMARK(BM_CompositeScreenScale2)->Unit(benchmark::kMillisecond);

} // namespace
