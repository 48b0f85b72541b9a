#include "platform/base/RunLoop.h"

#include "platform/base/Assert.h"

#include <algorithm>
#include <limits>

namespace platform {

RunLoop::RunLoop(std::shared_ptr<Clock> clock) {
    reset(std::move(clock));
}

RunLoop& RunLoop::main() {
    static RunLoop loop(std::make_shared<RealClock>());
    return loop;
}

void RunLoop::reset(std::shared_ptr<Clock> clock) {
    clock_ = std::move(clock);
    virtual_ = dynamic_cast<VirtualClock*>(clock_.get());
    pending_.clear();
    observers_.clear();
    // Completions of the last run are dropped with its calls (outside the lock, as what
    // they hold may take its time to go); jobs still running stay counted until they end.
    std::vector<Call> dropped;
    const std::lock_guard lock(crossThread_);
    dropped.swap(posted_);
}

void RunLoop::performAfterDelay(const void* target, std::string action, double delay, Call call) {
    const double due = now() + std::max(delay, 0.0);
    pending_.push_back(Pending{nextSerial_++, due, target, std::move(action), std::move(call)});
}

void RunLoop::cancelPrevious(const void* target, std::string_view action) {
    std::erase_if(pending_,
                  [&](const Pending& p) { return p.target == target && p.action == action; });
}

void RunLoop::cancelPrevious(const void* target) {
    std::erase_if(pending_, [&](const Pending& p) { return p.target == target; });
}

bool RunLoop::hasPending(const void* target, std::string_view action) const {
    return std::any_of(pending_.begin(), pending_.end(),
                       [&](const Pending& p) { return p.target == target && p.action == action; });
}

int RunLoop::fireDueCalls() {
    int fired = virtual_ == nullptr ? runPosted() : 0;
    for (;;) {
        const double t = now();
        auto next = pending_.end();
        for (auto it = pending_.begin(); it != pending_.end(); ++it) {
            if (it->due <= t && (next == pending_.end() || it->due < next->due ||
                                 (it->due == next->due && it->serial < next->serial))) {
                next = it;
            }
        }
        if (next == pending_.end()) {
            return fired;
        }
        // Taken out before it runs, so the call may schedule or cancel freely.
        Call call = std::move(next->call);
        pending_.erase(next);
        call();
        ++fired;
    }
}

void RunLoop::post(Call call) {
    const std::lock_guard lock(crossThread_);
    posted_.push_back(std::move(call));
    crossThreadChanged_.notify_all();
    if (wakeUp_) {
        wakeUp_();
    }
}

void RunLoop::setWakeUp(std::function<void()> wakeUp) {
    const std::lock_guard lock(crossThread_);
    wakeUp_ = std::move(wakeUp);
}

bool RunLoop::hasPosted() const {
    const std::lock_guard lock(crossThread_);
    return !posted_.empty();
}

void RunLoop::beginBackgroundJob() {
    const std::lock_guard lock(crossThread_);
    ++backgroundJobs_;
}

void RunLoop::endBackgroundJob() {
    const std::lock_guard lock(crossThread_);
    PIXELLO_ASSERT(backgroundJobs_ > 0);
    --backgroundJobs_;
    crossThreadChanged_.notify_all();
}

int RunLoop::backgroundJobs() const {
    const std::lock_guard lock(crossThread_);
    return backgroundJobs_;
}

void RunLoop::waitForBackgroundJobs() {
    for (;;) {
        {
            std::unique_lock lock(crossThread_);
            crossThreadChanged_.wait(lock,
                                     [this] { return backgroundJobs_ == 0 || !posted_.empty(); });
            if (backgroundJobs_ == 0 && posted_.empty()) {
                return;
            }
        }
        runPosted();
    }
}

int RunLoop::runPosted() {
    // Taken out as a batch: calls posted while these run wait for the next turn, and a
    // call may post or wait freely.
    std::vector<Call> calls;
    {
        const std::lock_guard lock(crossThread_);
        calls.swap(posted_);
    }
    for (Call& call : calls) {
        call();
    }
    return static_cast<int>(calls.size());
}

std::optional<double> RunLoop::nextFireTime() const {
    if (pending_.empty()) {
        return std::nullopt;
    }
    double earliest = std::numeric_limits<double>::infinity();
    for (const Pending& p : pending_) {
        earliest = std::min(earliest, p.due);
    }
    return earliest;
}

void RunLoop::addFrameObserver(const void* owner, FrameObserver observer) {
    observers_.push_back(Observer{owner, std::move(observer)});
}

void RunLoop::removeFrameObserver(const void* owner) {
    std::erase_if(observers_, [&](const Observer& o) { return o.owner == owner; });
}

void RunLoop::notifyFrame() {
    // Observers may add or remove observers while being told; work on a snapshot and
    // skip those removed in the meantime.
    const std::vector<Observer> snapshot = observers_;
    for (const Observer& o : snapshot) {
        const bool stillThere = std::any_of(observers_.begin(), observers_.end(),
                                            [&](const Observer& x) { return x.owner == o.owner; });
        if (stillThere) {
            o.observer(now());
        }
    }
}

bool RunLoop::advance(double seconds, double frameStep) {
    if (virtual_ == nullptr) {
        return false;
    }
    const double end = now() + std::max(seconds, 0.0);
    const double step = frameStep > 0.0 ? frameStep : end - now();
    fireDueCalls();
    while (now() < end) {
        double next = std::min(end, now() + step);
        if (const auto due = nextFireTime(); due && *due<next&& * due> now()) {
            next = *due;
        }
        virtual_->setNow(next);
        fireDueCalls();
        notifyFrame();
        if (step <= 0.0) {
            break;
        }
    }
    return true;
}

} // namespace platform
