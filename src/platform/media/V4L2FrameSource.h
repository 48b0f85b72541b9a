#pragma once

#include "platform/media/FrameSource.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace platform {

// A Video4Linux2 capture device read through libv4l2, which converts whatever the camera
// sends (YUYV, MJPEG, Bayer…) to the RGB24 asked for. Frames are captured into memory-mapped
// streaming buffers on a thread of the source and delivered as opaque RGBA pictures.
class V4L2FrameSource final : public FrameSource {
public:
    // The frame size asked for; the driver may answer with another, which is then used.
    static constexpr int preferredWidth = 640;
    static constexpr int preferredHeight = 480;

    explicit V4L2FrameSource(std::filesystem::path device) : device_(std::move(device)) {}
    ~V4L2FrameSource() override;

    std::expected<void, Error> start() override;
    void stop() override;

    // The video* nodes in `directory` whose driver says they capture video, in the order of
    // their numbers. A node that only carries metadata of a camera does not count.
    static std::vector<std::filesystem::path>
    captureDevices(const std::filesystem::path& directory = "/dev");

    // An opaque picture of `height` RGB24 rows, each starting `bytesPerLine` bytes after the
    // one before; nothing when the rows do not fit in `data` or are shorter than `width`
    // pixels.
    static std::optional<Picture> pictureFromRGB24(std::span<const std::uint8_t> data, int width,
                                                   int height, std::size_t bytesPerLine);

private:
    struct MappedBuffer {
        void* start;
        std::size_t length;
    };

    // Opens the device, sets the format, maps and queues the buffers and starts streaming.
    std::expected<void, Error> open();
    // Undoes what open() did, as far as it got.
    void close();
    // The capture thread: waits for filled buffers until stop() wakes it or the device fails.
    void capture();
    std::string name() const { return "'" + device_.string() + "'"; }

    std::filesystem::path device_;
    int fd_ = -1;
    int wake_ = -1; // an eventfd that stop() signals so the capture thread returns at once
    std::vector<MappedBuffer> buffers_;
    int width_ = 0;
    int height_ = 0;
    std::size_t bytesPerLine_ = 0;
    std::thread thread_;
};

} // namespace platform
