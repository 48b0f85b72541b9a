#include "platform/base/Application.h"

#include "platform/base/Device.h"
#include "platform/base/NotificationCenter.h"
#include "support/TestEnvironment.h"

#include <chrono>
#include <sys/stat.h>
#include <thread>

namespace {

using namespace std::string_literals;

struct RecordingDelegate : platform::ApplicationDelegate {
    void applicationDidFinishLaunching(platform::Application& app) override {
        log.push_back("launch");
        EXPECT_TRUE(app.isLaunched());
    }
    void applicationWillTerminate(platform::Application&) override { log.push_back("terminate"); }
    std::vector<std::string> log;
};

TEST(Application, LaunchAndTerminateReachTheDelegateOnceAndTheStatusBarTakesFourOrientations) {
    RecordingDelegate delegate;
    platform::Application app(&delegate);
    app.terminate();
    EXPECT_TRUE(delegate.log.empty());
    app.launch();
    app.launch();
    app.terminate();
    app.terminate();
    EXPECT_EQ(delegate.log, (std::vector<std::string>{"launch", "terminate"}));
    EXPECT_TRUE(app.isTerminated());

    // The status bar takes only the four screen orientations.
    std::vector<std::pair<int, bool>> told;
    app.setStatusBarObserver([&](int o, bool animated) { told.emplace_back(o, animated); });
    EXPECT_EQ(app.statusBarOrientation(), 1);
    app.setStatusBarOrientation(3, true);
    app.setStatusBarOrientation(5, true);
    app.setStatusBarOrientation(0, false);
    app.setStatusBarOrientation(3, false);
    EXPECT_EQ(app.statusBarOrientation(), 3);
    EXPECT_EQ(told, (std::vector<std::pair<int, bool>>{{3, true}, {3, false}}));
}

// Headless nothing is started: the settings screen's tests record addresses without an opener.
TEST(Application, OpensOnlyWebAddresses) {
    platform::Application app(nullptr);
    for (const char* good :
         {"https://pixello.example.org/support", "http://example.org",
          "HTTPS://Example.org/a?b=c#d", "https://example.org/;$(touch${IFS}x)"}) {
        EXPECT_TRUE(app.openURL(good)) << good;
        EXPECT_EQ(app.lastOpenedURL(), good);
    }
    // A translation without the address gives its key; local files, other schemes, a missing
    // host, blanks and control characters are all refused and leave the record alone.
    for (const std::string& bad :
         {""s, "supportURL"s, "/usr/bin/xterm"s, "file:///etc/passwd"s, "javascript:alert(1)"s,
          "ftp://example.org"s, "https:example.org"s, "http://"s, "http:///etc/passwd"s,
          "https://example.org/a b"s, "https://example.org/\n"s, "https://example.org/\0x"s,
          "https://example.org/\x7f"s, " https://example.org"s, "-https://example.org"s}) {
        EXPECT_FALSE(app.openURL(bad)) << bad;
    }
    EXPECT_EQ(app.lastOpenedURL(), "https://example.org/;$(touch${IFS}x)");
}

TEST(Application, AWindowSessionHandsTheAddressToTheOpenerAsOneArgument) {
    testsupport::ScratchDirectory scratch;
    const auto out = scratch.path() / "opened";
    const auto marker = scratch.path() / "x";
    // Stands in for xdg-open: writes down how many arguments it got and the first one.
    const auto opener = scratch.path() / "opener";
    testsupport::writeText(opener, "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$1\" > '" + out.string() +
                                       ".tmp' && mv '" + out.string() + ".tmp' '" + out.string() +
                                       "'\n");
    ASSERT_EQ(::chmod(opener.c_str(), 0700), 0);

    platform::Application app(nullptr);
    app.setWindowSession(true);
    app.setURLOpener(opener.string());
    // Shell syntax in the address stays text: nothing runs it.
    const std::string tricky = "https://example.org/a;touch${IFS}" + marker.string() + "'$(id)";
    ASSERT_TRUE(app.openURL(tricky));
    EXPECT_EQ(app.lastOpenedURL(), tricky);
    for (int i = 0; i < 500 && !std::filesystem::exists(out); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(testsupport::readText(out), "1\n" + tricky + "\n");
    EXPECT_FALSE(std::filesystem::exists(marker));

    // An opener that can not be started is a failure, and nothing is recorded.
    app.setURLOpener((scratch.path() / "missing-opener").string());
    EXPECT_FALSE(app.openURL("https://example.org/other"));
    EXPECT_EQ(app.lastOpenedURL(), tricky);
}

using O = platform::DeviceOrientation;

struct DeviceTest : testsupport::PlatformTest {};

TEST_F(DeviceTest, OrientationIsPostedOnlyWhileNotificationsAreGeneratedAndResetSilences) {
    std::vector<O> seen;
    platform::NotificationCenter::defaultCenter().addObserver(
        this, std::string(platform::Device::kOrientationDidChangeNotification), nullptr,
        [&seen](const platform::Notification& n) {
            EXPECT_EQ(n.sender, &platform::Device::current());
            seen.push_back(platform::Device::current().orientation());
        });
    auto& device = platform::Device::current();
    const std::string model = device.model();
    EXPECT_FALSE(model.empty());
    EXPECT_EQ(device.orientation(), O::Portrait);
    device.setOrientation(O::LandscapeHomeRight);
    EXPECT_EQ(device.orientation(), O::LandscapeHomeRight);
    EXPECT_TRUE(seen.empty());

    device.beginGeneratingDeviceOrientationNotifications();
    device.setOrientation(O::FaceUp);
    device.setOrientation(O::FaceUp);
    device.setOrientation(O::Unknown);
    // Numbers outside the device's orientations are ignored.
    device.setOrientation(static_cast<O>(7));
    device.setOrientation(static_cast<O>(-1));
    EXPECT_EQ(device.orientation(), O::Unknown);
    EXPECT_EQ(seen, (std::vector<O>{O::FaceUp, O::FaceUp, O::Unknown}));
    device.endGeneratingDeviceOrientationNotifications();
    device.setOrientation(O::PortraitUpsideDown);
    EXPECT_EQ(seen.size(), 3u);

    device.setModel("iPhone");
    device.beginGeneratingDeviceOrientationNotifications();
    device.reset();
    EXPECT_EQ(device.model(), model);
    EXPECT_EQ(device.orientation(), O::Portrait);
    EXPECT_FALSE(device.isGeneratingDeviceOrientationNotifications());
}

} // namespace
