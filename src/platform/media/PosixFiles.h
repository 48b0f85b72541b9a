#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <sys/types.h>

// The system calls the media room's workers share, on any thread.
namespace platform::posixFiles {

// The system's description of an errno value ("Permission denied").
std::string errorText(int error);

// Makes `directory` and the missing folders above it, each new one with `mode` (less the
// umask). 0 when the directory is there afterwards, else the errno of the step that failed.
int makeDirectories(const std::filesystem::path& directory, mode_t mode);

// Writes every byte, retrying after interruptions; 0 or the errno.
int writeAll(int fd, std::span<const std::uint8_t> bytes);

// Flushes a folder's entries to disk; 0 or the errno.
int syncDirectory(const std::filesystem::path& directory);

} // namespace platform::posixFiles
