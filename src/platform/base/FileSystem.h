#pragma once

#include "platform/base/Error.h"

#include <cstdint>
#include <expected>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

// File access for storage and history files. Every operation answers its success instead of
// throwing; none of them follows the caller into a half-written state.
namespace platform {

// Writes the bytes to a temporary file in the same folder, flushes it to disk, renames it over
// `path` and flushes the folder, so that after a crash either the old or the new file is
// there, never a torn one. On failure the old file is left as it was, the temporary file is
// removed, and the error says what failed with the system's reason. Once the rename has
// happened the new file is there to stay: a folder flush that fails then is only logged.
std::expected<void, Error> writeFileAtomically(const std::filesystem::path& path,
                                               std::span<const std::uint8_t> bytes);
// The temporary names writeFileAtomically uses for `name`: "." + name + "." + six
// characters [A-Za-z0-9].
bool isTemporaryNameFor(const std::string& candidate, const std::string& name);

// The whole content of a regular file, or nothing when it cannot be read.
std::optional<std::vector<std::uint8_t>> readFile(const std::filesystem::path& path);
// The content of a regular file; nothing when there is no such file; an error when one is
// there but cannot be read.
std::expected<std::optional<std::vector<std::uint8_t>>, Error>
readFileIfPresent(const std::filesystem::path& path);
// The names in a folder ("." and ".." left out), in no particular order.
std::expected<std::vector<std::string>, Error> listDirectory(const std::filesystem::path& path);

bool exists(const std::filesystem::path& path);
bool isDirectory(const std::filesystem::path& path);
// Creates the directory and any missing parents; true when it exists afterwards.
bool createDirectory(const std::filesystem::path& path);
// Removes a file (not a directory); true when it existed and is gone.
bool removeFile(const std::filesystem::path& path);
// Renames a file, replacing whatever file `to` named.
std::expected<void, Error> renameFile(const std::filesystem::path& from,
                                      const std::filesystem::path& to);
// Copies a regular file; fails, leaving both untouched, when `to` already exists.
bool copyFileNoReplace(const std::filesystem::path& from, const std::filesystem::path& to);

// The system calls that writing and removing go through, so tests can make any of them fail.
enum class FileCall { open, write, fsync, rename, unlink, syncDirectory };
// Answers the errno value a call on `path` is to fail with, or 0 to let it run.
using FileFaults = std::function<int(FileCall call, const std::filesystem::path& path)>;

// Installs fault injection for its lifetime (tests only), then puts back the one it replaced.
class ScopedFileFaults {
public:
    explicit ScopedFileFaults(FileFaults faults);
    ~ScopedFileFaults();
    ScopedFileFaults(const ScopedFileFaults&) = delete;
    ScopedFileFaults& operator=(const ScopedFileFaults&) = delete;

private:
    FileFaults previous_;
};

} // namespace platform
