#pragma once

#include "platform/base/BackgroundQueue.h"
#include "platform/base/Error.h"

#include <cstdint>
#include <expected>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace platform {

// One picture file of the library and when it was last changed.
struct LibraryPicture {
    std::filesystem::path path;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;
    friend bool operator==(const LibraryPicture&, const LibraryPicture&) = default;
};

// The photo library: the picture files in a folder and its sub-folders, newest first. The
// listing runs on a background queue and arrives on the run loop's thread. Files are told
// by their first bytes, not their names; hidden files and folders (.thumbnails and the
// like), unreadable files and folders and anything that is neither file nor folder are left
// out, and a folder reached twice through symbolic links is listed once.
class PictureLibrary {
public:
    using Listing = std::expected<std::vector<LibraryPicture>, Error>;
    // Gets each listing; an error when the folder itself cannot be read.
    using Observer = std::function<void(Listing)>;

    // Lists on `queue`, which must outlive the library.
    PictureLibrary(std::filesystem::path folder, BackgroundQueue& queue, Observer observer);
    // A listing still queued is dropped, one still running is not delivered.
    ~PictureLibrary();
    PictureLibrary(const PictureLibrary&) = delete;
    PictureLibrary& operator=(const PictureLibrary&) = delete;

    // Lists the folder (again): the folder may have changed since. Only the newest
    // listing asked for is delivered.
    void refresh();
    // Whether a listing is on its way.
    bool isListing() const { return outstanding_ > 0; }

    // The listing itself, on the calling thread: newest first, equal times by path.
    static Listing list(const std::filesystem::path& folder);

private:
    std::filesystem::path folder_;
    BackgroundQueue& queue_; // not owned
    Observer observer_;
    // The last listing job; cancelling it fails once a worker has taken it.
    std::optional<BackgroundQueue::JobId> lastJob_;
    // Listing jobs neither delivered nor cancelled; only the newest is delivered.
    int outstanding_ = 0;
    std::uint64_t generation_ = 0;
    // Completions hold it weakly: one that finds it gone has outlived the library.
    std::shared_ptr<char> alive_ = std::make_shared<char>();
};

} // namespace platform
