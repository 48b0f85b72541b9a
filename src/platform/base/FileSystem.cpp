#include "platform/base/FileSystem.h"

#include "platform/base/Log.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace platform {

namespace {

constexpr std::size_t kTemporarySuffix = 6; // mkstemp's XXXXXX

// The process's fault injection; empty outside tests.
struct Faults {
    std::mutex mutex;
    FileFaults current;
};

Faults& faults() {
    static Faults instance;
    return instance;
}

// True when the call may go ahead; otherwise errno holds the injected failure.
bool allowed(FileCall call, const std::filesystem::path& path) {
    Faults& f = faults();
    const std::lock_guard lock(f.mutex);
    if (!f.current) {
        return true;
    }
    const int error = f.current(call, path);
    if (error == 0) {
        return true;
    }
    errno = error;
    return false;
}

std::string systemReason() {
    return std::strerror(errno);
}

Error failed(std::string_view what, const std::filesystem::path& path) {
    return Error{std::string(what) + " '" + path.string() + "': " + systemReason()};
}

bool writeAll(int fd, std::span<const std::uint8_t> bytes, const std::filesystem::path& path) {
    while (!bytes.empty()) {
        if (!allowed(FileCall::write, path)) {
            return false;
        }
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(n));
    }
    return true;
}

bool syncDirectory(const std::filesystem::path& dir) {
    if (!allowed(FileCall::syncDirectory, dir)) {
        return false;
    }
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

bool unlinkPath(const std::filesystem::path& path) {
    return allowed(FileCall::unlink, path) && ::unlink(path.c_str()) == 0;
}

bool isAlphanumeric(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

} // namespace

std::expected<void, Error> writeFileAtomically(const std::filesystem::path& path,
                                               std::span<const std::uint8_t> bytes) {
    if (path.empty() || !path.has_filename()) {
        return failure("cannot write a file without a name");
    }
    std::filesystem::path dir = path.parent_path();
    if (dir.empty()) {
        dir = ".";
    }
    // mkstemp gives a fresh name in the same folder, so the rename stays on one file system.
    std::string temp = (dir / ("." + path.filename().string() + ".XXXXXX")).string();
    const int fd = allowed(FileCall::open, path) ? ::mkstemp(temp.data()) : -1;
    if (fd < 0) {
        return std::unexpected(failed("cannot create a file beside", path));
    }
    std::optional<Error> error;
    if (!writeAll(fd, bytes, path) || ::fchmod(fd, 0644) != 0) {
        error = failed("cannot write", path);
    } else if (!allowed(FileCall::fsync, path) || ::fsync(fd) != 0) {
        error = failed("cannot flush", path);
    }
    if (::close(fd) != 0 && !error) {
        error = failed("cannot write", path);
    }
    if (!error && (!allowed(FileCall::rename, path) || ::rename(temp.c_str(), path.c_str()) != 0)) {
        error = failed("cannot put in place", path);
    }
    if (error) {
        // A temporary file that cannot be removed now has a name the start-up clean-up knows.
        unlinkPath(temp);
        return std::unexpected(std::move(*error));
    }
    // The rename is durable only once the folder's entry is on disk; but the new file is in
    // place and the old one gone, so the write has happened either way.
    if (!syncDirectory(dir)) {
        logLine(failed("cannot flush the folder", dir).message);
    }
    return {};
}

bool isTemporaryNameFor(const std::string& candidate, const std::string& name) {
    const std::size_t length = 1 + name.size() + 1 + kTemporarySuffix;
    if (candidate.size() != length || candidate[0] != '.' ||
        candidate.compare(1, name.size(), name) != 0 || candidate[1 + name.size()] != '.') {
        return false;
    }
    for (std::size_t i = length - kTemporarySuffix; i < length; ++i) {
        if (!isAlphanumeric(candidate[i])) {
            return false;
        }
    }
    return true;
}

std::expected<std::optional<std::vector<std::uint8_t>>, Error>
readFileIfPresent(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) {
            return std::nullopt;
        }
        return std::unexpected(failed("cannot read", path));
    }
    struct stat st {};
    const bool statted = ::fstat(fd, &st) == 0;
    if (!statted || !S_ISREG(st.st_mode)) {
        const int error = statted ? EISDIR : errno;
        ::close(fd);
        errno = error;
        return std::unexpected(failed("cannot read", path));
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    std::uint8_t chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            Error error = failed("cannot read", path);
            ::close(fd);
            return std::unexpected(std::move(error));
        }
        if (n == 0) {
            break;
        }
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    ::close(fd);
    return bytes;
}

std::optional<std::vector<std::uint8_t>> readFile(const std::filesystem::path& path) {
    auto read = readFileIfPresent(path);
    if (!read) {
        return std::nullopt;
    }
    return std::move(*read);
}

std::expected<std::vector<std::string>, Error> listDirectory(const std::filesystem::path& path) {
    DIR* dir = ::opendir(path.c_str());
    if (dir == nullptr) {
        return std::unexpected(failed("cannot list", path));
    }
    std::vector<std::string> names;
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name(entry->d_name);
        if (name != "." && name != "..") {
            names.emplace_back(name);
        }
    }
    const int error = errno;
    ::closedir(dir);
    if (error != 0) {
        errno = error;
        return std::unexpected(failed("cannot list", path));
    }
    return names;
}

bool exists(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

bool isDirectory(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::is_directory(path, ec);
}

bool createDirectory(const std::filesystem::path& path) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    return isDirectory(path);
}

bool removeFile(const std::filesystem::path& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(std::filesystem::symlink_status(path, ec))) {
        return false;
    }
    return unlinkPath(path);
}

std::expected<void, Error> renameFile(const std::filesystem::path& from,
                                      const std::filesystem::path& to) {
    if (!allowed(FileCall::rename, to) || ::rename(from.c_str(), to.c_str()) != 0) {
        return std::unexpected(failed("cannot rename", from));
    }
    return {};
}

bool copyFileNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(from, ec)) {
        return false;
    }
    // copy_options::none refuses an existing destination.
    return std::filesystem::copy_file(from, to, std::filesystem::copy_options::none, ec) && !ec;
}

ScopedFileFaults::ScopedFileFaults(FileFaults replacement) {
    Faults& f = faults();
    const std::lock_guard lock(f.mutex);
    previous_ = std::exchange(f.current, std::move(replacement));
}

ScopedFileFaults::~ScopedFileFaults() {
    Faults& f = faults();
    const std::lock_guard lock(f.mutex);
    f.current = std::move(previous_);
}

} // namespace platform
