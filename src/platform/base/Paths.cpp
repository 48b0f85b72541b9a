#include "platform/base/Paths.h"

#include "platform/base/FileSystem.h"

#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <pwd.h>
#include <string>
#include <unistd.h>

namespace platform {

namespace {

std::optional<std::filesystem::path>& overrideDirectory() {
    static std::optional<std::filesystem::path> directory;
    return directory;
}

std::optional<std::filesystem::path>& overridePictures() {
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

std::filesystem::path homeDirectory(const char* home) {
    return (home != nullptr && home[0] == '/') ? std::filesystem::path(home)
                                               : homeFromPasswordDatabase();
}

// An XDG base directory variable counts only when it is absolute; an empty or relative
// value is invalid and must be ignored.
std::optional<std::filesystem::path> absoluteVariable(const char* value) {
    if (value != nullptr && value[0] == '/') {
        return std::filesystem::path(value);
    }
    return std::nullopt;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view skipBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    return text;
}

// The value of a line `XDG_PICTURES_DIR="…"` with the shell's backslash escapes undone;
// nothing for any other line or a value without its closing quote.
std::optional<std::string> picturesValue(std::string_view line) {
    constexpr std::string_view key = "XDG_PICTURES_DIR";
    line = skipBlanks(line);
    if (!line.starts_with(key)) {
        return std::nullopt;
    }
    line = skipBlanks(line.substr(key.size()));
    if (!line.starts_with('=')) {
        return std::nullopt;
    }
    line = skipBlanks(line.substr(1));
    if (!line.starts_with('"')) {
        return std::nullopt;
    }
    std::string value;
    for (std::size_t i = 1; i < line.size(); ++i) {
        if (line[i] == '"') {
            return value;
        }
        if (line[i] == '\\' && i + 1 < line.size()) {
            ++i;
        }
        value += line[i];
    }
    return std::nullopt;
}

} // namespace

std::filesystem::path Paths::defaultDocumentsDirectory(const char* xdgDataHome, const char* home) {
    if (const auto data = absoluteVariable(xdgDataHome)) {
        return *data / "pixello";
    }
    return homeDirectory(home) / ".local" / "share" / "pixello";
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

std::optional<std::filesystem::path>
Paths::picturesDirectoryFromUserDirs(std::string_view text, const std::filesystem::path& home) {
    std::optional<std::filesystem::path> found;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        const std::optional<std::string> value = picturesValue(line);
        if (!value) {
            continue;
        }
        // Only "$HOME" followed by nothing or a slash, or an absolute path: xdg-user-dirs
        // ignores relative entries.
        std::string path;
        if (value->starts_with("$HOME") && (value->size() == 5 || (*value)[5] == '/')) {
            path = home.string() + value->substr(5);
        } else if (value->starts_with('/')) {
            path = *value;
        } else {
            continue;
        }
        while (path.size() > 1 && path.back() == '/') {
            path.pop_back();
        }
        found = path;
    }
    return found;
}

std::filesystem::path Paths::defaultPicturesDirectory(const char* xdgConfigHome, const char* home) {
    const std::filesystem::path homeDir = homeDirectory(home);
    const std::filesystem::path config =
        absoluteVariable(xdgConfigHome).value_or(homeDir / ".config");
    if (const auto text = readFile(config / "user-dirs.dirs")) {
        const std::string_view view(reinterpret_cast<const char*>(text->data()), text->size());
        if (auto named = picturesDirectoryFromUserDirs(view, homeDir)) {
            return std::move(*named);
        }
    }
    return homeDir / "Pictures";
}

std::filesystem::path Paths::picturesDirectory() {
    if (const auto& chosen = overridePictures()) {
        return *chosen;
    }
    return defaultPicturesDirectory(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
}

void Paths::setPicturesDirectory(std::filesystem::path directory) {
    overridePictures() = std::move(directory);
}

void Paths::resetPicturesDirectory() {
    overridePictures().reset();
}

bool Paths::picturesDirectoryReadable() {
    const int fd = ::open(picturesDirectory().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    return true;
}

std::filesystem::path Paths::defaultCacheDirectory(const char* xdgCacheHome, const char* home) {
    return absoluteVariable(xdgCacheHome).value_or(homeDirectory(home) / ".cache");
}

std::filesystem::path Paths::cacheDirectory() {
    return defaultCacheDirectory(std::getenv("XDG_CACHE_HOME"), std::getenv("HOME"));
}

} // namespace platform
