#include "platform/host/HeadlessHost.h"

#include "platform/base/BackgroundQueue.h"
#include "platform/base/RunLoop.h"
#include "platform/gl/GLContext.h"
#include "platform/graphics/PictureCodec.h"
#include "support/HostTestApp.h"
#include "support/TestEnvironment.h"

#include <array>

namespace {

using platform::HeadlessHost;
using platform::Picture;
using platform::Script;
using platform::TouchPhase;
using testsupport::Record;

using Pixel = std::array<std::uint8_t, 4>;

class HeadlessRun : public testsupport::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        record = std::make_shared<Record>();
        const auto launched = host.launch(testsupport::factoryFor(record));
        ASSERT_TRUE(launched) << launched.error().message;
    }

    std::string run(const std::string& text) { return testsupport::runScript(host, text, "t.txt"); }
    Picture shot(const std::string& name) {
        return testsupport::scriptedScreenshot(host, scratch.path() / name).value();
    }

    HeadlessHost host{1};
    std::shared_ptr<Record> record;
};

TEST_F(HeadlessRun, DeliversScriptedFingersAndTapsToTheViewUnderThem) {
    EXPECT_EQ(run("down 3 100 300\nmove 3 110.5 320\ndown 4 200 400\nup 3 110.5 320\nup 4 "
                  "201 401\n"),
              "");
    using enum TouchPhase;
    EXPECT_EQ(testsupport::touchesOf(*record), (testsupport::Touches{{Began, {100, 50}},
                                                                     {Moved, {110.5f, 70}},
                                                                     {Began, {200, 150}},
                                                                     {Ended, {110.5f, 70}},
                                                                     {Ended, {201, 151}}}));
    EXPECT_EQ(host.window()->activeTouchCount(), 0u);

    // A finger can neither come down twice nor move or lift before it came down.
    EXPECT_EQ(run("down 1 10 300\n\ndown 1 10 300\n"), "t.txt:3: finger 1 is already down");
    EXPECT_EQ(run("move 2 10 300\n"), "t.txt:1: finger 2 is not down");
    EXPECT_EQ(run("up 1 10 300\nup 1 10 300\n"), "t.txt:2: finger 1 is not down");

    // Taps take their time and count as the platform counts them.
    record->recorder->received.clear();
    EXPECT_EQ(run("tap 160 300\nwait 0.1\ntap 162 301\nwait 1\ntap 160 300\n"), "");
    const auto& got = record->recorder->received;
    ASSERT_EQ(got.size(), 6u);
    EXPECT_EQ(got[0].tapCount, 1);
    EXPECT_DOUBLE_EQ(got[0].time, 0.0);
    EXPECT_DOUBLE_EQ(got[1].time, Script::kTapDuration);
    EXPECT_EQ(got[2].tapCount, 2); // soon after and close to the first
    EXPECT_EQ(got[4].tapCount, 1); // a second later counts afresh
    EXPECT_NEAR(platform::RunLoop::main().now(), 3 * 0.05 + 0.1 + 1.0, 1e-9);
}

TEST_F(HeadlessRun, ScreenshotsShowTheViewsUnderAFixedStatusBar) {
    if (platform::GLContext::shared() == nullptr) {
        GTEST_SKIP() << "no GL: " << platform::GLContext::lastError();
    }
    const Picture portrait = shot("portrait.png");
    ASSERT_EQ(portrait.size(), (platform::Size{320, 480}));
    EXPECT_EQ(portrait.pixelAt(10, 100), (Pixel{255, 0, 0, 255}));
    EXPECT_EQ(portrait.pixelAt(10, 300), (Pixel{0, 0, 255, 255}));
    EXPECT_EQ(portrait.pixelAt(2, 2), (Pixel{0, 0, 0, 255}));          // the bar
    EXPECT_EQ(portrait.pixelAt(300, 10), (Pixel{255, 255, 255, 255})); // its full battery
    // The same script makes the same picture: the bar does not show the real time. (Scale 2
    // doubling the picture is pinned by the editor's reference screenshots.)
    const Picture again = shot("again.png");
    EXPECT_EQ(*again.pixels(), *portrait.pixels());

    // A lifted finger turns the recorder green once its delayed call ran, not before; the
    // bar moves to the right edge when the device turns with its home button to the right.
    EXPECT_EQ(run("tap 10 300\nwait 0.2\n"), "");
    EXPECT_EQ(record->recorder->reactions, 0);
    EXPECT_EQ(run("wait 0.2\nrotate 3\npaint 1 1 0\n"), "");
    const Picture turned = shot("turned.png");
    EXPECT_EQ(turned.pixelAt(10, 300), (Pixel{0, 255, 0, 255}));
    EXPECT_EQ(turned.pixelAt(10, 100), (Pixel{255, 255, 0, 255}));
    EXPECT_EQ(turned.pixelAt(310, 100), (Pixel{0, 0, 0, 255}));
    EXPECT_EQ(turned.pixelAt(309, 460), (Pixel{255, 255, 255, 255})); // battery, turned
    EXPECT_EQ(turned.pixelAt(2, 2), (Pixel{0, 0, 0, 255}));           // no view there
}

TEST_F(HeadlessRun, OtherCommandsGoToTheApplicationAndOnlyAWaitDeliversCompletions) {
    platform::RunLoop& loop = platform::RunLoop::main();
    std::vector<std::string> log;
    loop.performAfterDelay(this, "timer", 0.05, [&] { log.push_back("timer"); });
    platform::BackgroundQueue queue(loop);
    queue.submit(nullptr, 0, [&]() -> platform::RunLoop::Call {
        return [&] { log.push_back("completion at " + std::to_string(loop.now())); };
    });
    // The application's errors name the line. Other commands never show a completion,
    // however soon the worker is done.
    EXPECT_EQ(run("paint 0 1 0\n# a comment\nprss effect\n"), "t.txt:3: unknown command 'prss'");
    EXPECT_EQ(record->commands, (std::vector<std::string>{"paint", "prss"}));
    EXPECT_EQ(record->colour->backgroundColor()->green, 1.0f);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(run("wait 0.1\n"), "");
    EXPECT_EQ(log, (std::vector<std::string>{"completion at 0.000000", "timer"}));
}

TEST_F(HeadlessRun, TerminateEndsTheApplicationAndRunHostReadsTheScriptAndEndsIt) {
    EXPECT_EQ(run("terminate\n"), "");
    EXPECT_EQ(run("tap 10 10\n"), "t.txt:1: the application has already terminated");
    EXPECT_TRUE(record->terminated);

    const auto good = scratch.path() / "good.txt";
    testsupport::writeText(good, "tap 10 300\r\nwait 0.5\r\n");
    platform::HostOptions options;
    options.headless = true;
    options.scale = 1;
    options.script = good.string();
    auto first = std::make_shared<Record>();
    EXPECT_EQ(platform::runHost(options, testsupport::factoryFor(first)), 0);
    EXPECT_TRUE(first->terminated);
    EXPECT_EQ(first->recorder->reactions, 1);

    // A failing command after the application started still ends it through its terminate
    // path. (A faulty line stops the run before it starts: the editor's process test.)
    const auto bad = scratch.path() / "bad.txt";
    testsupport::writeText(bad, "tap 10 300\nfly\n");
    options.script = bad.string();
    auto second = std::make_shared<Record>();
    EXPECT_EQ(platform::runHost(options, testsupport::factoryFor(second)), 1);
    EXPECT_TRUE(second->terminated);
}

} // namespace
