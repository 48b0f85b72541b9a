#include "platform/base/Application.h"

#include <algorithm>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {

namespace {

// Whether `text` starts with `prefix` (lower case), ignoring the case of ASCII letters only,
// so that the user's locale plays no part.
bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != prefix[i]) {
            return false;
        }
    }
    return true;
}

} // namespace

Application::~Application() {
    reapOpeners();
}

void Application::launch() {
    if (launched_) {
        return;
    }
    launched_ = true;
    if (delegate_ != nullptr) {
        delegate_->applicationDidFinishLaunching(*this);
    }
}

void Application::terminate() {
    if (!launched_ || terminated_) {
        return;
    }
    terminated_ = true;
    if (delegate_ != nullptr) {
        delegate_->applicationWillTerminate(*this);
    }
}

void Application::setStatusBarOrientation(int orientation, bool animated) {
    if (orientation < 1 || orientation > 4) {
        return;
    }
    statusBarOrientation_ = orientation;
    if (observer_) {
        observer_(orientation, animated);
    }
}

bool Application::isWebAddress(std::string_view url) {
    std::size_t host = 0;
    if (startsWithNoCase(url, "https://")) {
        host = 8;
    } else if (startsWithNoCase(url, "http://")) {
        host = 7;
    } else {
        return false;
    }
    // "http:///etc/passwd" names no host; openers read it as a local path.
    if (url.size() == host || url[host] == '/' || url[host] == '?' || url[host] == '#') {
        return false;
    }
    // Spaces and control characters (a zero byte included) never belong in an address.
    return std::none_of(url.begin(), url.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u <= 0x20 || u == 0x7f;
    });
}

bool Application::openURL(std::string_view url) {
    reapOpeners();
    if (!isWebAddress(url)) {
        return false;
    }
    std::string address(url);
    if (windowSession_ && !spawnOpener(address)) {
        return false;
    }
    lastOpenedURL_ = std::move(address);
    return true;
}

bool Application::spawnOpener(const std::string& url) {
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) {
        return false;
    }
    // The opener must not read the editor's own input (a script may come on standard input).
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    std::string program = urlOpener_;
    std::string argument = url;
    char* argv[] = {program.data(), argument.data(), nullptr};
    pid_t pid = 0;
    // glibc reports a program that can not be executed here, not in the child.
    const int error = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        return false;
    }
    openers_.push_back(pid);
    return true;
}

void Application::reapOpeners() {
    std::erase_if(openers_, [](pid_t pid) {
        int status = 0;
        const pid_t reaped = ::waitpid(pid, &status, WNOHANG);
        // Ended, or no longer ours to wait for.
        return reaped == pid || reaped < 0;
    });
}

void Application::reportFailedSave(std::string message) {
    if (failedSaves_++ == 0) {
        firstFailedSave_ = std::move(message);
    }
}

} // namespace platform
