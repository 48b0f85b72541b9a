#include "platform/base/Device.h"

#include "platform/base/NotificationCenter.h"

namespace platform {

namespace {

// A desktop stands upright and has no model name of its own.
constexpr const char* kDefaultModel = "Linux";
constexpr DeviceOrientation kDefaultOrientation = DeviceOrientation::Portrait;

} // namespace

Device::Device() : model_(kDefaultModel), orientation_(kDefaultOrientation) {}

Device& Device::current() {
    static Device device;
    return device;
}

void Device::setOrientation(DeviceOrientation orientation) {
    if (orientation < DeviceOrientation::Unknown || orientation > DeviceOrientation::FaceDown) {
        return;
    }
    orientation_ = orientation;
    if (generating_) {
        NotificationCenter::defaultCenter().post(kOrientationDidChangeNotification, this);
    }
}

void Device::reset() {
    model_ = kDefaultModel;
    orientation_ = kDefaultOrientation;
    generating_ = false;
}

} // namespace platform
