#include "platform/host/window/WindowHost.h"

#include "platform/base/Device.h"
#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/host/ScreenRotation.h"
#include "platform/host/window/SDLGLContext.h"
#include "platform/render/Compositor.h"
#include "platform/ui/Animation.h"
#include "platform/ui/Window.h"

#include <SDL2/SDL.h>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <future>
#include <numbers>

namespace platform {

namespace {

constexpr const char* kHeadlessHint = "; run with --headless --script FILE";
constexpr double kFrameInterval = 1.0 / 60.0;
constexpr float kFingerRadius = 16.0f; // points
constexpr int kMouseFinger = 0;
constexpr int kMirroredFinger = 1;

int powerOfTwoAtLeast(int n) {
    int p = 1;
    while (p < n) {
        p *= 2;
    }
    return p;
}

bool hasEnv(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0';
}

// Seconds until the wall clock's minute changes, when the status bar's time does.
double secondsToNextMinute() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return static_cast<double>(60 - local.tm_sec) + 0.05;
}

void drawDisc(Point centre, float radius) {
    constexpr int kSegments = 32;
    GLfloat vertices[(kSegments + 2) * 2];
    vertices[0] = centre.x;
    vertices[1] = centre.y;
    for (int i = 0; i <= kSegments; ++i) {
        const double angle = 2.0 * std::numbers::pi * i / kSegments;
        vertices[2 + i * 2] = centre.x + radius * static_cast<float>(std::cos(angle));
        vertices[3 + i * 2] = centre.y + radius * static_cast<float>(std::sin(angle));
    }
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, vertices);
    glDrawArrays(GL_TRIANGLE_FAN, 0, kSegments + 2);
}

GLuint makeTexture(int width, int height, const void* pixels) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    // Drawn at one texel a pixel, turned by right angles only.
    defineTexture(width, height, pixels, GL_NEAREST);
    return texture;
}

} // namespace

int WindowHost::run(const HostOptions& options, const ApplicationFactory& factory) {
    auto host = create(options);
    const std::expected<void, Error> launched =
        host ? (*host)->launch(factory) : std::unexpected(host.error());
    if (!launched) {
        logLine(options.programName + ": " + launched.error().message);
        return 1;
    }
    while ((*host)->runOnce(1.0)) {
    }
    return 0;
}

std::expected<std::unique_ptr<WindowHost>, Error> WindowHost::create(const HostOptions& options) {
    if (!hasEnv("DISPLAY") && !hasEnv("WAYLAND_DISPLAY")) {
        return failure(std::string("no window system (DISPLAY/WAYLAND_DISPLAY unset)") +
                       kHeadlessHint);
    }
    // The status bar's font (fontconfig's configuration, SDL2_ttf) loads while SDL opens the
    // window: both take long, and neither needs the other.
    // The bar and why there is none travel as a pair: g++ 12 warns falsely about a future
    // that holds an expected of a unique_ptr.
    auto statusBar = std::async(std::launch::async, [] {
        auto bar = StatusBar::create();
        return bar ? std::make_pair(std::move(*bar), Error())
                   : std::make_pair(std::unique_ptr<StatusBar>(), std::move(bar.error()));
    });
    // GL ES 1.1 comes through EGL: GLX has no ES 1 profile, and Mesa refuses to make such
    // a context current on an X server without direct rendering.
    SDL_SetHint(SDL_HINT_VIDEO_X11_FORCE_EGL, "1");
    SDL_SetHint(SDL_HINT_OPENGL_ES_DRIVER, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        return failure(std::string("no window system (") + SDL_GetError() + ")" + kHeadlessHint);
    }
    // SDL falls back to drawing nowhere when it cannot reach the display.
    const char* driver = SDL_GetCurrentVideoDriver();
    const std::string name = driver != nullptr ? driver : "";
    if (name.empty() || name == "offscreen" || name == "dummy") {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return failure("no window system (SDL could only offer its '" + name + "' video driver)" +
                       kHeadlessHint);
    }
    const int scale = std::clamp(options.scale, 1, 8);
    const int orientation = static_cast<int>(Device::current().orientation());
    const Size size = ScreenRotation::turnedSize(orientation);
    auto context =
        SDLGLContext::create(options.windowTitle.c_str(), static_cast<int>(size.width) * scale,
                             static_cast<int>(size.height) * scale);
    if (!context) {
        return failure(context.error().message + kHeadlessHint);
    }
    std::unique_ptr<WindowHost> host(new WindowHost(options, std::move(*context)));
    host->turned_ = orientation >= 1 && orientation <= 4 ? orientation : 1;
    auto [bar, why] = statusBar.get();
    if (bar == nullptr) {
        return std::unexpected(std::move(why));
    }
    host->statusBar_ = std::move(bar);
    return host;
}

WindowHost::WindowHost(HostOptions options, std::unique_ptr<SDLGLContext> context)
    : options_(std::move(options)), context_(context.get()) {
    options_.scale = std::clamp(options_.scale, 1, 8);
    // Installed before anything made a GL object, so every drawable uses the window's
    // context. It stays the shared context for the rest of the process.
    GLContext::installShared(std::move(context));
    windowKeepsContents_ = context_->keepContentsAcrossSwaps();
}

WindowHost::~WindowHost() {
    close();
    compositor_.reset();
    if (barTexture_ != 0 && context_->makeCurrent()) {
        glDeleteTextures(1, &barTexture_);
    }
    SDL_HideWindow(context_->window());
}

std::expected<void, Error> WindowHost::launch(const ApplicationFactory& factory) {
    auto launched = running().launch(factory, [this](Application& application) {
        application.setStatusBarObserver([this](int, bool) { needsFrame_ = true; });
        // A desktop session is there to hand web addresses to the user's browser.
        application.setWindowSession(true);
    });
    if (launched) {
        needsFrame_ = true;
    }
    return launched;
}

void WindowHost::close() {
    if (running().terminate()) {
        mouseDown_.clear();
        touchFingers_.clear();
    }
}

Size WindowHost::windowSize() const {
    int w = 0;
    int h = 0;
    SDL_GetWindowSize(context_->window(), &w, &h);
    return {static_cast<float>(w), static_cast<float>(h)};
}

bool WindowHost::animating() const {
    RunLoop& loop = RunLoop::main();
    return Animation::isAnimating(loop.now()) || loop.hasFrameObservers();
}

bool WindowHost::runOnce(double maxWait) {
    if (application_ == nullptr) {
        return false;
    }
    RunLoop& loop = RunLoop::main();
    double wait = needsFrame_ ? 0.0 : std::max(maxWait, 0.0);
    if (const auto due = loop.nextFireTime()) {
        wait = std::min(wait, std::max(0.0, *due - loop.now()));
    }
    if (animating()) {
        wait = std::min(wait, std::max(0.0, lastFrame_ + kFrameInterval - loop.now()));
    }
    wait = std::min(wait, secondsToNextMinute());

    SDL_Event event;
    if (SDL_WaitEventTimeout(&event, static_cast<int>(std::ceil(wait * 1000.0))) != 0) {
        handle(event);
        while (application_ != nullptr && SDL_PollEvent(&event) != 0) {
            handle(event);
        }
    }
    if (application_ == nullptr) {
        return false;
    }
    if (loop.fireDueCalls() > 0) {
        needsFrame_ = true;
    }
    if (application_ == nullptr) {
        return false;
    }
    const bool moving = animating();
    if (moving) {
        loop.notifyFrame();
    }
    // The bar shows minutes: its content is read again when the minute changes.
    const std::time_t minute = std::time(nullptr) / 60;
    if (minute != barMinute_) {
        barMinute_ = minute;
        const StatusBar::Content content = StatusBar::currentContent();
        if (content != barContent_) {
            barContent_ = content;
            barScale_ = 0; // drawn again with the new content
            needsFrame_ = true;
        }
    }
    const double now = loop.now();
    if (needsFrame_ || moving) {
        needsFrame_ = false;
        lastFrame_ = now;
        draw();
    }
    return true;
}

void WindowHost::handle(const SDL_Event& event) {
    switch (event.type) {
    case SDL_QUIT:
        close();
        return;
    case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
            close();
        } else {
            needsFrame_ = true;
        }
        return;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        handleKey(event);
        return;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
    case SDL_MOUSEMOTION:
        handleMouse(event);
        return;
    case SDL_FINGERDOWN:
    case SDL_FINGERMOTION:
    case SDL_FINGERUP:
        handleFinger(event);
        return;
    default:
        return;
    }
}

void WindowHost::handleKey(const SDL_Event& event) {
    const bool alt = (SDL_GetModState() & KMOD_ALT) != 0;
    if (alt != altHeld_) {
        altHeld_ = alt;
        // Each Alt press starts mirroring about the application's centre again.
        movedCentre_.reset();
        needsFrame_ = true;
    }
    if (event.type != SDL_KEYDOWN || event.key.repeat != 0) {
        return;
    }
    const SDL_Keycode key = event.key.keysym.sym;
    const bool ctrl = (event.key.keysym.mod & KMOD_CTRL) != 0;
    const bool shift = (event.key.keysym.mod & KMOD_SHIFT) != 0;
    HostInputDelegate* input = hosted_.input;
    if (ctrl && (key == SDLK_LEFT || key == SDLK_RIGHT)) {
        turnDevice(key == SDLK_LEFT);
    } else if (input == nullptr) {
        return;
    } else if (ctrl && key == SDLK_z) {
        shift ? input->redo() : input->undo();
    } else if (ctrl && key == SDLK_y) {
        input->redo();
    } else if (key == SDLK_ESCAPE) {
        input->back();
    } else {
        return;
    }
    needsFrame_ = true;
}

Point WindowHost::screenPointAt(float windowX, float windowY) const {
    const Size window = windowSize();
    const Size turned = ScreenRotation::turnedSize(turned_);
    if (window.width <= 0.0f || window.height <= 0.0f) {
        return {};
    }
    const Point p = ScreenRotation::turnedToScreen(
        {windowX * turned.width / window.width, windowY * turned.height / window.height}, turned_);
    return {std::clamp(p.x, 0.0f, Window::kScreenWidth),
            std::clamp(p.y, 0.0f, Window::kScreenHeight)};
}

Point WindowHost::mirrorCentre() const {
    if (movedCentre_) {
        return *movedCentre_;
    }
    if (hosted_.input != nullptr) {
        if (const auto centre = hosted_.input->mirrorCentre()) {
            return *centre;
        }
    }
    // The middle of the screen below the status bar.
    return {Window::kScreenWidth * 0.5f,
            StatusBar::kHeight + (Window::kScreenHeight - StatusBar::kHeight) * 0.5f};
}

std::vector<Point> WindowHost::mouseFingers(Point mouse) const {
    if (!altHeld_) {
        return {mouse};
    }
    const Point centre = mirrorCentre();
    const Point mirrored{std::clamp(2.0f * centre.x - mouse.x, 0.0f, Window::kScreenWidth),
                         std::clamp(2.0f * centre.y - mouse.y, 0.0f, Window::kScreenHeight)};
    return {mouse, mirrored};
}

void WindowHost::handleMouse(const SDL_Event& event) {
    // Touch screens also send mouse events; their fingers arrive as finger events.
    const Uint32 which = event.type == SDL_MOUSEMOTION ? event.motion.which : event.button.which;
    if (which == SDL_TOUCH_MOUSEID) {
        return;
    }
    const SDL_Keymod mods = SDL_GetModState();
    altHeld_ = (mods & KMOD_ALT) != 0;
    if (event.type == SDL_MOUSEMOTION) {
        const Point p =
            screenPointAt(static_cast<float>(event.motion.x), static_cast<float>(event.motion.y));
        if (altHeld_ && (mods & KMOD_SHIFT) != 0) {
            // Both fingers move together: the mirror centre travels with the mouse.
            const Point centre = mirrorCentre();
            movedCentre_ = Point{centre.x + p.x - mouse_.x, centre.y + p.y - mouse_.y};
        }
        mouse_ = p;
        if (altHeld_) {
            needsFrame_ = true;
        }
        if (mouseDown_.empty()) {
            return;
        }
        const std::vector<Point> fingers = mouseFingers(p);
        std::vector<Window::TouchInput> inputs;
        for (std::size_t i = 0; i < mouseDown_.size(); ++i) {
            mouseDown_[i].location = fingers[std::min(i, fingers.size() - 1)];
            inputs.push_back({mouseDown_[i].id, mouseDown_[i].location});
        }
        window_->handleTouches(TouchPhase::Moved, inputs);
        needsFrame_ = true;
        return;
    }
    if (event.button.button != SDL_BUTTON_LEFT) {
        return;
    }
    mouse_ = screenPointAt(static_cast<float>(event.button.x), static_cast<float>(event.button.y));
    std::vector<Window::TouchInput> inputs;
    if (event.type == SDL_MOUSEBUTTONDOWN) {
        if (!mouseDown_.empty()) {
            return;
        }
        // The fingers stay as they came down until the button is released.
        const std::vector<Point> fingers = mouseFingers(mouse_);
        for (std::size_t i = 0; i < fingers.size(); ++i) {
            const int id = i == 0 ? kMouseFinger : kMirroredFinger;
            mouseDown_.push_back({id, fingers[i]});
            inputs.push_back({id, fingers[i]});
        }
        window_->handleTouches(TouchPhase::Began, inputs);
    } else {
        if (mouseDown_.empty()) {
            return;
        }
        const std::vector<Point> fingers = mouseFingers(mouse_);
        for (std::size_t i = 0; i < mouseDown_.size(); ++i) {
            inputs.push_back({mouseDown_[i].id, fingers[std::min(i, fingers.size() - 1)]});
        }
        mouseDown_.clear();
        window_->handleTouches(TouchPhase::Ended, inputs);
    }
    needsFrame_ = true;
}

void WindowHost::handleFinger(const SDL_Event& event) {
    const Size window = windowSize();
    const Point p = screenPointAt(event.tfinger.x * window.width, event.tfinger.y * window.height);
    const std::int64_t key = event.tfinger.fingerId;
    if (event.type == SDL_FINGERDOWN) {
        if (touchFingers_.contains(key)) {
            return;
        }
        const int id = nextTouchFinger_++;
        touchFingers_.emplace(key, id);
        window_->touchDown(id, p);
    } else {
        const auto found = touchFingers_.find(key);
        if (found == touchFingers_.end()) {
            return;
        }
        const int id = found->second;
        if (event.type == SDL_FINGERUP) {
            touchFingers_.erase(found);
            window_->touchUp(id, p);
        } else {
            window_->touchMove(id, p);
        }
    }
    needsFrame_ = true;
}

void WindowHost::turnDevice(bool counterClockwise) {
    // Turning the phone to the left brings its top to the left: portrait, home button on
    // the right, upside down, home button on the left.
    constexpr int kTurns[4] = {1, 3, 2, 4};
    const int at = static_cast<int>(std::find(kTurns, kTurns + 4, turned_) - kTurns);
    const int next = kTurns[(at + (counterClockwise ? 1 : 3)) % 4];
    // Fingers do not survive the turn: the glass moved under them.
    window_->cancelAllTouches();
    mouseDown_.clear();
    touchFingers_.clear();
    turned_ = next;
    resizeWindow();
    Device::current().setOrientation(static_cast<DeviceOrientation>(next));
    needsFrame_ = true;
}

void WindowHost::resizeWindow() {
    const Size size = ScreenRotation::turnedSize(turned_);
    SDL_SetWindowSize(context_->window(), static_cast<int>(size.width) * options_.scale,
                      static_cast<int>(size.height) * options_.scale);
}

void WindowHost::refreshStatusBar() {
    const int orientation = application_->statusBarOrientation();
    const int scale = compositor_->scale();
    if (barTexture_ != 0 && orientation == barOrientation_ && scale == barScale_) {
        return;
    }
    const std::optional<Picture> bar =
        statusBar_->render(barContent_, StatusBar::lengthFor(orientation), scale);
    if (!bar) {
        return;
    }
    barTextureWidth_ = powerOfTwoAtLeast(bar->width());
    barTextureHeight_ = powerOfTwoAtLeast(bar->height());
    if (barTexture_ != 0) {
        glDeleteTextures(1, &barTexture_);
    }
    barTexture_ = makeTexture(barTextureWidth_, barTextureHeight_, nullptr);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, bar->width(), bar->height(), GL_RGBA, GL_UNSIGNED_BYTE,
                    bar->pixels()->data());
    barOrientation_ = orientation;
    barScale_ = scale;
    barWidth_ = bar->width();
    barHeight_ = bar->height();
}

void WindowHost::draw() {
    if (window_ == nullptr || !context_->makeCurrent()) {
        return;
    }
    int drawableWidth = 0;
    int drawableHeight = 0;
    SDL_GL_GetDrawableSize(context_->window(), &drawableWidth, &drawableHeight);
    const Size window = windowSize();
    const Size turned = ScreenRotation::turnedSize(turned_);
    // On a HiDPI display the drawable has more pixels than the window has units.
    const int density = window.width > 0.0f
                            ? std::max(1, static_cast<int>(std::lround(
                                              static_cast<float>(drawableWidth) / window.width)))
                            : 1;
    const int scale = std::clamp(options_.scale * density, 1, 8);
    if (compositor_ == nullptr || compositor_->scale() != scale) {
        compositor_ = std::make_unique<Compositor>(scale);
    }
    // Only what changed is drawn again: upright, into the window itself when its swaps
    // keep its contents; otherwise into the compositor's texture, which is then drawn
    // into the window turned as the window is.
    const int width = static_cast<int>(Window::kScreenWidth) * scale;
    const int height = static_cast<int>(Window::kScreenHeight) * scale;
    const bool direct =
        windowKeepsContents_ && turned_ == 1 && drawableWidth == width && drawableHeight == height;
    if (direct) {
        context_->fbo().bindFramebuffer(GL_FRAMEBUFFER_OES, 0);
        if (!compositor_->updateBound(*window_, drawnOver_)) {
            return;
        }
    } else {
        if (!compositor_->update(*window_)) {
            return;
        }
        context_->fbo().bindFramebuffer(GL_FRAMEBUFFER_OES, 0);
    }
    drawnOver_.clear();
    refreshStatusBar();

    glViewport(0, 0, drawableWidth, drawableHeight);
    glDisable(GL_SCISSOR_TEST);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthof(0.0f, turned.width, turned.height, 0.0f, -1.0f, 1.0f);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_BLEND);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);

    const auto toWindow = [this](Point screen) {
        return ScreenRotation::screenToTurned(screen, turned_);
    };
    if (!direct) {
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        compositor_->drawScreen({toWindow({0.0f, 0.0f}), toWindow({Window::kScreenWidth, 0.0f}),
                                 toWindow({0.0f, Window::kScreenHeight}),
                                 toWindow({Window::kScreenWidth, Window::kScreenHeight})});
    }
    // What is drawn over the screen in the window itself is drawn again from the views
    // before the next frame's bar and fingers go over it.
    const auto drawnOver = [this, direct](Point a, Point b) {
        if (direct) {
            drawnOver_.emplace_back(std::min(a.x, b.x), std::min(a.y, b.y), std::fabs(b.x - a.x),
                                    std::fabs(b.y - a.y));
        }
    };

    if (barTexture_ != 0) {
        // The bar lies along the edge the status-bar orientation calls the top.
        const float length = StatusBar::lengthFor(barOrientation_);
        const auto barToWindow = [&](Point p) {
            return toWindow(ScreenRotation::turnedToScreen(p, barOrientation_));
        };
        const std::array<Point, 4> barCorners = {
            barToWindow({0.0f, 0.0f}), barToWindow({length, 0.0f}),
            barToWindow({0.0f, StatusBar::kHeight}), barToWindow({length, StatusBar::kHeight})};
        const float u1 = static_cast<float>(barWidth_) / static_cast<float>(barTextureWidth_);
        const float v1 = static_cast<float>(barHeight_) / static_cast<float>(barTextureHeight_);
        Compositor::drawQuad(barTexture_, barCorners, {0.0f, 0.0f, u1, 0.0f, 0.0f, v1, u1, v1});
        drawnOver(barCorners[0], barCorners[3]);
    }

    if (altHeld_) {
        // Where the fingers would touch, or touch now, as translucent circles.
        std::vector<Point> fingers;
        if (mouseDown_.empty()) {
            fingers = mouseFingers(mouse_);
        } else {
            for (const MouseFinger& finger : mouseDown_) {
                fingers.push_back(finger.location);
            }
        }
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
        glColor4f(0.45f, 0.45f, 0.45f, 0.45f);
        for (const Point& finger : fingers) {
            drawDisc(toWindow(finger), kFingerRadius);
            const float r = kFingerRadius + 1.0f;
            drawnOver({finger.x - r, finger.y - r}, {finger.x + r, finger.y + r});
        }
        glDisable(GL_BLEND);
    }
    glDisableClientState(GL_VERTEX_ARRAY);

    context_->swap();
    ++framesShown_;
    if (framesShown_ == 1 && options_.firstFrameShown) {
        options_.firstFrameShown();
    }
}

} // namespace platform
