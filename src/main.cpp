#include "Pixello/PixelloAppDelegate.h"
#include "platform/Host.h"
#include "platform/Paths.h"
#include "platform/Window.h"

#include <cstdio>
#include <filesystem>
#include <string_view>

namespace {

void printUsage(std::FILE* out) {
    std::fputs("Usage: pixello [--data-dir DIR] [--scale N] [--headless [--script FILE]]\n"
               "  --data-dir DIR  keep the history and settings in DIR\n"
               "                  (default: $XDG_DATA_HOME/pixello or ~/.local/share/pixello)\n",
               out);
    std::fputs(platform::HostOptions::usage(), out);
    std::fputs("  --help          show this text\n", out);
}

} // namespace

int main(int argc, char** argv) {
    platform::HostOptions options;
    options.programName = "pixello";
    options.windowTitle = "Pixello";
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg(argv[i]);
        std::string_view dataDir;
        if (arg == "--help" || arg == "-h") {
            printUsage(stdout);
            return 0;
        }
        std::string error;
        switch (options.parseArgument(i, argc, argv, error)) {
        case platform::HostOptions::Parsed::taken:
            continue;
        case platform::HostOptions::Parsed::failed:
            std::fprintf(stderr, "pixello: %s\n", error.c_str());
            return 2;
        case platform::HostOptions::Parsed::notMine:
            break;
        }
        if (arg == "--data-dir") {
            if (i + 1 >= argc) {
                std::fputs("pixello: --data-dir needs a directory\n", stderr);
                return 2;
            }
            dataDir = argv[++i];
        } else if (arg.starts_with("--data-dir=")) {
            dataDir = arg.substr(std::string_view("--data-dir=").size());
        } else {
            std::fprintf(stderr, "pixello: unknown option '%s' (try --help)\n", argv[i]);
            return 2;
        }
        if (dataDir.empty()) {
            std::fputs("pixello: --data-dir needs a directory\n", stderr);
            return 2;
        }
        std::error_code ec;
        const std::filesystem::path absolute = std::filesystem::absolute(dataDir, ec);
        platform::Paths::setDocumentsDirectory(ec ? std::filesystem::path(dataDir) : absolute);
    }
    std::string error;
    if (!options.validate(error)) {
        std::fprintf(stderr, "pixello: %s\n", error.c_str());
        return 2;
    }

    // The window is the host's; the delegate makes the kernel in it once launched, and the
    // host ends the application through its terminate path, so the storage is saved.
    return platform::runHost(options, [](platform::Window& window) {
        platform::HostedApplication hosted;
        hosted.delegate = std::make_unique<PixelloAppDelegate>(&window);
        return hosted;
    });
}
