#include "platform/base/Installation.h"

#include "platform/base/FileSystem.h"

#include <system_error>

namespace platform {

Installation Installation::around(const std::filesystem::path& executableDirectory) {
    const std::filesystem::path built = executableDirectory / "resources";
    if (platform::exists(built / "Info")) {
        return {built, built / "locale", executableDirectory / "pixello-window.so"};
    }
    // Relative to PREFIX/bin; the install rules use the same folders.
    const std::filesystem::path prefix = executableDirectory.parent_path();
    return {prefix / "share" / "pixello", prefix / "share" / "locale",
            prefix / "lib" / "pixello" / "pixello-window.so"};
}

const Installation& Installation::current() {
    static const Installation installation = around(executableDirectory());
    return installation;
}

std::filesystem::path Installation::executableDirectory() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec || self.empty()) {
        return std::filesystem::current_path(ec);
    }
    return self.parent_path();
}

} // namespace platform
