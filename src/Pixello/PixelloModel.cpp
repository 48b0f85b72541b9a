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
#include <iterator>
#include <string_view>
#include <unordered_set>

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

std::expected<void, platform::Error>
PixelloModel::setImage(const std::optional<platform::Picture>& picture) {
    if (!picture) {
        return platform::failure("there is no picture");
    }
    std::string name = ZVKUUIDCreate() + ".png";
    const std::size_t pixelBytes = static_cast<std::size_t>(picture->width()) *
                                   static_cast<std::size_t>(picture->height()) * 4;
    std::expected<void, platform::Error> written;
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
        } else {
            written = platform::failure("the picture could not be encoded as PNG");
        }
    }
    if (!written) {
        return written;
    }
    dropEntries(static_cast<std::size_t>(currentImage_ + 1), imageFileNames_.size());
    if (fromBuffer) {
        cachedFileName_ = name;
        cachedImage_ = std::move(fromBuffer);
    }
    imageFileNames_.push_back(std::move(name));
    ++currentImage_;
    propertyChanged(PropertyName::kImage);
    propertyChanged(PropertyName::kHistory);
    return {};
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
    if (currentImage_ >= 0) {
        const auto current = static_cast<std::size_t>(currentImage_);
        dropEntries(current + 1, imageFileNames_.size());
        // Each entry that becomes first takes over the edits and the original of the one
        // before it, so the full-size rendition of the entry that stays can still be made.
        // An entry with an original of its own (a picked picture) needs none of them.
        const auto own = EditHistory::readRecord(directoryForImages(), imageFileNames_[current]);
        for (std::size_t i = 0; own && !own->base.empty() && i < current; ++i) {
            EditHistory::carryOver(directoryForImages(), imageFileNames_[i],
                                   imageFileNames_[i + 1]);
        }
        dropEntries(0, current);
        currentImage_ = 0;
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

void PixelloModel::dropEntries(std::size_t first, std::size_t last) {
    // Linear in the entries dropped (and, for a cut at the front, in those that move up):
    // whether another entry still names a file is settled when the files go.
    const auto begin = imageFileNames_.begin() + static_cast<std::ptrdiff_t>(first);
    const auto end = imageFileNames_.begin() + static_cast<std::ptrdiff_t>(last);
    pendingRemovals_.insert(pendingRemovals_.end(), std::make_move_iterator(begin),
                            std::make_move_iterator(end));
    imageFileNames_.erase(begin, end);
}

std::vector<std::string> PixelloModel::filesOfEntry(const std::string& name) {
    return {name, EditHistory::editFileName(name), EditHistory::sourceFileName(name)};
}

bool PixelloModel::isEntryFileName(const std::string& name) {
    constexpr std::size_t kUUIDLength = 36;
    const std::string_view extension =
        std::string_view(name).substr(std::min(name.size(), kUUIDLength));
    if (name.size() <= kUUIDLength || (extension != ".png" && extension != ".pngr")) {
        return false;
    }
    for (std::size_t i = 0; i < kUUIDLength; ++i) {
        const char c = name[i];
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        const bool hex = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
        if (dash ? c != '-' : !hex) {
            return false;
        }
    }
    return true;
}

std::vector<std::string> PixelloModel::entryNamesIn(const std::string& storedText) {
    std::vector<std::string> names;
    std::string_view rest(storedText);
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find('\n'), rest.size());
        const std::string line(rest.substr(0, end));
        if (isValidImageFileName(line)) {
            names.push_back(line);
        }
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    return names;
}

void PixelloModel::retireEntriesOf(const std::string& storedText) {
    const std::unordered_set<std::string> current(imageFileNames_.begin(), imageFileNames_.end());
    for (std::string& name : entryNamesIn(storedText)) {
        if (isEntryFileName(name) && !current.contains(name)) {
            pendingRemovals_.push_back(std::move(name));
        }
    }
}

void PixelloModel::storageWritten(const std::vector<std::string>& storedTexts) {
    if (pendingRemovals_.empty()) {
        return;
    }
    std::unordered_set<std::string> named(imageFileNames_.begin(), imageFileNames_.end());
    for (const std::string& text : storedTexts) {
        for (std::string& name : entryNamesIn(text)) {
            named.insert(std::move(name));
        }
    }
    // Names still stored wait for a later save; the others go with their files. A file that
    // cannot be removed is left to the start-up clean-up.
    std::erase_if(pendingRemovals_, [&](const std::string& name) {
        if (named.contains(name)) {
            return false;
        }
        for (const std::string& file : filesOfEntry(name)) {
            platform::removeFile(pathToImageFile(file));
        }
        return true;
    });
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
    smudgePower_ = kSmudgePowerRange.clamp(ZVKStringFloatValue(lines[k]));
    smudgeWidth_ = kSmudgeWidthRange.clamp(ZVKStringFloatValue(lines[k + 1]));
    bumpPower_ = kBumpPowerRange.clamp(ZVKStringFloatValue(lines[k + 2]));
    pinchPower_ = kPinchPowerRange.clamp(ZVKStringFloatValue(lines[k + 3]));
    return true;
}
