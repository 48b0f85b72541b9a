#include "platform/base/RunLoop.h"

#include "platform/base/BackgroundQueue.h"
#include "platform/base/NotificationCenter.h"

#include <atomic>
#include <future>
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

TEST_F(VirtualLoop, DelayedCallsRunInDueThenSchedulingOrderUnlessCancelledEvenWhileRunning) {
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

    // Cancelling is per target and action.
    log.clear();
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

    // Calls may schedule and cancel while they run.
    log.clear();
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

using platform::BackgroundQueue;

struct Queue : VirtualLoop {};

TEST_F(Queue, RunsTheHighestPriorityFirstAndNeverWhatWasCancelled) {
    std::vector<std::string> ran;       // by the one worker, read once every job ended
    std::vector<std::string> completed; // on this thread
    const auto job = [&](std::string name) {
        return [&, name]() -> RunLoop::Call {
            ran.push_back(name);
            return [&, name] { completed.push_back(name); };
        };
    };
    std::promise<void> open;
    const int owner = 0, other = 0;
    BackgroundQueue queue(loop, 1);
    // Holds the worker until everything below is queued.
    queue.submit(&owner, 100, [&, gate = open.get_future().share()]() -> RunLoop::Call {
        gate.wait();
        ran.push_back("gate");
        return {};
    });
    const auto a = queue.submit(&owner, 0, job("a"));
    const auto b = queue.submit(&owner, 0, job("b"));
    queue.submit(&other, 0, job("c"));
    queue.submit(&other, 0, job("c2"));
    const auto d = queue.submit(&owner, 0, job("d"));
    EXPECT_TRUE(queue.setPriority(d, 5));
    EXPECT_TRUE(queue.cancel(b));
    EXPECT_FALSE(queue.cancel(b));
    EXPECT_EQ(queue.cancelAll(&other), 2);
    EXPECT_EQ(loop.backgroundJobs(), 3);

    open.set_value();
    loop.waitForBackgroundJobs();
    EXPECT_EQ(ran, (std::vector<std::string>{"gate", "d", "a"}));
    EXPECT_EQ(completed, (std::vector<std::string>{"d", "a"}));
    EXPECT_FALSE(queue.setPriority(a, 9));
    EXPECT_EQ(loop.backgroundJobs(), 0);
}

TEST_F(Queue, CompletionsRunOnTheLoopsThreadAndEndingRunsTheJobsStillQueued) {
    BackgroundQueue queue(loop, 2);
    std::vector<std::thread::id> where;
    const auto record = [&] { where.push_back(std::this_thread::get_id()); };
    queue.submit(nullptr, 0, [&]() -> RunLoop::Call {
        return [&] {
            record();
            queue.submit(nullptr, 0, [&]() -> RunLoop::Call { return record; });
        };
    });
    loop.waitForBackgroundJobs();
    const auto self = std::this_thread::get_id();
    EXPECT_EQ(where, (std::vector<std::thread::id>{self, self}));

    // Ending runs the jobs still queued.
    std::atomic<int> ran = 0;
    {
        BackgroundQueue ending(loop, 2);
        for (int i = 0; i < 20; ++i) {
            ending.submit(nullptr, i % 3, [&]() -> RunLoop::Call {
                ++ran;
                return {};
            });
        }
    }
    EXPECT_EQ(ran, 20);
    EXPECT_EQ(loop.backgroundJobs(), 0);
}

} // namespace
