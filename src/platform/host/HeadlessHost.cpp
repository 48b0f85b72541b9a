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
}

bool HeadlessHost::launch(const ApplicationFactory& factory, std::string& error) {
    // The clock and the GL driver are set up only for an application that is to start.
    if (!isRunning()) {
        // The GL driver takes longer to start than the application takes to read its files.
        GLContext::prepareShared();
        RunLoop::main().reset(std::make_shared<VirtualClock>());
    }
    if (!running().launch(factory, error, [this](Application&) { fingersDown_.clear(); })) {
        return false;
    }
    RunLoop::main().fireDueCalls();
    return true;
}

void HeadlessHost::terminate() {
    if (running().terminate()) {
        fingersDown_.clear();
    }
}

std::optional<Picture> HeadlessHost::screenshot(std::string& error) {
    if (window_ == nullptr) {
        error = "the application is not running";
        return std::nullopt;
    }
    if (GLContext::shared() == nullptr) {
        error = "no OpenGL ES: " + GLContext::lastError();
        return std::nullopt;
    }
    if (statusBar_ == nullptr && (statusBar_ = StatusBar::create(error)) == nullptr) {
        return std::nullopt;
    }
    if (compositor_ == nullptr) {
        compositor_ = std::make_unique<Compositor>(scale_);
    }
    const std::optional<Picture> screen = compositor_->snapshot(*window_);
    if (!screen) {
        error = "the screen could not be drawn offscreen";
        return std::nullopt;
    }
    const int orientation = application_->statusBarOrientation();
    const std::optional<Picture> bar = statusBar_->render(
        StatusBar::fixedContent(), StatusBar::lengthFor(orientation), compositor_->scale());
    if (!bar) {
        error = "the status bar could not be drawn";
        return std::nullopt;
    }
    auto shown = StatusBar::overlay(*screen, *bar, orientation);
    if (!shown) {
        error = "the status bar does not fit the screen";
    }
    return shown;
}

bool HeadlessHost::run(const Script& script, std::string& error) {
    for (const ScriptCommand& command : script.commands()) {
        std::string message;
        if (!runCommand(command, message)) {
            error = script.errorAt(command.line, message);
            return false;
        }
        // Whatever the command scheduled for now runs before the next one, as it would
        // in the run loop's next turn.
        RunLoop::main().fireDueCalls();
    }
    return true;
}

bool HeadlessHost::runCommand(const ScriptCommand& command, std::string& error) {
    if (application_ == nullptr) {
        error = "the application has already terminated";
        return false;
    }
    RunLoop& loop = RunLoop::main();
    if (const auto* touch = std::get_if<ScriptCommand::Touch>(&command.action)) {
        const std::string finger = "finger " + std::to_string(touch->id);
        if (touch->phase == TouchPhase::Began) {
            if (!fingersDown_.insert(touch->id).second) {
                error = finger + " is already down";
                return false;
            }
        } else if (!fingersDown_.contains(touch->id)) {
            error = finger + " is not down";
            return false;
        } else if (touch->phase == TouchPhase::Ended) {
            fingersDown_.erase(touch->id);
        }
        window_->handleTouches(touch->phase, {{touch->id, touch->location}});
        return true;
    }
    if (const auto* tap = std::get_if<ScriptCommand::Tap>(&command.action)) {
        window_->touchDown(kTapFinger, tap->location);
        loop.advance(Script::kTapDuration);
        window_->touchUp(kTapFinger, tap->location);
        return true;
    }
    if (const auto* wait = std::get_if<ScriptCommand::Wait>(&command.action)) {
        loop.advance(wait->seconds);
        return true;
    }
    if (const auto* rotate = std::get_if<ScriptCommand::Rotate>(&command.action)) {
        Device::current().setOrientation(static_cast<DeviceOrientation>(rotate->orientation));
        return true;
    }
    if (const auto* shot = std::get_if<ScriptCommand::Screenshot>(&command.action)) {
        std::string why;
        const std::optional<Picture> picture = screenshot(why);
        if (!picture) {
            error = "no screenshot: " + why;
            return false;
        }
        if (!PictureCodec::writePNG(*picture, shot->path)) {
            error = "cannot write the screenshot to '" + shot->path + "'";
            return false;
        }
        return true;
    }
    if (std::holds_alternative<ScriptCommand::Terminate>(command.action)) {
        terminate();
        return true;
    }
    const auto& other = std::get<ScriptCommand::Application>(command.action);
    if (hosted_.commands == nullptr) {
        error = "unknown command '" + other.name + "'";
        return false;
    }
    if (!hosted_.commands->runCommand(other.name, other.args, error)) {
        if (error.empty()) {
            error = "'" + other.name + "' failed";
        }
        return false;
    }
    return true;
}

} // namespace platform
