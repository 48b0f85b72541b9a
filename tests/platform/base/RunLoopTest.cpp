#include "platform/base/RunLoop.h"

#include "platform/base/NotificationCenter.h"

#include <atomic>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace {

using platform::RunLoop;
using platform::VirtualClock;

struct VirtualLoop : ::testing::Test {
    std::shared_ptr<VirtualClock> clock = std::make_shared<VirtualClock>(100.0);
    RunLoop loop{clock};
    std::vector<std::string> log;
};

TEST_F(VirtualLoop, DelayedCallsRunAtTheirTimeInDueThenSchedulingOrder) {
    const int a = 0, b = 0;
    loop.performAfterDelay(&a, "late", 0.5, [&] { log.push_back("late"); });
    loop.performAfterDelay(&a, "first", 0.3, [&] { log.push_back("first"); });
    loop.performAfterDelay(&b, "second", 0.3, [&] { log.push_back("second"); });

    loop.advance(0.29);
    EXPECT_TRUE(log.empty());
    loop.advance(0.01);
    EXPECT_EQ(log, (std::vector<std::string>{"first", "second"}));
    EXPECT_DOUBLE_EQ(clock->now(), 100.3);
    loop.advance(1.0);
    EXPECT_EQ(log.back(), "late");
    EXPECT_FALSE(loop.nextFireTime());
}

TEST_F(VirtualLoop, CancellingIsPerTargetAndAction) {
    const int a = 0, b = 0;
    loop.performAfterDelay(&a, "click", 0.3, [&] { log.push_back("a-click"); });
    loop.performAfterDelay(&a, "other", 0.3, [&] { log.push_back("a-other"); });
    loop.performAfterDelay(&b, "click", 0.3, [&] { log.push_back("b-click"); });
    loop.cancelPrevious(&a, "click");
    EXPECT_FALSE(loop.hasPending(&a, "click"));
    EXPECT_TRUE(loop.hasPending(&b, "click"));
    loop.advance(1.0);
    EXPECT_EQ(log, (std::vector<std::string>{"a-other", "b-click"}));

    loop.performAfterDelay(&a, "x", 0.1, [&] { log.push_back("x"); });
    loop.performAfterDelay(&a, "y", 0.1, [&] { log.push_back("y"); });
    loop.cancelPrevious(&a);
    loop.advance(1.0);
    EXPECT_EQ(log.size(), 2u);
}

TEST_F(VirtualLoop, CallsMayScheduleAndCancelWhileRunning) {
    const int a = 0;
    loop.performAfterDelay(&a, "outer", 0.1, [&] {
        log.push_back("outer");
        loop.performAfterDelay(&a, "now", 0.0, [&] { log.push_back("now"); });
        loop.performAfterDelay(&a, "later", 0.2, [&] { log.push_back("later"); });
        loop.cancelPrevious(&a, "doomed");
    });
    loop.performAfterDelay(&a, "doomed", 0.1, [&] { log.push_back("doomed"); });
    loop.advance(0.1);
    EXPECT_EQ(log, (std::vector<std::string>{"outer", "now"}));
    loop.advance(0.2);
    EXPECT_EQ(log.back(), "later");
}

TEST_F(VirtualLoop, FrameObserversSeeIntermediateTimes) {
    const int owner = 0;
    std::vector<double> seen;
    loop.addFrameObserver(&owner, [&](double t) { seen.push_back(t); });
    loop.advance(0.1, 0.025);
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_DOUBLE_EQ(seen.front(), 100.025);
    EXPECT_DOUBLE_EQ(seen.back(), 100.1);
    loop.removeFrameObserver(&owner);
    loop.advance(0.1);
    EXPECT_EQ(seen.size(), 4u);
}

TEST(RealLoop, RunsCallsPostedFromOtherThreadsInPostingOrderAfterWakingTheHost) {
    RunLoop loop(std::make_shared<platform::RealClock>());
    EXPECT_FALSE(loop.advance(1.0));
    EXPECT_EQ(loop.virtualClock(), nullptr);
    std::atomic<int> wakes = 0;
    loop.setWakeUp([&] { ++wakes; });
    std::vector<int> seen;
    std::thread([&] {
        for (int i = 0; i < 3; ++i) {
            loop.post([&seen, i] { seen.push_back(i); });
        }
    }).join();
    EXPECT_EQ(wakes, 3);
    EXPECT_TRUE(loop.hasPosted());
    EXPECT_EQ(loop.fireDueCalls(), 3);
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2}));
    EXPECT_FALSE(loop.hasPosted());
}

TEST_F(VirtualLoop, PostedCallsWaitForTheBackgroundJobsInsteadOfTheNextTurn) {
    loop.beginBackgroundJob();
    std::thread([&] {
        loop.post([&] { log.push_back("completion"); });
        loop.endBackgroundJob();
    }).join();
    // However soon a job ends, a virtual-clock turn does not show its completion.
    EXPECT_EQ(loop.fireDueCalls(), 0);
    loop.advance(1.0);
    EXPECT_TRUE(log.empty());
    loop.waitForBackgroundJobs();
    EXPECT_EQ(log, (std::vector<std::string>{"completion"}));
    EXPECT_EQ(loop.backgroundJobs(), 0);
}

TEST(NotificationCenterTest, DeliversByNameAndSenderInRegistrationOrderToLiveObservers) {
    platform::NotificationCenter center;
    std::vector<std::string> log;
    const int one = 0, two = 0, sender = 0, other = 0;
    center.addObserver(&one, "rotate", nullptr, [&](const auto&) { log.push_back("one"); });
    center.addObserver(&two, "rotate", &sender, [&](const auto&) { log.push_back("two"); });
    center.post("rotate", &other);
    EXPECT_EQ(log, (std::vector<std::string>{"one"}));
    center.post("rotate", &sender);
    EXPECT_EQ(log, (std::vector<std::string>{"one", "one", "two"}));
    center.post("other", &sender);
    EXPECT_EQ(log.size(), 3u);

    // An observer removed during delivery is not called.
    center.addObserver(&other, "n", nullptr, [&](const auto&) {
        log.push_back("first");
        center.removeObserver(&one);
    });
    center.addObserver(&one, "n", nullptr, [&](const auto&) { log.push_back("removed"); });
    center.post("n", nullptr);
    EXPECT_EQ(log.back(), "first");
}

} // namespace
