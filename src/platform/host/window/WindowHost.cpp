#include "platform/host/window/WindowHost.h"

#include "platform/base/Bundle.h"
#include "platform/base/Device.h"
#include "platform/base/FileSystem.h"
#include "platform/base/Log.h"
#include "platform/base/Paths.h"
#include "platform/base/RunLoop.h"
#include "platform/graphics/PictureCodec.h"
#include "platform/graphics/PixelConversion.h"
#include "platform/host/ScreenRotation.h"
#include "platform/host/TerminationSignals.h"
#include "platform/host/window/SDLGLContext.h"
#include "platform/host/window/StatusBarTexture.h"
#include "platform/host/window/WindowFit.h"
#include "platform/host/window/WindowFrame.h"
#include "platform/render/Compositor.h"
#include "platform/ui/Animation.h"
#include "platform/ui/Window.h"

#include <SDL2/SDL.h>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <future>
#include <string>

namespace platform {

namespace {

constexpr const char* kHeadlessHint = "; run with --headless --script FILE";
constexpr double kFrameInterval = 1.0 / 60.0;
// Below this a window shows too little of the screen to be used (window units, either side).
constexpr int kMinimumSide = 120;
constexpr const char* kSettingsFile = "Window.settings";

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

// The window's last size as the data folder's settings remember it, upright (portrait).
std::optional<Size> rememberedSize() {
    const auto text = readFile(Paths::documentsDirectory() / kSettingsFile);
    if (!text) {
        return std::nullopt;
    }
    const auto settings = Bundle::parseInfo(
        std::string_view(reinterpret_cast<const char*>(text->data()), text->size()));
    const auto side = [&settings](const char* key) -> std::optional<float> {
        const auto it = settings.find(key);
        int n = 0;
        if (it == settings.end() ||
            std::from_chars(it->second.data(), it->second.data() + it->second.size(), n).ec !=
                std::errc() ||
            n < kMinimumSide || n > 65536) {
            return std::nullopt;
        }
        return static_cast<float>(n);
    };
    const auto width = side("width");
    const auto height = side("height");
    if (!width || !height) {
        return std::nullopt;
    }
    return Size{*width, *height};
}

void rememberSize(Size upright) {
    const std::string text = "# The editor window's last size in window units, upright.\n"
                             "width = " +
                             std::to_string(std::lround(upright.width)) +
                             "\nheight = " + std::to_string(std::lround(upright.height)) + "\n";
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    if (!writeFileAtomically(Paths::documentsDirectory() / kSettingsFile, {bytes, text.size()})) {
        logLine("cannot remember the window size in " +
                (Paths::documentsDirectory() / kSettingsFile).string());
    }
}

Size swapped(Size size) {
    return {size.height, size.width};
}

bool isLandscape(int orientation) {
    return orientation == 3 || orientation == 4;
}

// The size a new window opens at: the chosen scale, else the remembered size as far as the
// display has room for it, else the largest whole scale that fits the display.
Size openingSize(const HostOptions& options, int orientation) {
    const Size screen = ScreenRotation::turnedSize(orientation);
    if (options.scaleChosen) {
        const float scale = static_cast<float>(std::clamp(options.scale, 1, 8));
        return {screen.width * scale, screen.height * scale};
    }
    SDL_Rect usable{0, 0, 0, 0};
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0) {
        SDL_GetDisplayBounds(0, &usable);
    }
    const Size room{static_cast<float>(usable.w), static_cast<float>(usable.h)};
    if (const auto remembered = rememberedSize()) {
        const Size turned = isLandscape(orientation) ? swapped(*remembered) : *remembered;
        if (room.width <= 0.0f || room.height <= 0.0f) {
            return turned;
        }
        return {std::min(turned.width, room.width), std::min(turned.height, room.height)};
    }
    if (room.width <= 0.0f || room.height <= 0.0f) {
        return screen;
    }
    return WindowFit::openingSize(screen, room);
}

// The application icon as the window's, where the resources have it.
void setWindowIcon(SDL_Window* window) {
    const auto path = Bundle::main().pathForResource("applicationIcon.png");
    auto picture = path ? PictureCodec::decodeFile(*path) : std::unexpected(Error{});
    if (!picture || !picture->pixels()) {
        return;
    }
    std::vector<std::uint8_t> straight(picture->pixels()->size());
    unpremultiplyRGBA(picture->pixels()->data(), straight.data(), straight.size() / 4);
    SDL_Surface* surface =
        SDL_CreateRGBSurfaceWithFormatFrom(straight.data(), picture->width(), picture->height(), 32,
                                           picture->width() * 4, SDL_PIXELFORMAT_ABGR8888);
    if (surface != nullptr) {
        SDL_SetWindowIcon(window, surface);
        SDL_FreeSurface(surface);
    }
}

} // namespace

int WindowHost::run(const HostOptions& options, const ApplicationFactory& factory) {
    // Taken before SDL starts, which then leaves them alone (see create()).
    auto signals = TerminationSignals::install();
    if (!signals) {
        logLine(options.programName + ": " + signals.error().message);
    }
    auto host = create(options);
    const std::expected<void, Error> launched =
        host ? (*host)->launch(factory) : std::unexpected(host.error());
    if (!launched) {
        logLine(options.programName + ": " + launched.error().message);
        return 1;
    }
    if (signals) {
        // An empty call posted to the run loop wakes the event loop, as a completion does.
        (*signals)->wakeOnSignal([] { RunLoop::main().post([] {}); });
    }
    while ((*host)->runOnce(1.0)) {
        if (const int signal = signals ? (*signals)->received() : 0; signal != 0) {
            (*host)->close();
            return TerminationSignals::exitStatus(signal);
        }
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
    // The desktop matches the window to its entry and icon by the window's class (X11) or
    // application id (Wayland): the application's identifier, unless the user set one.
    if (const auto id = Bundle::main().infoValue("CFBundleIdentifier")) {
        ::setenv("SDL_VIDEO_X11_WMCLASS", id->c_str(), 0);
        ::setenv("SDL_VIDEO_WAYLAND_WMCLASS", id->c_str(), 0);
    }
    // GL ES 1.1 comes through EGL: GLX has no ES 1 profile, and Mesa refuses to make such
    // a context current on an X server without direct rendering.
    SDL_SetHint(SDL_HINT_VIDEO_X11_FORCE_EGL, "1");
    SDL_SetHint(SDL_HINT_OPENGL_ES_DRIVER, "1");
    // SIGINT and SIGTERM are the host's (TerminationSignals): SDL would turn them into a
    // quit event that ends the run as a closed window does, with status 0.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
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
    const int device = static_cast<int>(Device::current().orientation());
    const int orientation = device >= 1 && device <= 4 ? device : 1;
    const Size size = openingSize(options, orientation);
    auto context = SDLGLContext::create(options.windowTitle.c_str(), static_cast<int>(size.width),
                                        static_cast<int>(size.height));
    if (!context) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return failure(context.error().message + kHeadlessHint);
    }
    SDL_SetWindowMinimumSize((*context)->window(), kMinimumSide, kMinimumSide);
    setWindowIcon((*context)->window());
    std::unique_ptr<WindowHost> host(new WindowHost(options, std::move(*context)));
    host->turned_ = orientation;
    host->lastNormalSize_ = host->windowSize();
    auto [bar, why] = statusBar.get();
    if (bar == nullptr) {
        return std::unexpected(std::move(why));
    }
    host->statusBar_ = std::make_unique<StatusBarTexture>(std::move(bar));
    return host;
}

WindowHost::WindowHost(HostOptions options, std::unique_ptr<SDLGLContext> context)
    : options_(std::move(options)), context_(context.get()) {
    options_.scale = std::clamp(options_.scale, 1, 8);
    // Installed before anything made a GL object, so every drawable uses the window's
    // context. It stays the shared context for the rest of the process.
    GLContext::installShared(std::move(context));
    windowKeepsContents_ = context_->keepContentsAcrossSwaps();
    // A completion posted from a worker thread wakes the event loop with an event of our
    // own; SDL_PushEvent may be called from any thread.
    Uint32 wakeType = SDL_RegisterEvents(1);
    if (wakeType == static_cast<Uint32>(-1)) {
        wakeType = SDL_USEREVENT;
    }
    RunLoop::main().setWakeUp([wakeType] {
        SDL_Event wake{};
        wake.type = wakeType;
        SDL_PushEvent(&wake);
    });
}

WindowHost::~WindowHost() {
    RunLoop::main().setWakeUp(nullptr);
    close();
    compositor_.reset();
    statusBar_.reset();
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
        mouse_.forget();
        touchFingers_.clear();
        rememberSize(isLandscape(turned_) ? swapped(lastNormalSize_) : lastNormalSize_);
    }
}

bool WindowHost::fullScreen() const {
    return (SDL_GetWindowFlags(context_->window()) & SDL_WINDOW_FULLSCREEN) != 0;
}

void WindowHost::toggleFullScreen() {
    SDL_SetWindowFullscreen(context_->window(), fullScreen() ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
    needsFrame_ = true;
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
    double wait = needsFrame_ || loop.hasPosted() ? 0.0 : std::max(maxWait, 0.0);
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
    if (statusBar_->followClock()) {
        needsFrame_ = true;
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
            return;
        }
        // The size to come back to is the one the user gave the window, not the screen's
        // or a maximised one.
        if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED &&
            (SDL_GetWindowFlags(context_->window()) &
             (SDL_WINDOW_FULLSCREEN | SDL_WINDOW_MAXIMIZED)) == 0) {
            lastNormalSize_ = windowSize();
        }
        needsFrame_ = true;
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
    case SDL_DROPFILE:
        // SDL hands over the name, which is ours to free.
        if (event.drop.file != nullptr) {
            if (hosted_.input != nullptr) {
                hosted_.input->openFile(event.drop.file);
            }
            SDL_free(event.drop.file);
        }
        needsFrame_ = true;
        return;
    default:
        return;
    }
}

void WindowHost::handleKey(const SDL_Event& event) {
    if (mouse_.altFromKeys((SDL_GetModState() & KMOD_ALT) != 0)) {
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
    } else if (key == SDLK_F11) {
        toggleFullScreen();
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

WindowFit WindowHost::screenBox() const {
    int drawableWidth = 0;
    int drawableHeight = 0;
    SDL_GL_GetDrawableSize(context_->window(), &drawableWidth, &drawableHeight);
    return WindowFit::inDrawable(ScreenRotation::turnedSize(turned_), drawableWidth,
                                 drawableHeight);
}

Point WindowHost::screenPointAt(float windowX, float windowY) const {
    const Size window = windowSize();
    if (window.width <= 0.0f || window.height <= 0.0f) {
        return {};
    }
    // Window units to drawable pixels (more of them on a HiDPI display), then through the
    // box the screen is drawn in.
    int drawableWidth = 0;
    int drawableHeight = 0;
    SDL_GL_GetDrawableSize(context_->window(), &drawableWidth, &drawableHeight);
    const Point drawable{windowX * static_cast<float>(drawableWidth) / window.width,
                         windowY * static_cast<float>(drawableHeight) / window.height};
    const Size turned = ScreenRotation::turnedSize(turned_);
    const Point p = ScreenRotation::turnedToScreen(screenBox().toScreen(turned, drawable), turned_);
    return {std::clamp(p.x, 0.0f, Screen::kWidth), std::clamp(p.y, 0.0f, Screen::kHeight)};
}

std::optional<Point> WindowHost::applicationCentre() const {
    return hosted_.input != nullptr ? hosted_.input->mirrorCentre() : std::nullopt;
}

void WindowHost::handleMouse(const SDL_Event& event) {
    // Touch screens also send mouse events; their fingers arrive as finger events.
    const Uint32 which = event.type == SDL_MOUSEMOTION ? event.motion.which : event.button.which;
    if (which == SDL_TOUCH_MOUSEID) {
        return;
    }
    const SDL_Keymod mods = SDL_GetModState();
    mouse_.altFromMouse((mods & KMOD_ALT) != 0);
    if (event.type == SDL_MOUSEMOTION) {
        const Point p =
            screenPointAt(static_cast<float>(event.motion.x), static_cast<float>(event.motion.y));
        const auto touches = mouse_.moved(p, (mods & KMOD_SHIFT) != 0, applicationCentre());
        if (mouse_.altHeld()) {
            needsFrame_ = true;
        }
        if (touches) {
            window_->handleTouches(touches->phase, touches->inputs);
            needsFrame_ = true;
        }
        return;
    }
    if (event.button.button != SDL_BUTTON_LEFT) {
        return;
    }
    const Point p =
        screenPointAt(static_cast<float>(event.button.x), static_cast<float>(event.button.y));
    const auto touches = event.type == SDL_MOUSEBUTTONDOWN
                             ? mouse_.pressed(p, applicationCentre())
                             : mouse_.released(p, applicationCentre());
    if (!touches) {
        return;
    }
    window_->handleTouches(touches->phase, touches->inputs);
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
    mouse_.forget();
    touchFingers_.clear();
    turned_ = next;
    resizeWindow();
    Device::current().setOrientation(static_cast<DeviceOrientation>(next));
    needsFrame_ = true;
}

void WindowHost::resizeWindow() {
    // A full-screen or maximised window keeps its size; the screen turns inside it.
    if ((SDL_GetWindowFlags(context_->window()) & (SDL_WINDOW_FULLSCREEN | SDL_WINDOW_MAXIMIZED)) !=
        0) {
        return;
    }
    const Size size = windowSize();
    SDL_SetWindowSize(context_->window(), static_cast<int>(size.height),
                      static_cast<int>(size.width));
}

void WindowHost::draw() {
    if (window_ == nullptr || !context_->makeCurrent()) {
        return;
    }
    int drawableWidth = 0;
    int drawableHeight = 0;
    SDL_GL_GetDrawableSize(context_->window(), &drawableWidth, &drawableHeight);
    // The screen is drawn as large as the window's drawable allows, which on a HiDPI display
    // has more pixels than the window has units; the compositor draws it at the next whole
    // scale, smoothed into the box where that is not the box's own.
    const Size turned = ScreenRotation::turnedSize(turned_);
    const WindowFit box = WindowFit::inDrawable(turned, drawableWidth, drawableHeight);
    const int scale = box.renderScale(turned);
    if (compositor_ == nullptr || compositor_->scale() != scale) {
        compositor_ = std::make_unique<Compositor>(scale);
    }
    // Only what changed is drawn again: upright, into the window itself when its swaps
    // keep its contents and the screen fills it exactly; otherwise into the compositor's
    // texture, which is then drawn into the window turned as the window is.
    const int width = static_cast<int>(Screen::kWidth) * scale;
    const int height = static_cast<int>(Screen::kHeight) * scale;
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
    statusBar_->update(application_->statusBarOrientation(), compositor_->scale());
    WindowFrame frame;
    frame.drawableWidth = drawableWidth;
    frame.drawableHeight = drawableHeight;
    frame.box = box;
    frame.smooth = box.width != static_cast<int>(turned.width) * scale;
    frame.orientation = turned_;
    frame.screenInWindow = direct;
    frame.screen = compositor_.get();
    frame.bar = statusBar_.get();
    frame.fingers = mouse_.shown(applicationCentre());
    drawnOver_ = frame.draw();

    context_->swap();
    ++framesShown_;
    if (framesShown_ == 1 && options_.firstFrameShown) {
        options_.firstFrameShown();
    }
}

} // namespace platform
