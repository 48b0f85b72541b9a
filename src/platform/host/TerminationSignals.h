#pragma once

#include "platform/base/Error.h"

#include <expected>
#include <functional>
#include <memory>
#include <signal.h>
#include <thread>

namespace platform {

// SIGTERM, SIGINT and SIGHUP as a request to end, which the host answers through the
// application's terminate path (it saves) instead of the process dying on the spot. The
// handler only writes the signal's number into a pipe, which is all a handler may safely
// do; the host reads it in its loop. While one of these lives, the three signals no longer
// end the process; the handlers before it come back when it goes. One at a time.
class TerminationSignals {
public:
    // Fails when another one is installed or the pipe cannot be made.
    static std::expected<std::unique_ptr<TerminationSignals>, Error> install();
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // The first signal that came, 0 while none has. Never blocks.
    int received();
    // Calls `wake` once, on a thread of its own, when a signal comes: a host asleep in an
    // event loop is woken so that it asks received(). Only one such call is kept.
    void wakeOnSignal(std::function<void()> wake);
    // The conventional exit status of a process ended by `signal`.
    static int exitStatus(int signal) { return 128 + signal; }

private:
    TerminationSignals(int readEnd, int writeEnd, int stopRead, int stopWrite);
    void stopWatching();

    int readEnd_;
    int writeEnd_;
    // Ends the watcher thread of wakeOnSignal().
    int stopRead_;
    int stopWrite_;
    int received_ = 0;
    std::thread watcher_;
    struct sigaction previous_[3]{};
};

} // namespace platform
