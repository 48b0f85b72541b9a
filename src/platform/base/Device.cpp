#include "platform/base/Device.h"

#include "platform/base/NotificationCenter.h"

namespace platform {

namespace {

// A desktop stands upright and has no model name of its own.
constexpr const char* kDefaultModel = "Linux";
constexpr int kDefaultOrientation = 1;

} // namespace

Device::Device() : model_(kDefaultModel), orientation_(kDefaultOrientation) {}

Device& Device::current() {
    static Device device;
    return device;
}

void Device::setOrientation(int orientation) {
    if (orientation < 0 || orientation > 6) {
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
