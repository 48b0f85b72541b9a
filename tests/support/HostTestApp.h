#pragma once

#include "platform/base/Application.h"
#include "platform/base/Device.h"
#include "platform/base/NotificationCenter.h"
#include "platform/base/RunLoop.h"
#include "platform/graphics/PictureCodec.h"
#include "platform/host/HeadlessHost.h"
#include "platform/host/Host.h"
#include "platform/host/Script.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

using platform::Color;
using platform::Point;
using platform::Rect;
using platform::TouchPhase;

// One touch as a view received it.
struct Received {
    TouchPhase phase;
    Point location; // in the recording view
    int tapCount;
    double time;
};

// Keeps every touch it gets but cancelled ones and, 0.3 s after a finger lifts, turns green.
class RecordingView : public platform::View {
public:
    explicit RecordingView(Rect frame) : View(frame) { setMultipleTouchEnabled(true); }
    ~RecordingView() override { platform::RunLoop::main().cancelPrevious(this); }

    std::vector<Received> received;
    int reactions = 0;

    void touchesBegan(const platform::TouchList& t, const platform::Event& e) override {
        record(TouchPhase::Began, t, e);
    }
    void touchesMoved(const platform::TouchList& t, const platform::Event& e) override {
        record(TouchPhase::Moved, t, e);
    }
    void touchesEnded(const platform::TouchList& t, const platform::Event& e) override {
        record(TouchPhase::Ended, t, e);
        platform::RunLoop::main().cancelPrevious(this, "react");
        platform::RunLoop::main().performAfterDelay(this, "react", 0.3, [this] {
            ++reactions;
            setBackgroundColor(Color{0.0f, 1.0f, 0.0f, 1.0f});
        });
    }

private:
    void record(TouchPhase phase, const platform::TouchList& touches, const platform::Event& e) {
        for (const auto& touch : touches) {
            received.push_back(
                {phase, touch->locationInView(this), touch->tapCount(), e.timestamp()});
        }
    }
};

// What a test looks at after the application is gone.
struct Record {
    bool terminated = false;
    int undos = 0;
    int redos = 0;
    int backs = 0;
    std::vector<std::string> commands;
    std::shared_ptr<RecordingView> recorder;
    std::shared_ptr<platform::View> colour;
};

// A small application: a red view in the upper half of the screen below the status bar,
// a blue recording view in the lower half. It follows the device's orientation with its
// status bar and knows one script command, "paint R G B", that paints the red view (a word
// that is no number counts as 0).
class TestApplication : public platform::ApplicationDelegate,
                        public platform::HostInputDelegate,
                        public platform::ScriptCommandDelegate {
public:
    TestApplication(platform::Window& window, std::shared_ptr<Record> record)
        : window_(window), record_(std::move(record)) {}
    ~TestApplication() override {
        platform::NotificationCenter::defaultCenter().removeObserver(this);
    }

    void applicationDidFinishLaunching(platform::Application& application) override {
        record_->colour = std::make_shared<platform::View>(Rect(0, 20, 320, 230));
        record_->colour->setBackgroundColor(Color{1.0f, 0.0f, 0.0f, 1.0f});
        record_->recorder = std::make_shared<RecordingView>(Rect(0, 250, 320, 230));
        record_->recorder->setBackgroundColor(Color{0.0f, 0.0f, 1.0f, 1.0f});
        window_.addSubview(record_->colour);
        window_.addSubview(record_->recorder);
        window_.makeKeyAndVisible();
        platform::Device::current().beginGeneratingDeviceOrientationNotifications();
        platform::NotificationCenter::defaultCenter().addObserver(
            this, std::string(platform::Device::kOrientationDidChangeNotification), nullptr,
            [&application](const platform::Notification&) {
                application.setStatusBarOrientation(
                    static_cast<int>(platform::Device::current().orientation()), true);
            });
    }
    void applicationWillTerminate(platform::Application&) override { record_->terminated = true; }

    void undo() override { ++record_->undos; }
    void redo() override { ++record_->redos; }
    void back() override { ++record_->backs; }

    std::expected<void, platform::Error> runCommand(std::string_view name,
                                                    std::span<const std::string> args) override {
        record_->commands.emplace_back(name);
        if (name != "paint" || args.size() != 3) {
            return platform::failure("unknown command '" + std::string(name) + "'");
        }
        float rgb[3];
        for (std::size_t i = 0; i < 3; ++i) {
            rgb[i] = static_cast<float>(platform::parseScriptNumber(args[i]).value_or(0.0));
        }
        record_->colour->setBackgroundColor(Color{rgb[0], rgb[1], rgb[2], 1.0f});
        return {};
    }

private:
    platform::Window& window_;
    std::shared_ptr<Record> record_;
};

using Touches = std::vector<std::pair<TouchPhase, Point>>;

// The phase and the place of every touch the recording view got, in order.
inline Touches touchesOf(const Record& record) {
    Touches touches;
    for (const Received& r : record.recorder->received) {
        touches.emplace_back(r.phase, r.location);
    }
    return touches;
}

template <class App = TestApplication>
platform::ApplicationFactory factoryFor(std::shared_ptr<Record> record) {
    return [record](platform::Window& window) {
        auto app = std::make_unique<App>(window, record);
        platform::HostedApplication hosted;
        hosted.input = app.get();
        hosted.commands = app.get();
        hosted.delegate = std::move(app);
        return hosted;
    };
}

// Runs `text` on `host` as the script `name`; the error, empty on success.
inline std::string runScript(platform::HeadlessHost& host, const std::string& text,
                             const std::string& name) {
    const auto script = platform::Script::parse(text, name);
    if (!script) {
        return "parse: " + script.error().message;
    }
    const auto done = host.run(*script);
    return done ? std::string() : done.error().message;
}

// The screen as the script command `screenshot` writes it to `path`, read back.
inline std::optional<platform::Picture> scriptedScreenshot(platform::HeadlessHost& host,
                                                           const std::filesystem::path& path) {
    EXPECT_EQ(runScript(host, "screenshot " + path.string(), "shot.txt"), "");
    auto decoded = platform::PictureCodec::decodeFile(path);
    EXPECT_TRUE(decoded) << path;
    return decoded ? std::optional(std::move(*decoded)) : std::nullopt;
}

} // namespace testsupport
