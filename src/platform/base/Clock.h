#pragma once

namespace platform {

// Source of time for the run loop, delayed calls and animations, in seconds.
class Clock {
public:
    virtual ~Clock() = default;
    virtual double now() const = 0;
};

// Monotonic wall time, used by the windowed application.
class RealClock final : public Clock {
public:
    double now() const override;
};

// Time that only moves when told to: scripted runs and tests advance it by hand so
// that delays and animations are deterministic.
class VirtualClock final : public Clock {
public:
    explicit VirtualClock(double start = 0.0) : now_(start) {}
    double now() const override { return now_; }
    // Time never runs backwards; an earlier time is ignored.
    void setNow(double t);

private:
    double now_;
};

} // namespace platform
