#include "platform/media/PosixFiles.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::posixFiles {

std::string errorText(int error) {
    // The GNU strerror_r: thread-safe, answers a static text or one written into `buffer`.
    char buffer[256];
    return ::strerror_r(error, buffer, sizeof buffer);
}

int makeDirectories(const std::filesystem::path& directory, mode_t mode) {
    if (::mkdir(directory.c_str(), mode) == 0) {
        return 0;
    }
    int error = errno;
    if (error == ENOENT && directory.has_relative_path() && directory.parent_path() != directory) {
        error = makeDirectories(directory.parent_path(), mode);
        if (error != 0) {
            return error;
        }
        if (::mkdir(directory.c_str(), mode) == 0) {
            return 0;
        }
        error = errno;
    }
    if (error != EEXIST) {
        return error;
    }
    // Something is there already: fine when it is a folder (or a link to one).
    struct stat st {};
    if (::stat(directory.c_str(), &st) != 0) {
        return errno;
    }
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

int writeAll(int fd, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(n));
    }
    return 0;
}

int syncDirectory(const std::filesystem::path& directory) {
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    const int error = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return error;
}

} // namespace platform::posixFiles
