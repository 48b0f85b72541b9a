#include "platform/host/window/WindowHost.h"

#include "platform/gl/GLContext.h"
#include "platform/gl/GLExtensions.h"
#include "platform/gl/GLResources.h"
#include "platform/gl/HeadlessGLContext.h"
#include "platform/render/Compositor.h"
#include "support/HostTestApp.h"
#include "support/TestEnvironment.h"
#include "support/XvfbServer.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

namespace {

using platform::Point;
using platform::TouchPhase;
using platform::WindowHost;
using testsupport::Record;

// Runs the loop until nothing is left to do right now.
void settle(WindowHost& host) {
    for (int i = 0; i < 5 && host.runOnce(0.0); ++i) {
    }
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

// The window, read back after a frame, shows the views as a compositor that keeps nothing
// draws them (below the status bar, which the host draws over them).
void expectWindowShowsTheViews(WindowHost& host) {
    ASSERT_TRUE(platform::GLContext::shared()->makeCurrent());
    platform::GLContext::shared()->fbo().bindFramebuffer(GL_FRAMEBUFFER_OES, 0);
    std::vector<std::uint8_t> scratch;
    const platform::PixelBytes shown = platform::readPixelsTopRowFirst(320, 480, scratch);
    const std::optional<platform::Picture> fresh = platform::Compositor(1).snapshot(*host.window());
    ASSERT_TRUE(fresh);
    int differing = 0;
    for (std::size_t i = 320 * 20 * 4; i < shown.size(); i += 4) {
        differing += !std::equal(&shown[i], &shown[i + 3], &(*fresh->pixels())[i]);
    }
    EXPECT_EQ(differing, 0);
}

// Tells the host what the window system tells it: the window shows again, or is closed.
void pushWindowEvent(Uint8 what) {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = what;
    SDL_PushEvent(&event);
}

// Lets the window go; its context must not outlive the test's X server.
void letGo(std::unique_ptr<WindowHost>& host) {
    host.reset();
    if (auto headless = platform::HeadlessGLContext::create()) {
        platform::GLContext::installShared(std::move(*headless));
    }
}

class Mirroring : public testsupport::TestApplication {
public:
    using TestApplication::TestApplication;
    std::optional<Point> mirrorCentre() const override { return Point{160, 365}; }
};

// Opens a window host on `xvfb`'s display; fails the test where it cannot.
std::unique_ptr<WindowHost> openOn(const testsupport::XvfbServer& xvfb,
                                   const platform::HostOptions& options = {}) {
    if (!xvfb.running()) {
        ADD_FAILURE() << xvfb.why();
        return nullptr;
    }
    ::setenv("DISPLAY", xvfb.display().c_str(), 1);
    ::unsetenv("WAYLAND_DISPLAY");
    auto created = WindowHost::create(options);
    if (!created) {
        ADD_FAILURE() << created.error().message;
        return nullptr;
    }
    return std::move(*created);
}

// Runs the loop until the window has `size`, as the X server may take its time to say so,
// and a tenth of a second more, as a user would wait.
platform::Size resizedTo(WindowHost& host, platform::Size size) {
    const Uint64 end = SDL_GetTicks64() + 5000;
    while (host.windowSize() != size && SDL_GetTicks64() < end && host.runOnce(0.02)) {
    }
    for (const Uint64 settled = SDL_GetTicks64() + 100;
         SDL_GetTicks64() < settled && host.runOnce(0.02);) {
    }
    return host.windowSize();
}

// Windowed runs keep their window size in a scratch data folder.
class WindowHostTest : public testsupport::PlatformTest {};

TEST_F(WindowHostTest, OpensTheWindowTakesTheMouseAndKeysAndClosesUnderXvfb) {
    testsupport::XvfbServer xvfb;
    if (xvfb.missing()) {
        GTEST_SKIP() << "Xvfb is not installed";
    }
    platform::HostOptions options;
    options.scale = 1;
    options.scaleChosen = true;
    auto host = openOn(xvfb, options);
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(host->windowSize(), (platform::Size{320, 480}));
    auto record = std::make_shared<Record>();
    const auto launched = host->launch(testsupport::factoryFor<Mirroring>(record));
    ASSERT_TRUE(launched) << launched.error().message;
    settle(*host);
    EXPECT_GE(host->framesShown(), 1u);

    // A drag with the mouse is one finger.
    pushMouse(SDL_MOUSEBUTTONDOWN, 100, 300);
    pushMouse(SDL_MOUSEMOTION, 120, 320);
    pushMouse(SDL_MOUSEBUTTONUP, 120, 320);
    settle(*host);
    using enum TouchPhase;
    EXPECT_EQ(testsupport::touchesOf(*record),
              (testsupport::Touches{{Began, {100, 50}}, {Moved, {120, 70}}, {Ended, {120, 70}}}));
    // The screen is kept in the window between frames when the window can keep it: a view
    // that appears or moves shows, and nothing stale stays behind.
    if (host->windowKeepsContents()) {
        auto patch = std::make_shared<platform::View>(platform::Rect{40, 200, 100, 60});
        patch->setBackgroundColor(platform::Color{0.0f, 0.5f, 1.0f, 1.0f});
        host->window()->addSubview(patch);
        pushWindowEvent(SDL_WINDOWEVENT_EXPOSED);
        settle(*host);
        expectWindowShowsTheViews(*host);
        patch->setFrame({150, 300, 100, 60});
        pushWindowEvent(SDL_WINDOWEVENT_EXPOSED);
        settle(*host);
        expectWindowShowsTheViews(*host);
        patch->removeFromSuperview();
    }

    // With Alt a second finger mirrors the mouse about the application's centre.
    auto& got = record->recorder->received;
    got.clear();
    SDL_SetModState(KMOD_LALT);
    pushMouse(SDL_MOUSEBUTTONDOWN, 100, 300);
    pushMouse(SDL_MOUSEBUTTONUP, 100, 300);
    settle(*host);
    EXPECT_EQ(
        testsupport::touchesOf(*record),
        (testsupport::Touches{
            {Began, {100, 50}}, {Began, {220, 180}}, {Ended, {100, 50}}, {Ended, {220, 180}}}));
    SDL_SetModState(KMOD_NONE);

    pushKey(SDLK_z, KMOD_LCTRL);
    pushKey(SDLK_z, KMOD_LCTRL | KMOD_LSHIFT);
    pushKey(SDLK_y, KMOD_RCTRL);
    pushKey(SDLK_ESCAPE, KMOD_NONE);
    pushKey(SDLK_z, KMOD_NONE);
    settle(*host);
    EXPECT_EQ(std::tuple(record->undos, record->redos, record->backs), std::tuple(1, 2, 1));

    // Turning the device to the left turns the window; the mouse lands where the user sees.
    pushKey(SDLK_LEFT, KMOD_LCTRL);
    settle(*host);
    EXPECT_EQ(platform::Device::current().orientation(),
              platform::DeviceOrientation::LandscapeHomeRight);
    EXPECT_EQ(host->windowOrientation(), 3);
    got.clear();
    pushMouse(SDL_MOUSEBUTTONDOWN, 300, 100);
    pushMouse(SDL_MOUSEBUTTONUP, 300, 100);
    settle(*host);
    EXPECT_EQ(testsupport::touchesOf(*record),
              (testsupport::Touches{{Began, {220, 50}}, {Ended, {220, 50}}}));
    pushKey(SDLK_RIGHT, KMOD_LCTRL);
    pushKey(SDLK_RIGHT, KMOD_LCTRL);
    settle(*host);
    EXPECT_EQ(platform::Device::current().orientation(),
              platform::DeviceOrientation::LandscapeHomeLeft);

    // Closing the window ends the application through its terminate path.
    pushWindowEvent(SDL_WINDOWEVENT_CLOSE);
    EXPECT_FALSE(host->runOnce(0.5));
    EXPECT_TRUE(record->terminated);
    EXPECT_FALSE(host->isRunning());

    letGo(host);
}

// A drag with the mouse reaches the same screen points whether the window shows the screen at
// scale 1, letterboxed at 1.25 or full screen at 1.6; the window opens again at the last size
// the user gave it.
TEST_F(WindowHostTest, OpensAtTheLargestWholeScaleMapsTheMouseAtAnySizeAndReopensAtItsLastSize) {
    {
        testsupport::XvfbServer large("2560x1600x24");
        if (large.missing()) {
            GTEST_SKIP() << "Xvfb is not installed";
        }
        auto host = openOn(large);
        ASSERT_NE(host, nullptr);
        EXPECT_EQ(host->windowSize(), (platform::Size{960, 1440}));
        letGo(host);
    }
    testsupport::XvfbServer xvfb("1366x768x24");
    auto host = openOn(xvfb);
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(host->windowSize(), (platform::Size{320, 480}));
    auto record = std::make_shared<Record>();
    ASSERT_TRUE(host->launch(testsupport::factoryFor(record)));
    // Screen points that every scale below puts on whole window units.
    const Point stroke[] = {{100, 300}, {140, 320}, {180, 360}, {200, 380}};
    const auto drag = [&] {
        const platform::WindowFit box = host->screenBox();
        const float scale = box.scale({320, 480});
        const auto push = [&](Uint32 type, Point p) {
            pushMouse(type, static_cast<int>(static_cast<float>(box.x) + p.x * scale),
                      static_cast<int>(static_cast<float>(box.y) + p.y * scale));
        };
        record->recorder->received.clear();
        push(SDL_MOUSEBUTTONDOWN, stroke[0]);
        for (const Point& p : stroke) {
            push(SDL_MOUSEMOTION, p);
        }
        push(SDL_MOUSEBUTTONUP, stroke[3]);
        settle(*host);
        return testsupport::touchesOf(*record);
    };
    const testsupport::Touches unresized = drag();
    ASSERT_GE(unresized.size(), 2u);
    EXPECT_EQ(unresized.front(), std::pair(TouchPhase::Began, Point{100, 50}));
    EXPECT_EQ(unresized.back(), std::pair(TouchPhase::Ended, Point{200, 130}));

    SDL_SetWindowSize(SDL_GL_GetCurrentWindow(), 960, 600);
    ASSERT_EQ(resizedTo(*host, {960, 600}), (platform::Size{960, 600}));
    EXPECT_EQ(host->screenBox().x, 280);
    EXPECT_EQ(drag(), unresized) << "letterboxed";

    pushKey(SDLK_F11, KMOD_NONE);
    ASSERT_EQ(resizedTo(*host, {1366, 768}), (platform::Size{1366, 768}));
    ASSERT_TRUE(host->fullScreen());
    EXPECT_EQ(drag(), unresized) << "full screen";
    // The size the user gave the window, not the full screen, is where it opens next time,
    // from the data folder's settings.
    host->close();
    letGo(host);
    EXPECT_TRUE(std::filesystem::exists(documents / "Window.settings"));
    host = openOn(xvfb);
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(host->windowSize(), (platform::Size{960, 600}));
    letGo(host);
}

} // namespace
