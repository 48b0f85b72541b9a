#pragma once

#include "platform/base/Clock.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The main thread's run loop: one-shot delayed calls identified by target and action
// (so they can be cancelled), and frame observers that are told whenever time moved
// (animations hang on these).
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
    // at once run in the same pass. Answers how many ran.
    int fireDueCalls();
    std::optional<double> nextFireTime() const;

    void addFrameObserver(const void* owner, FrameObserver observer);
    void removeFrameObserver(const void* owner);
    bool hasFrameObservers() const { return !observers_.empty(); }
    // Tells every frame observer the current time.
    void notifyFrame();

    // Virtual clock only: moves time forward by `seconds`, stopping at every pending
    // call's time to run it and at least every `frameStep` seconds to notify the frame
    // observers. Answers false (and does nothing) on the real clock.
    bool advance(double seconds, double frameStep = 1.0 / 60.0);

private:
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
};

} // namespace platform
