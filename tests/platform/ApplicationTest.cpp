#include "platform/Application.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct RecordingDelegate : platform::ApplicationDelegate {
    void applicationDidFinishLaunching(platform::Application& app) override {
        log.push_back("launch");
        EXPECT_TRUE(app.isLaunched());
    }
    void applicationWillTerminate(platform::Application&) override { log.push_back("terminate"); }
    std::vector<std::string> log;
};

TEST(Application, LaunchAndTerminateReachTheDelegateOnceAndInOrder) {
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
}

TEST(Application, StatusBarTakesOnlyTheFourScreenOrientations) {
    platform::Application app(nullptr);
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

} // namespace
