#pragma once

#include "platform/base/BackgroundQueue.h"
#include "platform/base/Error.h"
#include "platform/graphics/Picture.h"

#include <expected>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Thumbnails of picture files, kept in the freedesktop.org thumbnail cache that the file
// manager shares: `<directory>/normal/<MD5 of the file's URI>.png`, at most 128 pixels a
// side, carrying the file's URI and modification time (Thumb::URI, Thumb::MTime) so that a
// thumbnail of a file changed since is made anew. A file that cannot be thumbnailed gets a
// failure entry under `fail/pixello-<version>/` and is not tried again until it changes.
// Thumbnails are made on a background queue and arrive, upright, on the run loop's thread.
class ThumbnailCache {
public:
    static constexpr int kMaxSide = 128;
    using Result = std::expected<Picture, Error>;
    using Completion = std::function<void(Result)>;

    // The cache under `directory`, the shared one being sharedDirectory(); thumbnails are
    // made on `queue`, which must outlive the cache. The version in the failure folder and
    // the Software key come from the bundle's Info.
    ThumbnailCache(std::filesystem::path directory, BackgroundQueue& queue);
    // Queued requests are dropped and no completion runs after this.
    ~ThumbnailCache();
    ThumbnailCache(const ThumbnailCache&) = delete;
    ThumbnailCache& operator=(const ThumbnailCache&) = delete;

    // $XDG_CACHE_HOME/thumbnails, by default ~/.cache/thumbnails.
    static std::filesystem::path sharedDirectory();

    // Asks for the thumbnail of `file`; higher priorities are made first. `completion`
    // gets the picture or why there is none (a file gone meanwhile just fails).
    BackgroundQueue::JobId request(const std::filesystem::path& file, int priority,
                                   Completion completion);
    // Raises (or lowers) a request still queued, as the thumbnails on screen change.
    bool setPriority(BackgroundQueue::JobId request, int priority);
    // Drops a request still queued; its completion never runs.
    bool cancel(BackgroundQueue::JobId request);

    // The thumbnail of `file` on the calling thread: read from the cache when it is there
    // and up to date, else made and stored.
    Result thumbnail(const std::filesystem::path& file) const;

    // `file://` and the absolute path, every byte but RFC 3986's unreserved characters and
    // '/' percent-encoded.
    static std::string uriFor(const std::filesystem::path& file);
    // The cache's file name for a URI: the lower-case hex MD5 of the URI, ".png".
    static std::string fileNameFor(std::string_view uri);
    // The picture turned upright and reduced to fit `maxSide` (never enlarged).
    static std::optional<Picture> reduce(const Picture& picture, int maxSide);

    std::filesystem::path normalDirectory() const { return place_->normal; }
    std::filesystem::path failDirectory() const { return place_->fail; }

private:
    // Where thumbnails go and how they are signed; fixed at construction and shared with
    // the jobs, which may outlive the cache.
    struct Place {
        std::filesystem::path normal;
        std::filesystem::path fail;
        std::string software;
    };
    static Result make(const Place& place, const std::filesystem::path& file);

    std::shared_ptr<const Place> place_;
    BackgroundQueue& queue_; // not owned
    // Completions hold it weakly: one that finds it gone has outlived the cache.
    std::shared_ptr<char> alive_ = std::make_shared<char>();
};

} // namespace platform
