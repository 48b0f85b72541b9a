#pragma once

#include "platform/base/RunLoop.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

namespace platform {

// Worker threads for what must not hold up the main thread (file listing, decoding,
// writing). A job's work runs on a worker and answers the call that hands its result back;
// that call runs on the run loop's thread. Queued jobs run highest priority first, then in
// submission order; their priority can be raised (the thumbnails on screen first) and they
// can be cancelled until a worker takes them. Every job counts as one of the run loop's
// background jobs from submission until its completion is posted, or until it is
// cancelled.
class BackgroundQueue {
public:
    using JobId = std::uint64_t;
    // Runs on a worker; answers what the run loop's thread is to do with the result (an
    // empty call when nothing).
    using Work = std::function<RunLoop::Call()>;

    // `threads` workers (at least one) that post to `loop`, which must outlive the queue.
    explicit BackgroundQueue(RunLoop& loop, int threads = 1);
    // Runs the jobs still queued, then ends the workers: an owner that no longer wants its
    // queued jobs cancels them first.
    ~BackgroundQueue();
    BackgroundQueue(const BackgroundQueue&) = delete;
    BackgroundQueue& operator=(const BackgroundQueue&) = delete;

    // Queues `work`. `owner` is never dereferenced: it only names the jobs for cancelAll().
    JobId submit(const void* owner, int priority, Work work);
    // False when the job is no longer queued (taken by a worker, done or cancelled).
    bool setPriority(JobId job, int priority);
    bool cancel(JobId job);
    // Cancels every queued job of `owner`; answers how many.
    int cancelAll(const void* owner);

private:
    // Queue order: higher priority first, then earlier submission.
    struct Order {
        int priority;
        JobId id;
        bool operator<(const Order& other) const {
            return priority != other.priority ? priority > other.priority : id < other.id;
        }
    };
    struct Job {
        const void* owner;
        Work work;
    };

    void serve();

    RunLoop& loop_; // not owned
    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<Order, Job> queued_;
    std::unordered_map<JobId, int> priorities_;
    JobId nextId_ = 1;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

} // namespace platform
