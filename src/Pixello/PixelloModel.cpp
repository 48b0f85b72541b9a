#include "Pixello/PixelloModel.h"

#include "Pixello/EditHistory.h"
#include "Pixello/PropertyNames.h"
#include "ZevkoCore/ZVKCommons.h"
#include "ZevkoCore/ZVKFileSystemUtils.h"
#include "ZevkoCore/ZVKString.h"
#include "platform/base/Device.h"
#include "platform/base/FileSystem.h"
#include "platform/graphics/PictureCodec.h"

#include <algorithm>
#include <filesystem>
#include <string_view>

namespace {

void appendLittleEndian(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        bytes.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

std::uint32_t readLittleEndian(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

} // namespace

PixelloModel::PixelloModel() {
    grid_ = std::make_shared<EffectGrid>(kGridRows, kGridCols);
    orientationChanged();
    const std::string dir = directoryForImages();
    if (!platform::isDirectory(dir)) {
        // A failure shows up later, as a failed picture write.
        platform::createDirectory(dir);
    }
}

void PixelloModel::setEffect(Effect effect) {
    effect_ = effect;
    propertyChanged(PropertyName::kEffect);
}

void PixelloModel::setVisibleToolbar(VisibleToolbar visibleToolbar) {
    visibleToolbar_ = visibleToolbar;
    propertyChanged(PropertyName::kVisibleToolbar);
}

void PixelloModel::setSmudgePower(float power) {
    smudgePower_ = power;
    propertyChanged(PropertyName::kSmudgePower);
}

void PixelloModel::setSmudgeWidth(float width) {
    smudgeWidth_ = width;
    propertyChanged(PropertyName::kSmudgeWidth);
}

void PixelloModel::setBumpPower(float power) {
    bumpPower_ = power;
    propertyChanged(PropertyName::kBumpPower);
}

void PixelloModel::setPinchPower(float power) {
    pinchPower_ = power;
    propertyChanged(PropertyName::kPinchPower);
}

void PixelloModel::cropRectModified() {
    propertyChanged(PropertyName::kCropRect);
}

void PixelloModel::orientationChanged() {
    const platform::DeviceOrientation orientation = platform::Device::current().orientation();
    if (!platform::isInterfaceOrientation(orientation)) {
        return;
    }
    orientation_ = orientation;
    propertyChanged(PropertyName::kOrientation);
}

void PixelloModel::gridModified() {
    propertyChanged(PropertyName::kGrid);
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

std::vector<std::uint8_t> PixelloModel::rawFileBytes(std::span<const std::uint8_t> pixels,
                                                     std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(pixels.size() + kRawTrailerSize);
    bytes.assign(pixels.begin(), pixels.end());
    appendLittleEndian(bytes, width);
    appendLittleEndian(bytes, height);
    return bytes;
}

std::optional<platform::Picture> PixelloModel::pictureFromRawFile(std::vector<std::uint8_t> bytes) {
    if (bytes.size() < kRawTrailerSize) {
        return std::nullopt;
    }
    const std::size_t length = bytes.size() - kRawTrailerSize;
    const std::uint32_t width = readLittleEndian(bytes.data() + length);
    const std::uint32_t height = readLittleEndian(bytes.data() + length + 4);
    // A torn or foreign file: the pixels must be exactly what the trailer announces.
    // Computed in 64 bits, so no product of two 32-bit numbers wraps round to a match.
    if (width == 0 || height == 0 ||
        static_cast<std::uint64_t>(width) * height > platform::Picture::maxPixels ||
        static_cast<std::uint64_t>(width) * height * 4 != length) {
        return std::nullopt;
    }
    bytes.resize(length);
    return platform::Picture::create(std::make_shared<const platform::PixelBytes>(std::move(bytes)),
                                     static_cast<int>(width), static_cast<int>(height));
}

std::optional<platform::Picture> PixelloModel::image() {
    if (currentImage_ < 0 || static_cast<std::size_t>(currentImage_) >= imageFileNames_.size()) {
        return std::nullopt;
    }
    const std::string& name = imageFileNames_[static_cast<std::size_t>(currentImage_)];
    if (cachedFileName_ == name) {
        return cachedImage_;
    }
    cachedImage_.reset();
    cachedFileName_ = name;
    dataRef_.reset();
    const std::string path = pathToImageFile(name);
    if (name.ends_with(".pngr")) {
        if (auto decoded = platform::PictureCodec::decodeFile(path)) {
            cachedImage_ = std::move(*decoded);
        }
    } else if (auto bytes = platform::readFile(path)) {
        cachedImage_ = pictureFromRawFile(std::move(*bytes));
        if (cachedImage_) {
            // The picture and the buffer share the same bytes.
            dataRef_ = cachedImage_->pixels();
        }
    }
    return cachedImage_;
}

bool PixelloModel::setImage(const std::optional<platform::Picture>& picture) {
    if (!picture) {
        return false;
    }
    std::string name = ZVKUUIDCreate() + ".png";
    const std::size_t pixelBytes = static_cast<std::size_t>(picture->width()) *
                                   static_cast<std::size_t>(picture->height()) * 4;
    bool written = false;
    std::optional<platform::Picture> fromBuffer;
    // The raw format has no orientation flag: only upright pixels go into it.
    if (dataRef_ && dataRef_->size() == pixelBytes &&
        picture->orientation() == platform::Picture::Up) {
        const auto bytes = rawFileBytes(*dataRef_, static_cast<std::uint32_t>(picture->width()),
                                        static_cast<std::uint32_t>(picture->height()));
        written = platform::writeFileAtomically(pathToImageFile(name), bytes);
        // What the file holds is exactly this: reading it back would only cost time and memory.
        fromBuffer = platform::Picture::create(dataRef_, picture->width(), picture->height());
    } else {
        // Without pixels that fit the picture a raw file could never be read back, so the
        // picture is encoded instead.
        name += "r";
        if (const auto png = platform::PictureCodec::encodePNG(*picture)) {
            written = platform::writeFileAtomically(pathToImageFile(name), *png);
        }
    }
    if (!written) {
        return false;
    }
    while (redoImageAllowed()) {
        dropLastEntry();
    }
    if (fromBuffer) {
        cachedFileName_ = name;
        cachedImage_ = std::move(fromBuffer);
    }
    imageFileNames_.push_back(std::move(name));
    ++currentImage_;
    propertyChanged(PropertyName::kImage);
    propertyChanged(PropertyName::kHistory);
    return true;
}

void PixelloModel::undoImage() {
    if (!undoImageAllowed()) {
        return;
    }
    --currentImage_;
    propertyChanged(PropertyName::kImage);
    propertyChanged(PropertyName::kHistory);
}

void PixelloModel::redoImage() {
    if (!redoImageAllowed()) {
        return;
    }
    ++currentImage_;
    propertyChanged(PropertyName::kImage);
    propertyChanged(PropertyName::kHistory);
}

void PixelloModel::clearHistory() {
    while (redoImageAllowed()) {
        dropLastEntry();
    }
    while (currentImage_ >= 1) {
        dropFirstEntry();
        --currentImage_;
    }
    propertyChanged(PropertyName::kHistory);
}

void PixelloModel::clearCache() {
    if (!cachedImage_) {
        return;
    }
    cachedImage_.reset();
    cachedFileName_.clear();
    dataRef_.reset();
}

void PixelloModel::dropLastEntry() {
    const std::string name = std::move(imageFileNames_.back());
    imageFileNames_.pop_back();
    removeFileUnlessNamed(name);
}

void PixelloModel::dropFirstEntry() {
    const std::string name = std::move(imageFileNames_.front());
    imageFileNames_.erase(imageFileNames_.begin());
    if (!imageFileNames_.empty()) {
        EditHistory::carryOver(directoryForImages(), name, imageFileNames_.front());
    }
    removeFileUnlessNamed(name);
}

void PixelloModel::removeFileUnlessNamed(const std::string& name) {
    // A stored history may name one file twice; the entry that stays keeps its picture.
    if (std::find(imageFileNames_.begin(), imageFileNames_.end(), name) == imageFileNames_.end()) {
        platform::removeFile(pathToImageFile(name));
        EditHistory::removeCompanions(directoryForImages(), name);
    }
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
