#include "platform/gl/GLContext.h"
#include "platform/gl/GLExtensions.h"
#include "platform/render/Compositor.h"
#include "platform/ui/widgets/AlertView.h"
#include "support/EditorSession.h"

#include <array>
#include <cstring>
#include <vector>

namespace {

using editortest::EditorSession;
using platform::Compositor;
using platform::Point;

constexpr int kScale = 2;
constexpr int kWidth = static_cast<int>(platform::Screen::kWidth) * kScale;
constexpr int kHeight = static_cast<int>(platform::Screen::kHeight) * kScale;

// The kept screen as a window shows it: drawn into a framebuffer of the screen's size and
// read back, bottom row first as GL reads.
std::vector<std::uint8_t> shownScreen(const Compositor& compositor) {
    platform::GLContext* context = platform::GLContext::shared();
    const platform::FramebufferFunctions& fbo = context->fbo();
    GLuint framebuffer = 0;
    GLuint renderbuffer = 0;
    fbo.genFramebuffers(1, &framebuffer);
    fbo.genRenderbuffers(1, &renderbuffer);
    fbo.bindFramebuffer(GL_FRAMEBUFFER_OES, framebuffer);
    fbo.bindRenderbuffer(GL_RENDERBUFFER_OES, renderbuffer);
    fbo.renderbufferStorage(GL_RENDERBUFFER_OES, GL_RGBA8_OES, kWidth, kHeight);
    fbo.framebufferRenderbuffer(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_RENDERBUFFER_OES,
                                renderbuffer);
    constexpr float w = platform::Screen::kWidth;
    constexpr float h = platform::Screen::kHeight;
    glViewport(0, 0, kWidth, kHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthof(0.0f, w, h, 0.0f, -1.0f, 1.0f);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(1.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    compositor.drawScreen({Point{0.0f, 0.0f}, {w, 0.0f}, {0.0f, h}, {w, h}});
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(kWidth) * kHeight * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    fbo.bindFramebuffer(GL_FRAMEBUFFER_OES, 0);
    fbo.deleteFramebuffers(1, &framebuffer);
    fbo.deleteRenderbuffers(1, &renderbuffer);
    return pixels;
}

// The same screen drawn whole by a compositor that keeps nothing, turned top row first.
std::vector<std::uint8_t> freshScreen(platform::Window& window) {
    Compositor fresh(kScale);
    const std::optional<platform::Picture> shot = fresh.snapshot(window);
    if (!shot) {
        return {};
    }
    const std::size_t row = static_cast<std::size_t>(kWidth) * 4;
    std::vector<std::uint8_t> pixels(row * kHeight);
    for (int y = 0; y < kHeight; ++y) {
        std::memcpy(pixels.data() + row * static_cast<std::size_t>(kHeight - 1 - y),
                    shot->pixels()->data() + row * static_cast<std::size_t>(y), row);
    }
    return pixels;
}

class KeptScreen : public EditorSession {
protected:
    // Runs one script line, brings the kept screen up to date and compares it with the
    // screen drawn whole: any pixel left stale by a missed change fails.
    void step(const std::string& line) {
        ASSERT_EQ(run(line + "\n"), "") << line;
        ASSERT_TRUE(kept.update(*host.window()));
        const std::vector<std::uint8_t> shown = shownScreen(kept);
        const std::vector<std::uint8_t> expected = freshScreen(*host.window());
        ASSERT_EQ(shown.size(), expected.size());
        std::size_t differing = 0;
        std::size_t first = shown.size();
        for (std::size_t i = 0; i < shown.size(); i += 4) {
            if (std::memcmp(&shown[i], &expected[i], 4) != 0) {
                ++differing;
                first = std::min(first, i / 4);
            }
        }
        ++steps;
        EXPECT_EQ(differing, 0u) << "after step " << steps << ", '" << line << "', first at x "
                                 << first % kWidth << ", y "
                                 << kHeight - 1 - static_cast<int>(first / kWidth);
    }

    Compositor kept{kScale};
    int steps = 0;
};

// A whole session in small steps, animations caught half-way: strokes, the tool palette,
// crop mode with its Apply item, undo and redo, an alert, the settings screen and back, and
// turning the device.
TEST_F(KeptScreen, MatchesTheScreenDrawnWholeAfterEveryStep) {
    launch();
    const char* const steps[] = {
        "wait 0.1",       "down 1 100 200", "move 1 130 210",
        "move 1 160 220", "up 1 190 230",   "wait 0.1",
        "wait 0.5",       "press effect",   "wait 0.1",
        "wait 0.5",       "press bump",     "wait 0.5",
        "down 1 120 220", "down 2 200 300", "move 1 100 200",
        "move 2 220 320", "up 1 100 200",   "up 2 220 320",
        "wait 0.5",       "press effect",   "wait 0.5",
        "press crop",     "wait 0.1",       "wait 0.5",
        "down 1 20 150",  "move 1 40 160",  "up 1 40 160",
        "press apply",    "wait 0.1",       "wait 0.5",
        "press undo",     "wait 0.5",       "press redo",
        "wait 0.5",       "press effect",   "wait 0.3",
        "press free",     "wait 0.3",       "press settings",
        "wait 0.1",       "wait 0.6",       "slider bumpPower 0.2",
        "down 9 30 42",   "wait 0.1",       "up 9 30 42",
        "wait 0.1",       "wait 0.6",       "rotate 3",
        "wait 0.1",       "wait 0.6",       "press effect",
        "wait 0.3",       "press pick",     "wait 0.3",
    };
    for (const char* line : steps) {
        step(line);
        if (HasFatalFailure() || HasFailure()) {
            return;
        }
    }
    auto alert = platform::AlertView::visibleAlert(*host.window());
    ASSERT_NE(alert, nullptr);
    alert->dismissWithClickedButtonIndex(0, true);
    for (const char* line : {"wait 0.1", "wait 0.5", "rotate 1", "wait 0.1", "wait 0.6"}) {
        step(line);
    }
}

// A touch move redraws the picture area and nothing else.
TEST_F(KeptScreen, TouchMoveDrawsOnlyThePictureArea) {
    launch();
    step("down 1 100 200");
    step("move 1 120 210");
    const std::vector<platform::Rect> damage = kept.lastDamage();
    ASSERT_EQ(damage.size(), 1u);
    const platform::Rect area = screen().scrollView()->frame();
    const Point origin =
        screen().scrollView()->superview()->convertPointToView(area.origin, nullptr);
    EXPECT_EQ(damage[0], platform::Rect(origin.x, origin.y, area.width(), area.height()));
    step("wait 0.1");
    EXPECT_TRUE(kept.lastDamage().empty()) << "a still screen draws nothing";
}

} // namespace
