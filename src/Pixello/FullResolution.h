#pragma once

#include "platform/base/BackgroundQueue.h"
#include "platform/base/Error.h"
#include "platform/gl/GLExtensions.h"
#include "platform/graphics/Picture.h"

#include <expected>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class PixelloModel;

// The current history entry at the size of the picture the history started from: the kept
// source decoded upright at full size and drawn through every recorded edit (EditHistory,
// MeshReplay). The last rendition is kept, so the rendition of the next entry costs one
// more step, not a whole replay.
class FullResolution {
public:
    // The box a source is decoded to fit: the largest side a file may declare.
    static constexpr float kFullSide = 32768.0f;

    // `queue` (not owned, may be nullptr) runs background renditions; `tileLimit` caps the
    // side drawn in one pass (0: GL's limits).
    explicit FullResolution(platform::BackgroundQueue* queue, int tileLimit = 0)
        : queue_(queue), tileLimit_(tileLimit) {}
    FullResolution(const FullResolution&) = delete;
    FullResolution& operator=(const FullResolution&) = delete;

    // Whether the history kept a source beside one of its entries: only then is there a
    // full-size rendition to make (or, when that fails, a failure worth telling the user).
    static bool hasSource(const PixelloModel& model);

    // The rendition of the model's current entry, made on the calling thread with the
    // shared GL context.
    std::expected<platform::Picture, platform::Error> render(const PixelloModel& model);

    using Completion = std::function<void(std::expected<platform::Picture, platform::Error>)>;
    // The same on the queue's worker, with a GL context of its own there; the completion
    // runs on the run loop's thread, and not at all once this object is gone. Without a
    // queue, it renders at once.
    void renderInBackground(const PixelloModel& model, Completion completion);

    // The work itself: the rendition of `target` among `entries`, starting from `cached`
    // (the rendition of `cachedEntry`) when the chain passes it. `box` is what the source is
    // decoded to fit, as a picked picture is converted.
    static std::expected<platform::Picture, platform::Error>
    renderEntry(const std::filesystem::path& images, const std::vector<std::string>& entries,
                const std::string& target, const std::string& cachedEntry,
                const std::optional<platform::Picture>& cached,
                const platform::FramebufferFunctions& fbo, int tileLimit,
                platform::Size box = {kFullSide, kFullSide});

    const std::string& cachedEntry() const { return cachedEntry_; }
    // Lets the kept rendition go (a new picture starts a history it has no part in).
    void forget() {
        cachedEntry_.clear();
        cached_.reset();
    }

private:
    void keep(const std::string& entry,
              const std::expected<platform::Picture, platform::Error>& picture);

    platform::BackgroundQueue* queue_; // not owned
    int tileLimit_;
    std::string cachedEntry_;
    std::optional<platform::Picture> cached_;
    // Completions hold it weakly: one that finds it gone has outlived this object.
    std::shared_ptr<char> alive_ = std::make_shared<char>();
};
