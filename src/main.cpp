#include "Pixello/PixelloHostDelegate.h"
#include "platform/base/Log.h"
#include "platform/base/Paths.h"
#include "platform/host/Host.h"
#include "platform/media/FrameSource.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace {

void printUsage(std::FILE* out) {
    std::fputs(
        "Usage: pixello [OPTION]... [FILE]\n"
        "Opens FILE (PNG, JPEG, WebP or HEIF) as a new picture once the editor has started.\n"
        "  --data-dir DIR        keep the history and settings in DIR\n"
        "                        (default: $XDG_DATA_HOME/pixello or ~/.local/share/pixello)\n"
        "  --pictures-dir DIR    the photo library and album folder\n"
        "                        (default: the XDG Pictures folder, else ~/Pictures)\n"
        "  --camera-picture FILE a camera that shows FILE\n",
        out);
    std::fputs(platform::HostOptions::usage(), out);
    std::fputs("  --version             print the version\n"
               "  --help                show this text\n",
               out);
}

// The value of "--name VALUE" or "--name=VALUE" at argv[i], moving i past it; nothing when
// argv[i] is another argument.
std::optional<std::string_view> optionValue(std::string_view name, int& i, int argc, char** argv) {
    const std::string_view arg(argv[i]);
    if (arg == name) {
        return i + 1 < argc ? std::string_view(argv[++i]) : std::string_view();
    }
    if (arg.starts_with(name) && arg.size() > name.size() && arg[name.size()] == '=') {
        return arg.substr(name.size() + 1);
    }
    return std::nullopt;
}

std::filesystem::path absolutePath(std::string_view path) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return ec ? std::filesystem::path(path) : absolute;
}

} // namespace

int main(int argc, char** argv) {
    platform::HostOptions options;
    options.programName = "pixello";
    options.windowTitle = "Pixello";
    options.scriptCommands = PixelloHostDelegate::checkCommand;
    std::filesystem::path openFile;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg(argv[i]);
        if (arg == "--help" || arg == "-h") {
            printUsage(stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("pixello %s\n", PIXELLO_VERSION);
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
        using Setter = void (*)(std::filesystem::path);
        static constexpr std::pair<std::string_view, Setter> kPathOptions[] = {
            {"--data-dir", platform::Paths::setDocumentsDirectory},
            {"--pictures-dir", platform::Paths::setPicturesDirectory},
            {"--camera-picture", platform::FrameSource::setCameraPicture},
        };
        bool known = false;
        for (const auto& [name, set] : kPathOptions) {
            if (const auto value = optionValue(name, i, argc, argv)) {
                if (value->empty()) {
                    platform::logFormatted("pixello: %s needs a path", std::string(name).c_str());
                    return 2;
                }
                set(absolutePath(*value));
                known = true;
                break;
            }
        }
        if (known) {
            continue;
        }
        if (arg.starts_with("-")) {
            platform::logFormatted("pixello: unknown option '%s' (try --help)", argv[i]);
            return 2;
        }
        if (!openFile.empty()) {
            platform::logLine("pixello: one FILE at a time");
            return 2;
        }
        openFile = absolutePath(arg);
    }
    if (const auto valid = options.validate(); !valid) {
        platform::logLine("pixello: " + valid.error().message);
        return 2;
    }
    return platform::runHost(options, [openFile](platform::Window& window) {
        return PixelloHostDelegate::hostedApplication(window, openFile);
    });
}
