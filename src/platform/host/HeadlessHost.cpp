#include "platform/host/HeadlessHost.h"

#include "platform/base/Device.h"
#include "platform/base/RunLoop.h"
#include "platform/gl/GLContext.h"
#include "platform/graphics/PictureCodec.h"
#include "platform/host/StatusBar.h"
#include "platform/render/Compositor.h"
#include "platform/ui/Window.h"

#include <algorithm>

namespace platform {

namespace {

// Script fingers are numbered from 0; a tap uses a number no script can name.
constexpr int kTapFinger = -1;

} // namespace

HeadlessHost::HeadlessHost(int scale) : scale_(std::clamp(scale, 1, 8)) {}

HeadlessHost::~HeadlessHost() {
    terminate();
    GLContext::finishPreparing();
}

std::expected<void, Error> HeadlessHost::launch(const ApplicationFactory& factory) {
    // The clock and the GL driver are set up only for an application that is to start.
    if (!isRunning()) {
        // The GL driver takes longer to start than the application takes to read its files.
        GLContext::prepareShared();
        RunLoop::main().reset(std::make_shared<VirtualClock>());
    }
    auto launched = running().launch(factory, [this](Application&) { fingersDown_.clear(); });
    if (launched) {
        RunLoop::main().fireDueCalls();
    }
    return launched;
}

void HeadlessHost::terminate() {
    if (application_ != nullptr) {
        // The terminate path saves, so what failed is known only after it; it runs once.
        application_->terminate();
        failedSave_ = application_->firstFailedSave();
    }
    if (running().terminate()) {
        fingersDown_.clear();
    }
}

std::expected<Picture, Error> HeadlessHost::screenshot() {
    if (window_ == nullptr) {
        return failure("the application is not running");
    }
    if (GLContext::shared() == nullptr) {
        return failure("no OpenGL ES: " + GLContext::lastError());
    }
    if (statusBar_ == nullptr) {
        auto bar = StatusBar::create();
        if (!bar) {
            return std::unexpected(std::move(bar.error()));
        }
        statusBar_ = std::move(*bar);
    }
    if (compositor_ == nullptr) {
        compositor_ = std::make_unique<Compositor>(scale_);
    }
    const std::optional<Picture> screen = compositor_->snapshot(*window_);
    if (!screen) {
        return failure("the screen could not be drawn offscreen");
    }
    const int orientation = application_->statusBarOrientation();
    const std::optional<Picture> bar = statusBar_->render(
        StatusBar::fixedContent(), StatusBar::lengthFor(orientation), compositor_->scale());
    if (!bar) {
        return failure("the status bar could not be drawn");
    }
    auto shown = StatusBar::overlay(*screen, *bar, orientation);
    if (!shown) {
        return failure("the status bar does not fit the screen");
    }
    return std::move(*shown);
}

std::expected<void, Error> HeadlessHost::run(const Script& script,
                                             const std::function<bool()>& interrupted) {
    for (const ScriptCommand& command : script.commands()) {
        if (interrupted && interrupted()) {
            return {};
        }
        if (const auto done = runCommand(command); !done) {
            return failure(script.errorAt(command.line, done.error().message));
        }
        // Whatever the command scheduled for now runs before the next one, as it would
        // in the run loop's next turn.
        RunLoop::main().fireDueCalls();
    }
    return {};
}

std::expected<void, Error> HeadlessHost::runCommand(const ScriptCommand& command) {
    if (application_ == nullptr) {
        return failure("the application has already terminated");
    }
    RunLoop& loop = RunLoop::main();
    if (const auto* touch = std::get_if<ScriptCommand::Touch>(&command.action)) {
        const std::string finger = "finger " + std::to_string(touch->id);
        if (touch->phase == TouchPhase::Began) {
            if (!fingersDown_.insert(touch->id).second) {
                return failure(finger + " is already down");
            }
        } else if (!fingersDown_.contains(touch->id)) {
            return failure(finger + " is not down");
        } else if (touch->phase == TouchPhase::Ended) {
            fingersDown_.erase(touch->id);
        }
        window_->handleTouches(touch->phase, {{touch->id, touch->location}});
        return {};
    }
    if (const auto* tap = std::get_if<ScriptCommand::Tap>(&command.action)) {
        window_->touchDown(kTapFinger, tap->location);
        loop.advance(Script::kTapDuration);
        window_->touchUp(kTapFinger, tap->location);
        return {};
    }
    if (const auto* wait = std::get_if<ScriptCommand::Wait>(&command.action)) {
        // Background work finishes and its completions arrive before time moves, so
        // `press save` followed by a wait shows the outcome in every run alike.
        loop.waitForBackgroundJobs();
        loop.advance(wait->seconds);
        return {};
    }
    if (const auto* rotate = std::get_if<ScriptCommand::Rotate>(&command.action)) {
        Device::current().setOrientation(static_cast<DeviceOrientation>(rotate->orientation));
        return {};
    }
    if (const auto* shot = std::get_if<ScriptCommand::Screenshot>(&command.action)) {
        const auto picture = screenshot();
        if (!picture) {
            return failure("no screenshot: " + picture.error().message);
        }
        if (!PictureCodec::writePNG(*picture, shot->path)) {
            return failure("cannot write the screenshot to '" + shot->path + "'");
        }
        return {};
    }
    if (std::holds_alternative<ScriptCommand::Terminate>(command.action)) {
        terminate();
        return {};
    }
    const auto& other = std::get<ScriptCommand::Application>(command.action);
    if (hosted_.commands == nullptr) {
        return failure("unknown command '" + other.name + "'");
    }
    auto done = hosted_.commands->runCommand(other.name, other.args);
    if (!done && done.error().message.empty()) {
        return failure("'" + other.name + "' failed");
    }
    return done;
}

} // namespace platform
