#include "platform/base/BackgroundQueue.h"

#include <algorithm>

namespace platform {

BackgroundQueue::BackgroundQueue(RunLoop& loop, int threads) : loop_(loop) {
    const int count = std::max(threads, 1);
    workers_.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        workers_.emplace_back([this] { serve(); });
    }
}

BackgroundQueue::~BackgroundQueue() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& worker : workers_) {
        worker.join();
    }
}

BackgroundQueue::JobId BackgroundQueue::submit(const void* owner, int priority, Work work) {
    loop_.beginBackgroundJob();
    JobId id = 0;
    {
        const std::lock_guard lock(mutex_);
        id = nextId_++;
        queued_.emplace(Order{priority, id}, Job{owner, std::move(work)});
        priorities_.emplace(id, priority);
    }
    changed_.notify_one();
    return id;
}

bool BackgroundQueue::setPriority(JobId job, int priority) {
    const std::lock_guard lock(mutex_);
    const auto known = priorities_.find(job);
    if (known == priorities_.end()) {
        return false;
    }
    auto node = queued_.extract(Order{known->second, job});
    node.key().priority = priority;
    queued_.insert(std::move(node));
    known->second = priority;
    return true;
}

bool BackgroundQueue::cancel(JobId job) {
    Work dropped; // let go outside the lock: what the work holds may take its time to go
    {
        const std::lock_guard lock(mutex_);
        const auto known = priorities_.find(job);
        if (known == priorities_.end()) {
            return false;
        }
        const auto it = queued_.find(Order{known->second, job});
        dropped = std::move(it->second.work);
        queued_.erase(it);
        priorities_.erase(known);
    }
    loop_.endBackgroundJob();
    return true;
}

int BackgroundQueue::cancelAll(const void* owner) {
    std::vector<Work> dropped;
    {
        const std::lock_guard lock(mutex_);
        for (auto it = queued_.begin(); it != queued_.end();) {
            if (it->second.owner != owner) {
                ++it;
                continue;
            }
            priorities_.erase(it->first.id);
            dropped.push_back(std::move(it->second.work));
            it = queued_.erase(it);
        }
    }
    for (std::size_t i = 0; i < dropped.size(); ++i) {
        loop_.endBackgroundJob();
    }
    return static_cast<int>(dropped.size());
}

void BackgroundQueue::serve() {
    for (;;) {
        Work work;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return stopping_ || !queued_.empty(); });
            if (queued_.empty()) {
                return;
            }
            auto first = queued_.begin();
            priorities_.erase(first->first.id);
            work = std::move(first->second.work);
            queued_.erase(first);
        }
        RunLoop::Call completion = work();
        // The work goes before the job ends, so nothing it held outlives the count.
        work = nullptr;
        if (completion) {
            loop_.post(std::move(completion));
        }
        loop_.endBackgroundJob();
    }
}

} // namespace platform
