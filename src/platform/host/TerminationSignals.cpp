#include "platform/host/TerminationSignals.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// Where the handler writes. A handler gets nothing but the signal's number, so this one
// value has to be reachable from it; -1 while no TerminationSignals is installed.
std::atomic<int> handlerPipe{-1};
static_assert(std::atomic<int>::is_always_lock_free, "read inside a signal handler");

void onSignal(int signal) {
    const int saved = errno;
    const int fd = handlerPipe.load();
    if (fd >= 0) {
        const auto number = static_cast<unsigned char>(signal);
        // A full pipe already holds a signal for the host: nothing is lost.
        [[maybe_unused]] const ssize_t written = ::write(fd, &number, 1);
    }
    errno = saved;
}

std::string systemError(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

} // namespace

std::expected<std::unique_ptr<TerminationSignals>, Error> TerminationSignals::install() {
    if (handlerPipe.load() >= 0) {
        return failure("the termination signals are already taken");
    }
    int signalPipe[2];
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return failure(systemError("no pipe for the termination signals"));
    }
    int stopPipe[2];
    if (::pipe2(stopPipe, O_CLOEXEC) != 0) {
        const std::string why = systemError("no pipe for the termination signals");
        ::close(signalPipe[0]);
        ::close(signalPipe[1]);
        return failure(why);
    }
    std::unique_ptr<TerminationSignals> signals(
        new TerminationSignals(signalPipe[0], signalPipe[1], stopPipe[0], stopPipe[1]));
    handlerPipe.store(signalPipe[1]);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted reads and waits go on: the host looks at the pipe in its own time.
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        ::sigaction(kSignals[i], &action, &signals->previous_[i]);
    }
    return signals;
}

TerminationSignals::TerminationSignals(int readEnd, int writeEnd, int stopRead, int stopWrite)
    : readEnd_(readEnd), writeEnd_(writeEnd), stopRead_(stopRead), stopWrite_(stopWrite) {}

TerminationSignals::~TerminationSignals() {
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        ::sigaction(kSignals[i], &previous_[i], nullptr);
    }
    handlerPipe.store(-1);
    stopWatching();
    for (const int fd : {readEnd_, writeEnd_, stopRead_, stopWrite_}) {
        ::close(fd);
    }
}

int TerminationSignals::received() {
    if (received_ == 0) {
        unsigned char number = 0;
        if (::read(readEnd_, &number, 1) == 1) {
            received_ = number;
        }
    }
    return received_;
}

void TerminationSignals::wakeOnSignal(std::function<void()> wake) {
    stopWatching();
    watcher_ = std::thread([this, wake = std::move(wake)] {
        pollfd fds[] = {{readEnd_, POLLIN, 0}, {stopRead_, POLLIN, 0}};
        for (;;) {
            if (::poll(fds, 2, -1) < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return;
            }
            if ((fds[1].revents & POLLIN) != 0) {
                return;
            }
            if ((fds[0].revents & POLLIN) != 0) {
                // The byte stays in the pipe for received() on the host's thread.
                wake();
                return;
            }
        }
    });
}

void TerminationSignals::stopWatching() {
    if (!watcher_.joinable()) {
        return;
    }
    const char stop = 0;
    [[maybe_unused]] const ssize_t written = ::write(stopWrite_, &stop, 1);
    watcher_.join();
    // The next watcher must not find this stop request.
    char drained = 0;
    [[maybe_unused]] const ssize_t read = ::read(stopRead_, &drained, 1);
}

} // namespace platform
