#include "platform/media/PictureLibrary.h"

#include "platform/media/PictureSignature.h"
#include "platform/media/PosixFiles.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace platform {

namespace {

using FolderId = std::pair<dev_t, ino_t>;

// The picture file `name` in the folder `dir`, when it is one.
std::optional<LibraryPicture> pictureAt(int dir, const char* name,
                                        const std::filesystem::path& path) {
    // Non-blocking, so that a pipe put in the place of a file cannot hold up the listing.
    const int fd = ::openat(dir, name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::optional<LibraryPicture> picture;
    struct stat st {};
    std::array<std::uint8_t, PictureSignature::kBytes> head{};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        const ssize_t n = ::pread(fd, head.data(), head.size(), 0);
        if (n > 0 && PictureSignature::matches(std::span(head).first(std::size_t(n)))) {
            picture = LibraryPicture{path, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
        }
    }
    ::close(fd);
    return picture;
}

// Lists the open folder `fd` unless it was listed before: its pictures go to `found`, its
// sub-folders not seen yet to `folders`. Closes `fd`.
void listFolder(int fd, const std::filesystem::path& path, std::set<FolderId>& visited,
                std::vector<std::filesystem::path>& folders, std::vector<LibraryPicture>& found) {
    struct stat self {};
    if (::fstat(fd, &self) != 0 || !visited.insert({self.st_dev, self.st_ino}).second) {
        ::close(fd);
        return;
    }
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        // Hidden names: ".", "..", caches such as .thumbnails, and files being written.
        if (entry->d_name[0] == '.') {
            continue;
        }
        unsigned char type = entry->d_type;
        struct stat st {};
        if (type == DT_DIR || type == DT_LNK || type == DT_UNKNOWN) {
            // What a link leads to, and a folder's identity.
            if (::fstatat(::dirfd(dir), entry->d_name, &st, 0) != 0) {
                continue;
            }
            type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
        }
        if (type == DT_DIR) {
            if (!visited.contains({st.st_dev, st.st_ino})) {
                folders.push_back(path / entry->d_name);
            }
        } else if (type == DT_REG) {
            if (auto picture = pictureAt(::dirfd(dir), entry->d_name, path / entry->d_name)) {
                found.push_back(std::move(*picture));
            }
        }
    }
    ::closedir(dir);
}

} // namespace

PictureLibrary::PictureLibrary(std::filesystem::path folder, BackgroundQueue& queue,
                               Observer observer)
    : folder_(std::move(folder)), queue_(queue), observer_(std::move(observer)) {}

PictureLibrary::~PictureLibrary() {
    queue_.cancelAll(this);
}

void PictureLibrary::refresh() {
    if (lastJob_ && queue_.cancel(*lastJob_)) {
        --outstanding_;
    }
    const std::uint64_t generation = ++generation_;
    ++outstanding_;
    lastJob_ =
        queue_.submit(this, 0, [this, alive = std::weak_ptr(alive_), folder = folder_, generation] {
            return [this, alive, generation, listing = list(folder)]() mutable {
                if (alive.expired()) {
                    return;
                }
                --outstanding_;
                if (generation == generation_) {
                    observer_(std::move(listing));
                }
            };
        });
}

PictureLibrary::Listing PictureLibrary::list(const std::filesystem::path& folder) {
    const int root = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (root < 0) {
        return failure("'" + folder.string() + "': " + posixFiles::errorText(errno));
    }
    std::vector<LibraryPicture> found;
    std::set<FolderId> visited;
    std::vector<std::filesystem::path> folders;
    listFolder(root, folder, visited, folders, found);
    // Depth first with one folder open at a time, however deep the tree goes.
    while (!folders.empty()) {
        const std::filesystem::path path = std::move(folders.back());
        folders.pop_back();
        const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            listFolder(fd, path, visited, folders, found);
        }
    }
    std::sort(found.begin(), found.end(), [](const LibraryPicture& a, const LibraryPicture& b) {
        if (a.modifiedSeconds != b.modifiedSeconds) {
            return a.modifiedSeconds > b.modifiedSeconds;
        }
        if (a.modifiedNanoseconds != b.modifiedNanoseconds) {
            return a.modifiedNanoseconds > b.modifiedNanoseconds;
        }
        return a.path < b.path;
    });
    return found;
}

} // namespace platform
