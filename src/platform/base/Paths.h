#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace platform {

// Where the application keeps the user's documents: $XDG_DATA_HOME/pixello, by default
// ~/.local/share/pixello. The command line (--data-dir) and tests point it elsewhere.
// Also where the user's pictures are and where caches go.
class Paths {
public:
    // The documents directory; created when it does not exist yet, as the user expects the
    // folder the application reports to be there.
    static std::filesystem::path documentsDirectory();
    static void setDocumentsDirectory(std::filesystem::path directory);
    // Back to the directory the environment gives.
    static void resetDocumentsDirectory();

    // The default rule, from the given environment values (either may be null).
    static std::filesystem::path defaultDocumentsDirectory(const char* xdgDataHome,
                                                           const char* home);

    // The user's pictures folder: the XDG user directory PICTURES (user-dirs.dirs in
    // $XDG_CONFIG_HOME, by default ~/.config), else ~/Pictures. Never created: the photo
    // library is unavailable while it is missing. The command line (--pictures-dir),
    // scripted runs and tests point it elsewhere.
    static std::filesystem::path picturesDirectory();
    static void setPicturesDirectory(std::filesystem::path directory);
    static void resetPicturesDirectory();
    // Whether the pictures folder exists and its entries can be listed.
    static bool picturesDirectoryReadable();

    // The default rule, from the given environment values (either may be null).
    static std::filesystem::path defaultPicturesDirectory(const char* xdgConfigHome,
                                                          const char* home);
    // The pictures folder a user-dirs.dirs text names, read as xdg-user-dirs writes it
    // (XDG_PICTURES_DIR="$HOME/Pictures" or an absolute path, the last such line winning);
    // nothing when no line names one properly.
    static std::optional<std::filesystem::path>
    picturesDirectoryFromUserDirs(std::string_view text, const std::filesystem::path& home);

    // Where per-user caches go: $XDG_CACHE_HOME, by default ~/.cache.
    static std::filesystem::path cacheDirectory();
    static std::filesystem::path defaultCacheDirectory(const char* xdgCacheHome, const char* home);
};

} // namespace platform
