#pragma once

#include "platform/base/Clock.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The main thread's run loop: one-shot delayed calls identified by target and action
// (so they can be cancelled), frame observers that are told whenever time moved
// (animations hang on these), and calls that other threads hand back to the main thread.
// Everything but the members marked "any thread" belongs to the main thread.
class RunLoop {
public:
    using Call = std::function<void()>;
    using FrameObserver = std::function<void(double now)>;

    explicit RunLoop(std::shared_ptr<Clock> clock);

    // The process's main run loop. It starts on the real clock; scripted runs and
    // tests switch it to a virtual one with reset().
    static RunLoop& main();

    // Drops every pending call and observer and continues on the given clock.
    void reset(std::shared_ptr<Clock> clock);

    double now() const { return clock_->now(); }
    const Clock& clock() const { return *clock_; }
    // The virtual clock this loop runs on, or nullptr on the real clock.
    VirtualClock* virtualClock() const { return virtual_; }

    // Calls `call` once, `delay` seconds from now (a negative delay counts as 0).
    // `target` is never dereferenced: together with `action` it only names the call.
    void performAfterDelay(const void* target, std::string action, double delay, Call call);
    // Forgets the pending calls of target with this action / with any action.
    void cancelPrevious(const void* target, std::string_view action);
    void cancelPrevious(const void* target);
    bool hasPending(const void* target, std::string_view action) const;

    // Runs every call due at the current time, earliest first and, for equal times,
    // in the order they were scheduled. Calls scheduled by these calls that are due
    // at once run in the same pass. On the real clock the calls posted from other threads
    // run first, in posting order. On a virtual clock they wait for
    // waitForBackgroundJobs(): there time is the script's, and a completion showing up
    // whenever a thread happens to finish would make two runs differ. Answers how many ran.
    int fireDueCalls();
    std::optional<double> nextFireTime() const;

    void addFrameObserver(const void* owner, FrameObserver observer);
    void removeFrameObserver(const void* owner);
    bool hasFrameObservers() const { return !observers_.empty(); }
    // Tells every frame observer the current time.
    void notifyFrame();

    // Any thread: hands `call` to the main thread, which runs it from fireDueCalls() or
    // waitForBackgroundJobs(), in posting order, and wakes the host.
    void post(Call call);
    // Called (on the posting thread, so it must be thread-safe) whenever a call is posted,
    // so that a host asleep in its event loop wakes up; nothing by default.
    void setWakeUp(std::function<void()> wakeUp);
    bool hasPosted() const;

    // Any thread: counts the background jobs that are queued or running. A job's work
    // posts its completion before it ends, so once none is outstanding every completion
    // is waiting in the posted calls.
    void beginBackgroundJob();
    void endBackgroundJob();
    int backgroundJobs() const;
    // Blocks until no background job is outstanding and nothing is posted, running the
    // posted calls as they arrive (a completion may start further jobs). Scripted runs
    // wait here before time moves, so a script sees every completion at the same step.
    void waitForBackgroundJobs();

    // Virtual clock only: moves time forward by `seconds`, stopping at every pending
    // call's time to run it and at least every `frameStep` seconds to notify the frame
    // observers. Answers false (and does nothing) on the real clock.
    bool advance(double seconds, double frameStep = 1.0 / 60.0);

private:
    // Runs the calls posted so far; answers how many.
    int runPosted();

    struct Pending {
        std::uint64_t serial;
        double due;
        const void* target;
        std::string action;
        Call call;
    };
    struct Observer {
        const void* owner;
        FrameObserver observer;
    };

    std::shared_ptr<Clock> clock_;
    VirtualClock* virtual_ = nullptr;
    std::vector<Pending> pending_;
    std::vector<Observer> observers_;
    std::uint64_t nextSerial_ = 0;

    // What other threads touch, under the lock: the posted calls, the wake-up (called with
    // the lock held, so a host that clears it knows no thread is still inside) and the
    // count of background jobs.
    mutable std::mutex crossThread_;
    std::condition_variable crossThreadChanged_;
    std::vector<Call> posted_;
    std::function<void()> wakeUp_;
    int backgroundJobs_ = 0;
};

} // namespace platform
