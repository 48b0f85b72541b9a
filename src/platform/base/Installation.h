#pragma once

#include <filesystem>

namespace platform {

// Where the program's own files lie, found from the folder of its executable, so that the
// build folder, an installed prefix and a copy of either moved elsewhere (a staging folder,
// an unpacked package) all run. Nothing of the build machine's folders is compiled in.
//
// In the build folder the executable has `resources/` (with `Info`) beside it, and the
// window module too. Installed, the executable lies in PREFIX/bin and finds
// PREFIX/share/pixello, PREFIX/share/locale and PREFIX/lib/pixello/pixello-window.so.
struct Installation {
    std::filesystem::path resources;
    // The gettext folder: <lang>/LC_MESSAGES/<domain>.mo below it.
    std::filesystem::path locale;
    std::filesystem::path windowModule;

    // The layout around an executable in `executableDirectory`: the build folder's when
    // `resources/Info` lies beside it, the installed one otherwise.
    static Installation around(const std::filesystem::path& executableDirectory);
    // The layout of the running program (read once from /proc/self/exe).
    static const Installation& current();
    // The folder of the running executable; the working folder when the system does not say.
    static std::filesystem::path executableDirectory();
};

} // namespace platform
