#include "platform/base/Log.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>
#include <utility>

namespace platform {

namespace {

void writeToStandardError(std::string_view line) {
    // One write per line, so that lines of other processes sharing the terminal do not
    // cut into it.
    std::string text(line);
    text += '\n';
    std::fwrite(text.data(), 1, text.size(), stderr);
}

// The process's one sink. The lock is held while a line is handed over, so lines never
// interleave and a guard that swaps the sink waits for a line in flight.
struct Sink {
    std::mutex mutex;
    LogSink current = writeToStandardError;
};

Sink& sink() {
    static Sink instance;
    return instance;
}

} // namespace

void logLine(std::string_view line) {
    Sink& s = sink();
    const std::lock_guard lock(s.mutex);
    s.current(line);
}

void logFormatted(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string line(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
    if (length > 0) {
        std::vsnprintf(line.data(), line.size() + 1, format, again);
    }
    va_end(again);
    logLine(line);
}

ScopedLogSink::ScopedLogSink(LogSink replacement) {
    Sink& s = sink();
    const std::lock_guard lock(s.mutex);
    previous_ = std::exchange(s.current, std::move(replacement));
}

ScopedLogSink::~ScopedLogSink() {
    Sink& s = sink();
    const std::lock_guard lock(s.mutex);
    s.current = std::move(previous_);
}

} // namespace platform
