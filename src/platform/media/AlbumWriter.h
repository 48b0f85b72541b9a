#pragma once

#include "platform/base/BackgroundQueue.h"
#include "platform/base/Error.h"
#include "platform/graphics/Picture.h"

#include <ctime>
#include <expected>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace platform {

// Saves pictures to the album, the folder "Pixello" in the user's pictures folder (made on
// the first save), as "Pixello YYYY-MM-DD HH.MM.SS.png" after the local time of the request;
// a name taken already gets a counter (" 2", " 3", …). Encoding and writing run on a
// background queue; the main thread only hands the picture over, its pixels shared rather
// than copied. A save either leaves the complete file or nothing at all.
class AlbumWriter {
public:
    static constexpr const char* kAlbumName = "Pixello";
    // Nothing when the picture was saved, else the system's description of what failed
    // ("Permission denied", "No space left on device").
    using Completion = std::function<void(std::optional<std::string> error)>;

    // Writes on `queue`, which must outlive the writer.
    explicit AlbumWriter(BackgroundQueue& queue);
    // Saves already asked for are still written, but their completions no longer run.
    ~AlbumWriter() = default;
    AlbumWriter(const AlbumWriter&) = delete;
    AlbumWriter& operator=(const AlbumWriter&) = delete;

    // Saves `picture` (stored upright) into the album of the current pictures folder;
    // `completion` runs on the run loop's thread.
    void save(const Picture& picture, Completion completion);

    // The album file's name for a save requested at `time`; `counter` 1 is the plain name.
    static std::string fileName(const std::tm& time, int counter);
    // The save itself, on the calling thread: the PNG file written into `album`, or why not.
    static std::expected<std::filesystem::path, Error>
    write(const Picture& picture, const std::filesystem::path& album, const std::tm& time);

private:
    BackgroundQueue& queue_; // not owned
    // Completions hold it weakly: one that finds it gone has outlived the writer.
    std::shared_ptr<char> alive_ = std::make_shared<char>();
};

} // namespace platform
