#include "platform/base/Paths.h"

#include "platform/base/FileSystem.h"

#include <cstdlib>
#include <optional>
#include <pwd.h>
#include <unistd.h>

namespace platform {

namespace {

std::optional<std::filesystem::path>& overrideDirectory() {
    static std::optional<std::filesystem::path> directory;
    return directory;
}

std::filesystem::path homeFromPasswordDatabase() {
    // HOME may be unset under some service managers; the password database still knows.
    const passwd* pw = ::getpwuid(::getuid());
    if (pw != nullptr && pw->pw_dir != nullptr && pw->pw_dir[0] == '/') {
        return pw->pw_dir;
    }
    return "/tmp";
}

} // namespace

std::filesystem::path Paths::defaultDocumentsDirectory(const char* xdgDataHome, const char* home) {
    // A relative XDG_DATA_HOME is invalid and must be ignored.
    if (xdgDataHome != nullptr && xdgDataHome[0] == '/') {
        return std::filesystem::path(xdgDataHome) / "pixello";
    }
    const std::filesystem::path base = (home != nullptr && home[0] == '/')
                                           ? std::filesystem::path(home)
                                           : homeFromPasswordDatabase();
    return base / ".local" / "share" / "pixello";
}

std::filesystem::path Paths::documentsDirectory() {
    std::filesystem::path dir = overrideDirectory().value_or(
        defaultDocumentsDirectory(std::getenv("XDG_DATA_HOME"), std::getenv("HOME")));
    if (!isDirectory(dir)) {
        createDirectory(dir);
    }
    return dir;
}

void Paths::setDocumentsDirectory(std::filesystem::path directory) {
    overrideDirectory() = std::move(directory);
}

void Paths::resetDocumentsDirectory() {
    overrideDirectory().reset();
}

} // namespace platform
