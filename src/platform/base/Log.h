#pragma once

#include <functional>
#include <string_view>

namespace platform {

// Receives every diagnostic line, without its newline. Until a guard installs another,
// the lines go to standard error. A sink must not log itself.
using LogSink = std::function<void(std::string_view line)>;

// Hands one line to the current sink. Any thread may log: lines are handed over one at a
// time, never interleaved.
void logLine(std::string_view line);
// A line formatted as by printf.
[[gnu::format(printf, 1, 2)]] void logFormatted(const char* format, ...);

// Installs a sink for its lifetime, then puts the one it replaced back. Guards nest as
// scopes do. Once a guard is gone no thread is still inside the sink it installed.
class ScopedLogSink {
public:
    explicit ScopedLogSink(LogSink replacement);
    ~ScopedLogSink();
    ScopedLogSink(const ScopedLogSink&) = delete;
    ScopedLogSink& operator=(const ScopedLogSink&) = delete;

private:
    LogSink previous_;
};

} // namespace platform
