#include "platform/host/Host.h"

#include "platform/base/Installation.h"
#include "platform/base/Log.h"
#include "platform/host/HeadlessHost.h"
#include "platform/host/Script.h"
#include "platform/host/TerminationSignals.h"
#include "platform/ui/Window.h"

#include <dlfcn.h>
#include <malloc.h>
#include <string_view>

namespace platform {

namespace {

constexpr int kMaxScale = 8;
// A scripted run that ran every command but could not save all it did.
constexpr int kSaveFailedStatus = 3;
constexpr int kMallocMapThreshold = 128 * 1024;

// The window host lives in a module of its own with SDL2 behind it (see CMakeLists.txt),
// loaded only when a window is wanted, from beside the program or its installed library
// folder; it stays loaded for the rest of the process.
int runInWindow(const HostOptions& options, const ApplicationFactory& factory) {
    using Entry = decltype(&pixelloRunWindowHost);
    void* module = dlopen(Installation::current().windowModule.c_str(), RTLD_NOW | RTLD_LOCAL);
    const auto entry = module != nullptr
                           ? reinterpret_cast<Entry>(dlsym(module, "pixelloRunWindowHost"))
                           : nullptr;
    if (entry == nullptr) {
        const char* why = dlerror();
        logLine(options.programName +
                ": cannot load the window host: " + (why != nullptr ? why : "no entry point"));
        return 1;
    }
    return entry(&options, &factory);
}

int runHeadless(const HostOptions& options, const ApplicationFactory& factory) {
    const std::string& name = options.programName;
    Script script;
    if (!options.script.empty()) {
        const auto text = Script::read(options.script);
        if (!text) {
            logLine(name + ": " + text.error().message);
            return 2;
        }
        auto parsed = Script::parse(*text, options.script == "-" ? "stdin" : options.script,
                                    options.scriptCommands);
        if (!parsed) {
            logLine(parsed.error().message);
            return 1;
        }
        script = std::move(*parsed);
    }
    // Taken only now: until the script is read whole, a signal ends the process at once,
    // with nothing to save.
    auto signals = TerminationSignals::install();
    if (!signals) {
        logLine(name + ": " + signals.error().message);
    }
    const auto signalled = [&signals] { return signals ? (*signals)->received() : 0; };
    HeadlessHost host(options.scale);
    if (const auto launched = host.launch(factory); !launched) {
        logLine(name + ": " + launched.error().message);
        return 1;
    }
    const auto ran = host.run(script, [&signalled] { return signalled() != 0; });
    // The application ends through its terminate path also after a failed command or a
    // signal, so what it holds is saved as at any other end.
    host.terminate();
    if (const int signal = signalled(); signal != 0) {
        return TerminationSignals::exitStatus(signal);
    }
    if (!ran) {
        logLine(ran.error().message);
        return 1;
    }
    if (!host.failedSave().empty()) {
        logLine(name + ": " + host.failedSave());
        return kSaveFailedStatus;
    }
    return 0;
}

} // namespace

std::expected<void, Error>
HostedRun::launch(const ApplicationFactory& factory,
                  const std::function<void(Application&)>& prepare) const {
    if (application != nullptr) {
        return failure("the application is already running");
    }
    window = std::make_shared<Window>();
    hosted = factory(*window);
    if (hosted.delegate == nullptr) {
        window.reset();
        return failure("the application could not be made");
    }
    application = std::make_unique<Application>(hosted.delegate.get());
    if (prepare) {
        prepare(*application);
    }
    application->launch();
    return {};
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

std::expected<HostOptions::Parsed, Error> HostOptions::parseArgument(int& index, int argc,
                                                                     char** argv) {
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
            return failure("--script needs a file (or - for standard input)");
        }
        script = std::string(given);
        return Parsed::taken;
    }
    if (isOption("--scale")) {
        const bool present = value("--scale", given);
        const auto n = present ? parseScriptInteger(given) : std::nullopt;
        if (!n || *n < 1 || *n > kMaxScale) {
            return failure("--scale needs a whole number from 1 to 8");
        }
        scale = *n;
        scaleChosen = true;
        return Parsed::taken;
    }
    return Parsed::notMine;
}

std::expected<void, Error> HostOptions::validate() const {
    if (!script.empty() && !headless) {
        return failure("--script runs only headless: add --headless");
    }
    return {};
}

const char* HostOptions::usage() {
    return "  --headless      run without a window, on a virtual clock\n"
           "  --script FILE   with --headless: run the commands in FILE (- for standard input)\n"
           "  --scale N       pixels per point of the window and screenshots (1-8; default:\n"
           "                  the largest that fits the screen, 2 for screenshots)\n";
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
