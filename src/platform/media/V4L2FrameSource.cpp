#include "platform/media/V4L2FrameSource.h"

#include "platform/base/Assert.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <libv4l2.h>
#include <linux/videodev2.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace platform {

namespace {

// Buffers the driver fills while one is being converted: enough that a slow conversion
// does not make the camera drop frames.
constexpr unsigned kBufferCount = 4;
// The frame rate asked for.
constexpr unsigned kFramesPerSecond = 30;
// A camera that sends nothing for this long has stopped working, even if it does not say so.
constexpr int kFrameTimeoutMilliseconds = 5000;

std::string systemMessage(int error) {
    return std::error_code(error, std::generic_category()).message();
}

// An ioctl through libv4l2, repeated when a signal interrupted it.
int request(int fd, unsigned long code, void* argument) {
    int result;
    do {
        result = v4l2_ioctl(fd, code, argument);
    } while (result == -1 && errno == EINTR);
    return result;
}

// What the node can do, without libv4l2 (which would set up its format conversion first);
// nothing for a file that is no V4L2 node. A node's own capabilities count: those of the
// whole device include the capture of a sibling node when this one only carries metadata.
std::optional<std::uint32_t> nodeCapabilities(int fd) {
    v4l2_capability capability{};
    if (::ioctl(fd, VIDIOC_QUERYCAP, &capability) != 0) {
        return std::nullopt;
    }
    return (capability.capabilities & V4L2_CAP_DEVICE_CAPS) != 0 ? capability.device_caps
                                                                 : capability.capabilities;
}

bool capturesVideo(std::optional<std::uint32_t> capabilities) {
    return capabilities && (*capabilities & V4L2_CAP_VIDEO_CAPTURE) != 0;
}

bool isCaptureDevice(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool captures = capturesVideo(nodeCapabilities(fd));
    ::close(fd);
    return captures;
}

// The number of a node named video<digits>; nothing for other names.
std::optional<unsigned> videoNodeNumber(std::string_view name) {
    constexpr std::string_view prefix = "video";
    if (!name.starts_with(prefix)) {
        return std::nullopt;
    }
    const char* last = name.data() + name.size();
    unsigned number = 0;
    const auto [end, error] = std::from_chars(name.data() + prefix.size(), last, number);
    if (error != std::errc() || end != last) {
        return std::nullopt;
    }
    return number;
}

} // namespace

V4L2FrameSource::~V4L2FrameSource() {
    stop();
}

std::vector<std::filesystem::path>
V4L2FrameSource::captureDevices(const std::filesystem::path& directory) {
    std::vector<std::pair<unsigned, std::filesystem::path>> found;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(directory, ec), end; !ec && it != end;
         it.increment(ec)) {
        const auto number = videoNodeNumber(it->path().filename().string());
        if (number && isCaptureDevice(it->path())) {
            found.emplace_back(*number, it->path());
        }
    }
    std::ranges::sort(found);
    std::vector<std::filesystem::path> devices;
    for (auto& [number, path] : found) {
        devices.push_back(std::move(path));
    }
    return devices;
}

std::optional<Picture> V4L2FrameSource::pictureFromRGB24(std::span<const std::uint8_t> data,
                                                         int width, int height,
                                                         std::size_t bytesPerLine) {
    if (width <= 0 || height <= 0) {
        return std::nullopt;
    }
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    // Divided rather than multiplied, so that no line length a driver reports can overflow.
    if (bytesPerLine < rowBytes || data.size() < rowBytes ||
        (data.size() - rowBytes) / bytesPerLine < static_cast<std::size_t>(height - 1)) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(width) * height * 4);
    std::uint8_t* to = bytes.data();
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* from = data.data() + bytesPerLine * y;
        for (int x = 0; x < width; ++x, from += 3, to += 4) {
            to[0] = from[0];
            to[1] = from[1];
            to[2] = from[2];
            to[3] = 255;
        }
    }
    return Picture::create(std::make_shared<const PixelBytes>(std::move(bytes)), width, height);
}

std::expected<void, Error> V4L2FrameSource::start() {
    PIXELLO_ASSERT(!thread_.joinable());
    beginRun();
    if (auto opened = open(); !opened) {
        close();
        return opened;
    }
    thread_ = std::thread([this] { capture(); });
    return {};
}

void V4L2FrameSource::stop() {
    if (thread_.joinable()) {
        const std::uint64_t one = 1;
        // Adding one to an eventfd fails only when its counter would overflow.
        const ssize_t written = ::write(wake_, &one, sizeof one);
        PIXELLO_ASSERT(written == sizeof one);
        thread_.join();
    }
    close();
}

std::expected<void, Error> V4L2FrameSource::open() {
    const int fd = ::open(device_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return failure("the camera " + name() + " cannot be opened: " + systemMessage(errno));
    }
    const auto capabilities = nodeCapabilities(fd);
    if (!capturesVideo(capabilities)) {
        ::close(fd);
        return failure(name() + " is not a camera");
    }
    if ((*capabilities & V4L2_CAP_STREAMING) == 0) {
        ::close(fd);
        return failure("the camera " + name() + " cannot stream pictures");
    }
    // From here libv4l2 owns the descriptor and converts the camera's frames.
    fd_ = v4l2_fd_open(fd, 0);
    if (fd_ < 0) {
        const int error = errno;
        ::close(fd);
        return failure("the camera " + name() + " cannot be opened: " + systemMessage(error));
    }

    v4l2_format format{};
    format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    format.fmt.pix.width = preferredWidth;
    format.fmt.pix.height = preferredHeight;
    format.fmt.pix.pixelformat = V4L2_PIX_FMT_RGB24;
    format.fmt.pix.field = V4L2_FIELD_ANY;
    if (request(fd_, VIDIOC_S_FMT, &format) != 0) {
        return failure("the camera " + name() +
                       " refuses every picture format: " + systemMessage(errno));
    }
    // libv4l2 answers with another format only when it cannot convert the camera's own.
    if (format.fmt.pix.pixelformat != V4L2_PIX_FMT_RGB24 || format.fmt.pix.width == 0 ||
        format.fmt.pix.height == 0 ||
        std::int64_t{format.fmt.pix.width} * format.fmt.pix.height > Picture::maxPixels) {
        return failure("the camera " + name() + " sends pictures in a format that cannot be read");
    }
    width_ = static_cast<int>(format.fmt.pix.width);
    height_ = static_cast<int>(format.fmt.pix.height);
    bytesPerLine_ = std::max<std::size_t>(format.fmt.pix.bytesperline, std::size_t{3} * width_);

    // Some drivers start below their best rate; a preview wants it smooth. Drivers that
    // cannot set it keep their own.
    v4l2_streamparm rate{};
    rate.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    rate.parm.capture.timeperframe = {1, kFramesPerSecond};
    request(fd_, VIDIOC_S_PARM, &rate);

    v4l2_requestbuffers buffers{};
    buffers.count = kBufferCount;
    buffers.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    buffers.memory = V4L2_MEMORY_MMAP;
    if (request(fd_, VIDIOC_REQBUFS, &buffers) != 0) {
        return failure("the camera " + name() + " cannot start: " + systemMessage(errno));
    }
    if (buffers.count == 0) {
        return failure("the camera " + name() + " has no capture buffers");
    }
    for (unsigned index = 0; index < buffers.count; ++index) {
        v4l2_buffer buffer{};
        buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buffer.memory = V4L2_MEMORY_MMAP;
        buffer.index = index;
        if (request(fd_, VIDIOC_QUERYBUF, &buffer) != 0) {
            return failure("the camera " + name() + " cannot start: " + systemMessage(errno));
        }
        void* start = v4l2_mmap(nullptr, buffer.length, PROT_READ | PROT_WRITE, MAP_SHARED, fd_,
                                buffer.m.offset);
        if (start == MAP_FAILED) {
            return failure("the camera " + name() + " cannot start: " + systemMessage(errno));
        }
        buffers_.push_back({start, buffer.length});
        if (request(fd_, VIDIOC_QBUF, &buffer) != 0) {
            return failure("the camera " + name() + " cannot start: " + systemMessage(errno));
        }
    }
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (request(fd_, VIDIOC_STREAMON, &type) != 0) {
        return failure("the camera " + name() + " cannot start: " + systemMessage(errno));
    }
    wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_ < 0) {
        return failure("the camera " + name() + " cannot start: " + systemMessage(errno));
    }
    return {};
}

void V4L2FrameSource::close() {
    if (fd_ >= 0) {
        int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        // Fails harmlessly when streaming never began or the device is gone.
        request(fd_, VIDIOC_STREAMOFF, &type);
        for (const MappedBuffer& buffer : buffers_) {
            v4l2_munmap(buffer.start, buffer.length);
        }
        v4l2_close(fd_);
    }
    buffers_.clear();
    fd_ = -1;
    if (wake_ >= 0) {
        ::close(wake_);
    }
    wake_ = -1;
}

void V4L2FrameSource::capture() {
    std::array<pollfd, 2> watched{{{fd_, POLLIN, 0}, {wake_, POLLIN, 0}}};
    for (;;) {
        const int ready = ::poll(watched.data(), watched.size(), kFrameTimeoutMilliseconds);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (watched[1].revents != 0) {
            return; // stop() wants the device back
        }
        if (ready < 0) {
            deliverFailure({"the camera " + name() + " stopped working: " + systemMessage(errno)});
            return;
        }
        if (ready == 0) {
            deliverFailure({"the camera " + name() + " stopped sending pictures"});
            return;
        }
        v4l2_buffer buffer{};
        buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buffer.memory = V4L2_MEMORY_MMAP;
        if (request(fd_, VIDIOC_DQBUF, &buffer) != 0) {
            const int error = errno;
            const bool broken = (watched[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0;
            if (error == EAGAIN && !broken) {
                continue; // woken without a filled buffer
            }
            deliverFailure({error == ENODEV   ? "the camera " + name() + " was disconnected"
                            : error == EAGAIN ? "the camera " + name() + " stopped working"
                                              : "the camera " + name() +
                                                    " stopped working: " + systemMessage(error)});
            return;
        }
        if (buffer.index >= buffers_.size()) {
            deliverFailure({"the camera " + name() + " stopped working"});
            return;
        }
        // A buffer the driver marks as damaged is given back without being shown.
        if ((buffer.flags & V4L2_BUF_FLAG_ERROR) == 0) {
            const MappedBuffer& mapped = buffers_[buffer.index];
            const std::span<const std::uint8_t> data(
                static_cast<const std::uint8_t*>(mapped.start),
                std::min<std::size_t>(buffer.bytesused, mapped.length));
            if (auto picture = pictureFromRGB24(data, width_, height_, bytesPerLine_)) {
                deliverFrame(*std::move(picture));
            }
        }
        if (request(fd_, VIDIOC_QBUF, &buffer) != 0) {
            deliverFailure({"the camera " + name() + " stopped working: " + systemMessage(errno)});
            return;
        }
    }
}

} // namespace platform
