#include "platform/media/FrameSource.h"

#include "platform/media/PictureFrameSource.h"
#include "platform/media/V4L2FrameSource.h"

namespace platform {

namespace {

// The process's camera picture, as the command line set it.
std::optional<std::filesystem::path>& cameraPicture() {
    static std::optional<std::filesystem::path> file;
    return file;
}

} // namespace

std::expected<std::optional<FrameSource::Frame>, Error> FrameSource::latestFrame() const {
    std::lock_guard lock(mutex_);
    if (failure_) {
        return std::unexpected(*failure_);
    }
    return latest_;
}

bool FrameSource::cameraAvailable() {
    return cameraPicture().has_value() || !V4L2FrameSource::captureDevices().empty();
}

std::unique_ptr<FrameSource> FrameSource::createCamera() {
    if (cameraPicture()) {
        return std::make_unique<PictureFrameSource>(*cameraPicture());
    }
    const auto devices = V4L2FrameSource::captureDevices();
    if (devices.empty()) {
        return nullptr;
    }
    return std::make_unique<V4L2FrameSource>(devices.front());
}

void FrameSource::setCameraPicture(std::filesystem::path file) {
    cameraPicture() = std::move(file);
}

void FrameSource::resetCameraPicture() {
    cameraPicture().reset();
}

void FrameSource::beginRun() {
    std::lock_guard lock(mutex_);
    latest_.reset();
    failure_.reset();
}

void FrameSource::deliverFrame(Picture picture) {
    std::lock_guard lock(mutex_);
    latest_.emplace(Frame{std::move(picture), ++delivered_});
}

void FrameSource::deliverFailure(Error error) {
    std::lock_guard lock(mutex_);
    failure_ = std::move(error);
}

} // namespace platform
