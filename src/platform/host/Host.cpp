#include "platform/host/Host.h"

#include "platform/host/HeadlessHost.h"
#include "platform/host/Script.h"
#include "platform/ui/Window.h"

#include <cstdio>
#include <dlfcn.h>
#include <fstream>
#include <iostream>
#include <iterator>
#include <malloc.h>
#include <sstream>
#include <string_view>

namespace platform {

namespace {

constexpr int kMaxScale = 8;
constexpr int kMallocMapThreshold = 128 * 1024;

bool readScript(const std::string& path, std::string& text) {
    if (path == "-") {
        std::ostringstream all;
        all << std::cin.rdbuf();
        text = all.str();
        return !std::cin.bad();
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    text.assign(std::istreambuf_iterator<char>(in), {});
    return !in.bad();
}

// The window host lives in a module of its own with SDL2 behind it (see CMakeLists.txt),
// loaded only when a window is wanted; it stays loaded for the rest of the process.
int runInWindow(const HostOptions& options, const ApplicationFactory& factory) {
    using Entry = decltype(&pixelloRunWindowHost);
    void* module = dlopen(PIXELLO_WINDOW_MODULE, RTLD_NOW | RTLD_LOCAL);
    const auto entry = module != nullptr
                           ? reinterpret_cast<Entry>(dlsym(module, "pixelloRunWindowHost"))
                           : nullptr;
    if (entry == nullptr) {
        const char* why = dlerror();
        std::fprintf(stderr, "%s: cannot load the window host: %s\n", options.programName.c_str(),
                     why != nullptr ? why : "no entry point");
        return 1;
    }
    return entry(&options, &factory);
}

int runHeadless(const HostOptions& options, const ApplicationFactory& factory) {
    const char* name = options.programName.c_str();
    std::optional<Script> script = Script();
    if (!options.script.empty()) {
        std::string text;
        if (!readScript(options.script, text)) {
            std::fprintf(stderr, "%s: cannot read the script '%s'\n", name, options.script.c_str());
            return 2;
        }
        std::string error;
        script = Script::parse(text, options.script == "-" ? "stdin" : options.script, error);
        if (!script) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
    }
    HeadlessHost host(options.scale);
    std::string error;
    if (!host.launch(factory, error)) {
        std::fprintf(stderr, "%s: %s\n", name, error.c_str());
        return 1;
    }
    const bool ok = host.run(*script, error);
    // The application ends through its terminate path also after a failed command, so
    // what it holds is saved as at any other end.
    host.terminate();
    if (!ok) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    return 0;
}

} // namespace

bool HostedRun::launch(const ApplicationFactory& factory, std::string& error,
                       const std::function<void(Application&)>& prepare) const {
    if (application != nullptr) {
        error = "the application is already running";
        return false;
    }
    window = std::make_shared<Window>();
    hosted = factory(*window);
    if (hosted.delegate == nullptr) {
        window.reset();
        error = "the application could not be made";
        return false;
    }
    application = std::make_unique<Application>(hosted.delegate.get());
    if (prepare) {
        prepare(*application);
    }
    application->launch();
    return true;
}

bool HostedRun::terminate() const {
    if (application == nullptr) {
        return false;
    }
    application->terminate();
    hosted = {};
    application.reset();
    window.reset();
    return true;
}

HostOptions::Parsed HostOptions::parseArgument(int& index, int argc, char** argv,
                                               std::string& error) {
    const std::string_view arg(argv[index]);
    if (arg == "--headless") {
        headless = true;
        return Parsed::taken;
    }
    // An option's value, given as "--name VALUE" or "--name=VALUE".
    auto value = [&](std::string_view option, std::string_view& out) {
        if (arg == option) {
            if (index + 1 >= argc) {
                return false;
            }
            out = argv[++index];
            return true;
        }
        out = arg.substr(option.size() + 1);
        return true;
    };
    const auto isOption = [&](std::string_view option) {
        return arg == option ||
               (arg.starts_with(option) && arg.size() > option.size() && arg[option.size()] == '=');
    };
    std::string_view given;
    if (isOption("--script")) {
        if (!value("--script", given) || given.empty()) {
            error = "--script needs a file (or - for standard input)";
            return Parsed::failed;
        }
        script = std::string(given);
        return Parsed::taken;
    }
    if (isOption("--scale")) {
        const bool present = value("--scale", given);
        const auto n = present ? parseScriptInteger(given) : std::nullopt;
        if (!n || *n < 1 || *n > kMaxScale) {
            error = "--scale needs a whole number from 1 to 8";
            return Parsed::failed;
        }
        scale = *n;
        return Parsed::taken;
    }
    return Parsed::notMine;
}

bool HostOptions::validate(std::string& error) const {
    if (!script.empty() && !headless) {
        error = "--script runs only headless: add --headless";
        return false;
    }
    return true;
}

const char* HostOptions::usage() {
    return "  --headless      run without a window, on a virtual clock\n"
           "  --script FILE   with --headless: run the commands in FILE (- for standard input)\n"
           "  --scale N       pixels per point of the window and screenshots (1-8, default 2)\n";
}

int runHost(const HostOptions& options, const ApplicationFactory& factory) {
    // Pictures, read-backs and sprites are megabytes each and come and go with every edit.
    // A fixed threshold keeps such buffers in their own mappings, which go back to the
    // system when freed, instead of letting glibc raise the threshold and keep freed
    // pictures resident in its heaps (about 4 MB of peak memory in an editing run).
    mallopt(M_MMAP_THRESHOLD, kMallocMapThreshold);
    if (options.headless) {
        return runHeadless(options, factory);
    }
    return runInWindow(options, factory);
}

} // namespace platform
