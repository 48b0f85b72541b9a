#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

// File access for storage and history files. Every operation answers its success instead of
// throwing; none of them follows the caller into a half-written state.
namespace platform {

// Writes the bytes to a temporary file in the same folder, flushes it to disk, renames it over
// `path` and flushes the folder, so that after a crash either the old or the new file is
// there, never a torn one. On failure the old file is left as it was and false is answered.
bool writeFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

// The whole content of a regular file, or nothing when it cannot be read.
std::optional<std::vector<std::uint8_t>> readFile(const std::filesystem::path& path);

bool exists(const std::filesystem::path& path);
bool isDirectory(const std::filesystem::path& path);
// Creates the directory and any missing parents; true when it exists afterwards.
bool createDirectory(const std::filesystem::path& path);
// Removes a file (not a directory); true when it existed and is gone.
bool removeFile(const std::filesystem::path& path);
// Copies a regular file; fails, leaving both untouched, when `to` already exists.
bool copyFileNoReplace(const std::filesystem::path& from, const std::filesystem::path& to);

} // namespace platform
