#include "platform/base/BackgroundQueue.h"

#include <atomic>
#include <future>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace {

using platform::BackgroundQueue;
using platform::RunLoop;

struct Queue : ::testing::Test {
    RunLoop loop{std::make_shared<platform::VirtualClock>()};
};

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

TEST_F(Queue, CompletionsRunOnTheLoopsThreadAndMayQueueMore) {
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
}

TEST_F(Queue, EndingRunsTheJobsStillQueued) {
    std::atomic<int> ran = 0;
    {
        BackgroundQueue queue(loop, 2);
        for (int i = 0; i < 20; ++i) {
            queue.submit(nullptr, i % 3, [&]() -> RunLoop::Call {
                ++ran;
                return {};
            });
        }
    }
    EXPECT_EQ(ran, 20);
    EXPECT_EQ(loop.backgroundJobs(), 0);
}

} // namespace
