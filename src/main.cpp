#include "Pixello/PixelloHostDelegate.h"
#include "platform/base/Log.h"
#include "platform/base/Paths.h"
#include "platform/host/Host.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace {

void printUsage(std::FILE* out) {
    std::fputs("Usage: pixello [--data-dir DIR] [--scale N] [--headless [--script FILE|-]]\n"
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
        if (arg == "--help" || arg == "-h") {
            printUsage(stdout);
            return 0;
        }
        const auto parsed = options.parseArgument(i, argc, argv);
        if (!parsed) {
            platform::logLine("pixello: " + parsed.error().message);
            return 2;
        }
        if (*parsed == platform::HostOptions::Parsed::taken) {
            continue;
        }
        std::string_view dataDir;
        if (arg == "--data-dir") {
            if (i + 1 >= argc) {
                platform::logLine("pixello: --data-dir needs a directory");
                return 2;
            }
            dataDir = argv[++i];
        } else if (arg.starts_with("--data-dir=")) {
            dataDir = arg.substr(std::string_view("--data-dir=").size());
        } else {
            platform::logFormatted("pixello: unknown option '%s' (try --help)", argv[i]);
            return 2;
        }
        if (dataDir.empty()) {
            platform::logLine("pixello: --data-dir needs a directory");
            return 2;
        }
        std::error_code ec;
        const std::filesystem::path absolute = std::filesystem::absolute(dataDir, ec);
        platform::Paths::setDocumentsDirectory(ec ? std::filesystem::path(dataDir) : absolute);
    }
    if (const auto valid = options.validate(); !valid) {
        platform::logLine("pixello: " + valid.error().message);
        return 2;
    }
    return platform::runHost(options, [](platform::Window& window) {
        return PixelloHostDelegate::hostedApplication(window);
    });
}
