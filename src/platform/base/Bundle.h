#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The application's resources and its information dictionary (the `Info` file: one
// "Key = Value" a line, '#' starts a comment line). Resources are looked up by name in a list
// of folders, first match wins; the main bundle has one, the program's resource folder (see
// Installation).
class Bundle {
public:
    explicit Bundle(std::vector<std::filesystem::path> resourceDirectories);

    static Bundle& main();

    // Points the bundle at other folders and rereads Info from the first of them that has
    // one (tests use their own folders).
    void setResourceDirectories(std::vector<std::filesystem::path> directories);
    // Back to the program's resource folder, dropping every override.
    void reset();

    const std::vector<std::filesystem::path>& resourceDirectories() const { return directories_; }

    std::optional<std::string> infoValue(std::string_view key) const;
    // Replaces (or with nullopt removes) one key, in memory only.
    void setInfoValue(const std::string& key, std::optional<std::string> value);

    // The full path of an existing resource file, or nothing. Names are plain file names or
    // relative paths that stay inside the resource folders.
    std::optional<std::filesystem::path> pathForResource(std::string_view name) const;

    // Counts the changes of the folders, so that what was read from them can be forgotten
    // when they change.
    std::uint64_t generation() const { return generation_; }

    // Parses the text of an Info file; malformed lines are skipped.
    static std::map<std::string, std::string, std::less<>> parseInfo(std::string_view text);

private:
    void loadInfo();

    std::vector<std::filesystem::path> directories_;
    std::map<std::string, std::string, std::less<>> info_;
    std::uint64_t generation_ = 0;
};

} // namespace platform
