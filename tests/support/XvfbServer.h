#pragma once

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

// A private X server for one test, so windowed tests never open windows on the
// developer's screen and run the same on CI. `screen` is Xvfb's WIDTHxHEIGHTxDEPTH.
class XvfbServer {
public:
    explicit XvfbServer(const char* screen = "1280x1024x24") {
        int fds[2];
        if (::pipe(fds) != 0 || (pid_ = ::fork()) < 0) {
            why_ = "cannot start Xvfb";
            return;
        }
        if (pid_ == 0) {
            ::close(fds[0]);
            // The server must not hold the test's output open after the test is gone.
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 1);
            ::dup2(null, 2);
            const std::string fd = std::to_string(fds[1]);
            // -noreset: a test that lets its window go and opens another must not find the
            // server resetting itself after its last client left.
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen, "-nolisten",
                     "tcp", "-noreset", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        // Xvfb writes its display number once it accepts clients.
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        while (::poll(&p, 1, 10000) > 0) {
            char c = 0;
            if (::read(fds[0], &c, 1) != 1 || c == '\n') {
                break;
            }
            number += c;
        }
        ::close(fds[0]);
        if (number.empty()) {
            int status = 0;
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, &status, 0);
            pid_ = -1;
            why_ = WIFEXITED(status) && WEXITSTATUS(status) == 127 ? "Xvfb is not installed"
                                                                   : "Xvfb did not start";
            return;
        }
        display_ = ":" + number;
    }
    ~XvfbServer() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            int status = 0;
            ::waitpid(pid_, &status, 0);
        }
    }
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool running() const { return !display_.empty(); }
    bool missing() const { return why_ == "Xvfb is not installed"; }
    const std::string& display() const { return display_; }
    const std::string& why() const { return why_; }

private:
    pid_t pid_ = -1;
    std::string display_;
    std::string why_;
};

} // namespace testsupport
