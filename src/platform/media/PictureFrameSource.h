#pragma once

#include "platform/media/FrameSource.h"

#include <filesystem>

namespace platform {

// A picture file played as a camera. start() decodes the file, turns it upright as its
// orientation flag says, makes it opaque (transparent parts come out black, as nothing
// lies behind a camera's picture) and delivers it as the one frame of the run. No thread
// and no clock are involved, so a scripted run sees the same frame at every moment and on
// every machine.
class PictureFrameSource final : public FrameSource {
public:
    explicit PictureFrameSource(std::filesystem::path file) : file_(std::move(file)) {}

    std::expected<void, Error> start() override;
    // The frame was delivered whole by start(): there is nothing to end.
    void stop() override {}

private:
    std::filesystem::path file_;
};

} // namespace platform
