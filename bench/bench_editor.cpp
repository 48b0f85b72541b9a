#include "Pixello/PixelloHostDelegate.h"
#include "Pixello/PixelloKernel.h"
#include "platform/base/Paths.h"
#include "platform/base/Screen.h"
#include "platform/gl/GLContext.h"
#include "platform/gl/GLExtensions.h"
#include "platform/host/HeadlessHost.h"
#include "platform/host/Script.h"
#include "platform/render/Compositor.h"
#include "platform/ui/Window.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

// The editor's whole path as a user meets it, driven like a scripted run: fingers go into the
// window, the touch surface turns them into deformations, the GL view draws the mesh, the
// compositor brings the screen up to date at scale 2 in a framebuffer of the screen's size
// that keeps its contents, as a window does before it swaps. Nothing is read back (only
// screenshots do that); glFinish stands for the swap, so the GPU work is done when the clock stops.
// The picture is the 600 × 600 default picture.
namespace {

class Session {
public:
    Session() {
        const char* base = std::getenv("PIXELLO_TEST_TMP");
        const std::filesystem::path root = base != nullptr && base[0] != '\0' ? base : "/tmp";
        std::error_code ec;
        std::filesystem::create_directories(root, ec);
        std::string pattern = (root / "pixello-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) {
            directory_ = pattern;
            platform::Paths::setDocumentsDirectory(directory_ / "Documents");
        }
        ok_ = !directory_.empty() && platform::GLContext::shared() != nullptr &&
              host_.launch([this](platform::Window& window) {
                  auto hosted = PixelloHostDelegate::hostedApplication(window);
                  delegate_ = static_cast<PixelloHostDelegate*>(hosted.delegate.get());
                  return hosted;
              }) &&
              delegate_->kernel() != nullptr && delegate_->kernel()->model()->image() &&
              makeScreenTarget() && settle();
    }
    ~Session() {
        if (framebuffer_ != 0 && platform::GLContext::shared()->makeCurrent()) {
            const platform::FramebufferFunctions& fbo = platform::GLContext::shared()->fbo();
            fbo.bindFramebuffer(GL_FRAMEBUFFER_OES, 0);
            fbo.deleteFramebuffers(1, &framebuffer_);
            fbo.deleteRenderbuffers(1, &renderbuffer_);
        }
        host_.terminate();
        platform::Paths::resetDocumentsDirectory();
        std::error_code ec;
        std::filesystem::remove_all(directory_, ec);
    }

    bool ok() const { return ok_; }
    platform::Window& window() { return *host_.window(); }
    PixelloModel& model() { return *delegate_->kernel()->model(); }
    bool run(const std::string& text) {
        const auto script = platform::Script::parse(text, "bench");
        return script && host_.run(*script);
    }
    // A new picture makes the touch surface settle its content, and it takes no touches
    // meanwhile: every stroke starts after that.
    bool settle() { return run("wait 0.5\n"); }
    // What a window whose swaps keep its contents does each frame: the compositor draws
    // what changed into it, and the status bar's strip, which the window draws over the
    // screen every frame.
    void composite() {
        platform::GLContext* context = platform::GLContext::shared();
        context->makeCurrent();
        context->fbo().bindFramebuffer(GL_FRAMEBUFFER_OES, framebuffer_);
        const platform::Rect statusBar(0.0f, 0.0f, platform::Screen::kWidth,
                                       platform::Screen::kStatusBarHeight);
        compositor_.updateBound(window(), {&statusBar, 1});
        glFinish();
    }

private:
    // The stand-in for a window's framebuffer, made once as a window's is.
    bool makeScreenTarget() {
        platform::GLContext* context = platform::GLContext::shared();
        if (!context->makeCurrent()) {
            return false;
        }
        const platform::FramebufferFunctions& fbo = context->fbo();
        fbo.genFramebuffers(1, &framebuffer_);
        fbo.genRenderbuffers(1, &renderbuffer_);
        fbo.bindFramebuffer(GL_FRAMEBUFFER_OES, framebuffer_);
        fbo.bindRenderbuffer(GL_RENDERBUFFER_OES, renderbuffer_);
        fbo.renderbufferStorage(GL_RENDERBUFFER_OES, GL_RGBA8_OES,
                                static_cast<GLsizei>(platform::Screen::kWidth) * 2,
                                static_cast<GLsizei>(platform::Screen::kHeight) * 2);
        fbo.framebufferRenderbuffer(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES,
                                    GL_RENDERBUFFER_OES, renderbuffer_);
        return fbo.checkFramebufferStatus(GL_FRAMEBUFFER_OES) == GL_FRAMEBUFFER_COMPLETE_OES;
    }

    std::filesystem::path directory_;
    platform::HeadlessHost host_{2};
    PixelloHostDelegate* delegate_ = nullptr; // owned by the host's application
    platform::Compositor compositor_{2};
    GLuint framebuffer_ = 0;
    GLuint renderbuffer_ = 0;
    bool ok_ = false;
};

// A finger's path keeps a bounded number of samples: long runs lift it now and then.
constexpr int kMovesPerStroke = 400;

void BM_SmudgeMove600(benchmark::State& state) {
    Session session;
    if (!session.ok()) {
        state.SkipWithError("the editor could not start headless");
        return;
    }
    platform::Window& window = session.window();
    int moves = 0;
    window.touchDown(1, {100.0f, 200.0f});
    for (auto _ : state) {
        // Back and forth over the picture, 2 points a move.
        const float x =
            100.0f + static_cast<float>(moves % 60 < 30 ? moves % 30 : 30 - moves % 30) * 2.0f;
        window.touchMove(1, {x, 200.0f + static_cast<float>(moves % 7)});
        session.composite();
        if (++moves % kMovesPerStroke == 0) {
            state.PauseTiming();
            window.touchUp(1, {x, 200.0f});
            session.model().undoImage();
            session.settle();
            window.touchDown(1, {100.0f, 200.0f});
            state.ResumeTiming();
        }
    }
    window.touchUp(1, {100.0f, 200.0f});
}
BENCHMARK(BM_SmudgeMove600)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

void BM_BumpMove600(benchmark::State& state) {
    Session session;
    if (!session.ok() || !session.run("press effect\nwait 0.3\npress bump\nwait 0.3\n")) {
        state.SkipWithError("the editor could not start headless");
        return;
    }
    platform::Window& window = session.window();
    int moves = 0;
    window.touchDown(1, {80.0f, 120.0f});
    window.touchDown(2, {240.0f, 320.0f});
    for (auto _ : state) {
        const float d = static_cast<float>(moves % 20);
        window.touchMove(2, {240.0f + d, 320.0f + d});
        session.composite();
        if (++moves % kMovesPerStroke == 0) {
            state.PauseTiming();
            window.handleTouches(platform::TouchPhase::Ended,
                                 {{1, {80.0f, 120.0f}}, {2, {240.0f + d, 320.0f + d}}});
            session.model().undoImage();
            session.settle();
            window.touchDown(1, {80.0f, 120.0f});
            window.touchDown(2, {240.0f, 320.0f});
            state.ResumeTiming();
        }
    }
    window.handleTouches(platform::TouchPhase::Ended,
                         {{1, {80.0f, 120.0f}}, {2, {240.0f, 320.0f}}});
}
BENCHMARK(BM_BumpMove600)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

// Release to the new picture on screen: capture, grid reset, raw history file made durable,
// notices, texture upload, redraw, storage save, composite.
void BM_FinishStroke600(benchmark::State& state) {
    Session session;
    if (!session.ok()) {
        state.SkipWithError("the editor could not start headless");
        return;
    }
    platform::Window& window = session.window();
    for (auto _ : state) {
        state.PauseTiming();
        // Back to the first entry, so every stroke replaces the last one instead of
        // growing the history on disk.
        if (session.model().undoImageAllowed()) {
            session.model().undoImage();
        }
        session.settle();
        window.touchDown(1, {100.0f, 200.0f});
        window.touchMove(1, {110.0f, 205.0f});
        window.touchMove(1, {120.0f, 210.0f});
        session.composite();
        state.ResumeTiming();
        window.touchUp(1, {120.0f, 210.0f});
        session.composite();
    }
}
BENCHMARK(BM_FinishStroke600)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(40)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

// The whole main screen composited again at scale 2 and shown, as after a rotation: what
// every frame cost before the screen was kept between frames.
void BM_CompositeMainScreen(benchmark::State& state) {
    Session session;
    if (!session.ok()) {
        state.SkipWithError("the editor could not start headless");
        return;
    }
    for (auto _ : state) {
        session.window().setNeedsDisplay();
        session.composite();
    }
}
BENCHMARK(BM_CompositeMainScreen)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

} // namespace
