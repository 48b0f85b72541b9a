#include "platform/media/AlbumWriter.h"

#include "platform/base/Paths.h"
#include "platform/graphics/PictureCodec.h"
#include "platform/media/PosixFiles.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// Saves within one second are rare; this many of them means something else is wrong.
constexpr int kMaxCounter = 10000;
constexpr mode_t kFileMode = 0644;

// A file being written: unnamed (O_TMPFILE) until it is linked into the album, or, where
// the file system cannot do that, under a hidden temporary name.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::filesystem::path& album) {
        // An unnamed file is linked through /proc/self/fd, which needs /proc.
        if (::access("/proc/self/fd", X_OK) == 0) {
            fd_ = ::open(album.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, kFileMode);
            if (fd_ >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)) {
                error_ = fd_ < 0 ? errno : 0;
                return;
            }
        }
        std::string name = (album / ".Pixello-XXXXXX").string();
        fd_ = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd_ < 0) {
            error_ = errno;
            return;
        }
        name_ = std::move(name);
        if (::fchmod(fd_, kFileMode) != 0) {
            error_ = errno;
        }
    }
    ~TemporaryFile() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        if (!name_.empty()) {
            ::unlink(name_.c_str());
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // 0 once the file is open, else why it could not be made.
    int error() const { return error_; }
    int fd() const { return fd_; }

    // Gives the file the name `path`; never replaces a file already there (EEXIST).
    int linkAs(const std::filesystem::path& path) const {
        const int done = name_.empty()
                             ? ::linkat(AT_FDCWD, ("/proc/self/fd/" + std::to_string(fd_)).c_str(),
                                        AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW)
                             : ::link(name_.c_str(), path.c_str());
        return done == 0 ? 0 : errno;
    }

    // Closes the file; 0 or the errno.
    int close() {
        const int done = ::close(fd_);
        fd_ = -1;
        return done == 0 ? 0 : errno;
    }

private:
    int fd_ = -1;
    int error_ = 0;
    std::string name_;
};

std::unexpected<Error> systemFailure(int error) {
    return failure(posixFiles::errorText(error));
}

} // namespace

AlbumWriter::AlbumWriter(BackgroundQueue& queue) : queue_(queue) {}

void AlbumWriter::save(const Picture& picture, Completion completion) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    const std::filesystem::path album = Paths::picturesDirectory() / kAlbumName;
    // The completion moves on into the call for this thread, so that whatever it holds is
    // let go here and never on a worker.
    queue_.submit(this, 0,
                  [picture, album, local, alive = std::weak_ptr(alive_),
                   completion = std::move(completion)]() mutable -> RunLoop::Call {
                      const auto written = write(picture, album, local);
                      std::optional<std::string> error;
                      if (!written) {
                          error = written.error().message;
                      }
                      return [alive, completion = std::move(completion), error]() {
                          if (!alive.expired()) {
                              completion(error);
                          }
                      };
                  });
}

std::string AlbumWriter::fileName(const std::tm& time, int counter) {
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d.%02d.%02d", time.tm_year + 1900,
                  time.tm_mon + 1, time.tm_mday, time.tm_hour, time.tm_min, time.tm_sec);
    std::string name = std::string(kAlbumName) + " " + stamp;
    if (counter > 1) {
        name += " " + std::to_string(counter);
    }
    return name + ".png";
}

std::expected<std::filesystem::path, Error> AlbumWriter::write(const Picture& picture,
                                                               const std::filesystem::path& album,
                                                               const std::tm& time) {
    const auto png = PictureCodec::encodePNG(picture);
    if (!png) {
        return std::unexpected(png.error());
    }
    if (const int error = posixFiles::makeDirectories(album, 0777); error != 0) {
        return systemFailure(error);
    }
    TemporaryFile file(album);
    if (file.error() != 0) {
        return systemFailure(file.error());
    }
    if (const int error = posixFiles::writeAll(file.fd(), *png); error != 0) {
        return systemFailure(error);
    }
    if (::fsync(file.fd()) != 0) {
        return systemFailure(errno);
    }
    // The link never replaces a file, so a name taken meanwhile, even by another program,
    // moves on to the next counter.
    std::filesystem::path saved;
    int error = EEXIST;
    for (int counter = 1; counter <= kMaxCounter && error == EEXIST; ++counter) {
        saved = album / fileName(time, counter);
        error = file.linkAs(saved);
    }
    if (error != 0) {
        return systemFailure(error);
    }
    error = file.close();
    if (error == 0) {
        // The new name lasts only once the folder's entry is on disk.
        error = posixFiles::syncDirectory(album);
    }
    if (error != 0) {
        ::unlink(saved.c_str());
        return systemFailure(error);
    }
    return saved;
}

} // namespace platform
