#pragma once

#include <filesystem>

namespace platform {

// Where the application keeps the user's documents: $XDG_DATA_HOME/pixello, by default
// ~/.local/share/pixello. The command line (--data-dir) and tests point it elsewhere.
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
};

} // namespace platform
