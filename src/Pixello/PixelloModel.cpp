#include "Pixello/PixelloModel.h"

#include "ZevkoCore/ZVKFileSystemUtils.h"
#include "ZevkoCore/ZVKString.h"
#include "platform/Device.h"
#include "platform/FileSystem.h"

#include <filesystem>
#include <string_view>

PixelloModel::PixelloModel() {
    orientationChanged();
    const std::string dir = directoryForImages();
    if (!platform::isDirectory(dir)) {
        // A failure shows up later, as a failed picture write.
        platform::createDirectory(dir);
    }
}

void PixelloModel::setEffect(std::int32_t effect) {
    effect_ = effect;
    propertyChanged("effect");
}

void PixelloModel::setVisibleToolbar(std::int32_t visibleToolbar) {
    visibleToolbar_ = visibleToolbar;
    propertyChanged("visibleToolbar");
}

void PixelloModel::setSmudgePower(float power) {
    smudgePower_ = power;
    propertyChanged("smudgePower");
}

void PixelloModel::setSmudgeWidth(float width) {
    smudgeWidth_ = width;
    propertyChanged("smudgeWidth");
}

void PixelloModel::setBumpPower(float power) {
    bumpPower_ = power;
    propertyChanged("bumpPower");
}

void PixelloModel::setPinchPower(float power) {
    pinchPower_ = power;
    propertyChanged("pinchPower");
}

void PixelloModel::cropRectModified() {
    propertyChanged("cropRect");
}

void PixelloModel::orientationChanged() {
    const int orientation = platform::Device::current().orientation();
    if (orientation < 1 || orientation > 4) {
        return;
    }
    orientation_ = orientation;
    propertyChanged("orientation");
}

void PixelloModel::gridModified() {
    propertyChanged("grid");
}

bool PixelloModel::undoImageAllowed() const {
    return currentImage_ > 0;
}

bool PixelloModel::redoImageAllowed() const {
    return static_cast<std::int64_t>(currentImage_) + 1 <
           static_cast<std::int64_t>(imageFileNames_.size());
}

std::string PixelloModel::directoryForImages() const {
    return (std::filesystem::path(ZVKDocumentsDirectory()) / kImagesDirectoryName).string();
}

std::string PixelloModel::pathToImageFile(const std::string& name) const {
    return (std::filesystem::path(directoryForImages()) / name).string();
}

bool PixelloModel::isValidImageFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\0", 2)) == std::string::npos;
}

void PixelloModel::setDataRef(platform::PixelBuffer buffer) {
    dataRef_ = std::move(buffer);
}

std::string PixelloModel::saveToData() const {
    std::string text;
    text += std::to_string(imageFileNames_.size());
    text += '\n';
    text += std::to_string(currentImage_);
    text += '\n';
    for (const std::string& name : imageFileNames_) {
        text += name;
        text += '\n';
    }
    for (float value : {smudgePower_, smudgeWidth_, bumpPower_, pinchPower_}) {
        text += ZVKStringFromFloat(value);
        text += '\n';
    }
    return text;
}

bool PixelloModel::loadFromData(const std::string& text) {
    // Only complete lines count; whatever follows the last line feed (the digest) is not read.
    std::vector<std::string_view> lines;
    std::string_view rest(text);
    for (std::size_t end = rest.find('\n'); end != std::string_view::npos; end = rest.find('\n')) {
        lines.push_back(rest.substr(0, end));
        rest.remove_prefix(end + 1);
    }
    if (lines.size() < 2) {
        return false;
    }
    const std::int32_t declared = ZVKStringIntValue(lines[0]);
    const std::int32_t current = ZVKStringIntValue(lines[1]);
    // A negative count has always meant an empty history.
    const std::size_t count = declared > 0 ? static_cast<std::size_t>(declared) : 0;
    if (lines.size() - 2 < count + 4) {
        return false;
    }
    std::vector<std::string> names;
    names.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        std::string name(lines[2 + i]);
        if (!isValidImageFileName(name)) {
            return false;
        }
        names.push_back(std::move(name));
    }
    const bool indexSound = names.empty()
                                ? current == -1
                                : current >= 0 && static_cast<std::size_t>(current) < names.size();
    if (!indexSound) {
        return false;
    }
    const std::size_t k = 2 + count;
    imageFileNames_ = std::move(names);
    currentImage_ = current;
    smudgePower_ = ZVKStringFloatValue(lines[k]);
    smudgeWidth_ = ZVKStringFloatValue(lines[k + 1]);
    bumpPower_ = ZVKStringFloatValue(lines[k + 2]);
    pinchPower_ = ZVKStringFloatValue(lines[k + 3]);
    return true;
}
