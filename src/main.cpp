#include "Pixello/PixelloAppDelegate.h"
#include "ZevkoCore/ZVKApplicationModel.h"
#include "platform/Application.h"
#include "platform/Paths.h"
#include "platform/Window.h"

#include <cstdio>
#include <filesystem>
#include <string_view>

namespace {

void printUsage(std::FILE* out) {
    std::fputs("Usage: pixello [--data-dir DIR] [--headless]\n"
               "  --data-dir DIR  keep the history and settings in DIR\n"
               "                  (default: $XDG_DATA_HOME/pixello or ~/.local/share/pixello)\n"
               "  --headless      run without a window: start the editor, draw the first\n"
               "                  frame of the current picture, save and end\n"
               "  --help          show this text\n",
               out);
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg(argv[i]);
        std::string_view dataDir;
        if (arg == "--help" || arg == "-h") {
            printUsage(stdout);
            return 0;
        }
        if (arg == "--headless") {
            continue;
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

    // There is no on-screen window yet: the application runs headless on a window of its
    // own, starts the kernel (which loads or creates the stored state), draws the main
    // screen's first frame, reports where the state lives and ends, saving on the way out.
    platform::Window window;
    PixelloAppDelegate delegate(&window);
    platform::Application application(&delegate);
    application.launch();
    PixelloKernel* kernel = delegate.kernel();
    if (kernel == nullptr) {
        std::fputs("pixello: the application could not start\n", stderr);
        return 1;
    }
    kernel->mainViewController()->view();
    if (kernel->mainViewController()->glView() == nullptr) {
        std::fputs("pixello: no GL context, nothing was drawn\n", stderr);
    }
    const auto storage = ZVKApplicationModel::storagePath();
    std::printf("Pixello storage file: %s\n",
                storage ? storage->c_str() : "(none: Info has no StorageFileName)");
    application.terminate();
    return 0;
}
