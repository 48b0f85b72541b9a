#pragma once

#include "platform/base/Error.h"
#include "platform/graphics/Picture.h"

#include <cstdint>
#include <expected>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>

namespace platform {

// A camera as the camera screen sees it: once started it keeps the newest frame for the
// preview to show and the shutter to take. Frames come from the source's own capture
// thread and are handed over whole: a reader gets the newest complete frame, never one
// that is still being written. start() and stop() belong to the source's owner and are
// called from one thread; latestFrame() may be called from any thread.
class FrameSource {
public:
    struct Frame {
        Picture picture; // upright and opaque
        // 1 for the first frame the source delivered, one more for each later one, also
        // across a stop and a new start: a preview redraws when the number changes.
        std::uint64_t number;
    };

    virtual ~FrameSource() = default;
    FrameSource(const FrameSource&) = delete;
    FrameSource& operator=(const FrameSource&) = delete;

    // Opens the camera and begins delivering frames; why not, when it cannot. The source
    // must be new or stopped; the frame and the failure of an earlier run are forgotten.
    virtual std::expected<void, Error> start() = 0;
    // Ends the delivery and releases the camera; returns promptly. The last frame stays
    // readable. Stopping a stopped source does nothing.
    virtual void stop() = 0;

    // The newest frame, nothing before the first one; why the camera stopped working
    // (it was unplugged, say) once it has.
    std::expected<std::optional<Frame>, Error> latestFrame() const;

    // Whether the editor has a camera: a camera picture is set, or a V4L2 capture device
    // exists. Cheap enough to ask each time the camera is wanted.
    static bool cameraAvailable();
    // The camera: a source playing the camera picture when one is set, else one reading the
    // first capture device; not started. Nothing when there is no camera.
    static std::unique_ptr<FrameSource> createCamera();

    // A picture file that stands in for the camera (the command line's --camera-picture),
    // for scripted runs, tests and machines without a capture device. Set at start-up,
    // before a camera is wanted.
    static void setCameraPicture(std::filesystem::path file);
    static void resetCameraPicture();

protected:
    FrameSource() = default;

    // Called by start(): no frame and no failure until the new run delivers them.
    void beginRun();
    // Makes `picture` the newest frame. Any thread.
    void deliverFrame(Picture picture);
    // The camera stopped working; readers get `error` from now on. Any thread.
    void deliverFailure(Error error);

private:
    mutable std::mutex mutex_;
    std::optional<Frame> latest_;  // guarded by mutex_
    std::optional<Error> failure_; // guarded by mutex_
    std::uint64_t delivered_ = 0;  // guarded by mutex_
};

} // namespace platform
