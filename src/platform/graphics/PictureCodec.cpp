#include "platform/graphics/PictureCodec.h"

#include "platform/graphics/JpegCodec.h"
#include "platform/graphics/PngCodec.h"

#include <cstdio>
#include <system_error>

namespace platform {

namespace {

// Far above what a 50-megapixel picture compresses to; a larger file is not read whole.
constexpr std::uintmax_t maxFileBytes = 512u * 1024u * 1024u;

} // namespace

DecodeResult PictureCodec::decode(std::span<const std::uint8_t> data) {
    if (png::hasSignature(data)) {
        return png::decode(data);
    }
    if (jpeg::hasSignature(data)) {
        return jpeg::decode(data);
    }
    return {std::nullopt, DecodeStatus::unknownFormat};
}

DecodeResult PictureCodec::decodeFile(const std::filesystem::path& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error) {
        return {std::nullopt, DecodeStatus::unreadable};
    }
    if (size > maxFileBytes) {
        return {std::nullopt, DecodeStatus::tooLarge};
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return {std::nullopt, DecodeStatus::unreadable};
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    if (got != bytes.size()) {
        return {std::nullopt, DecodeStatus::unreadable};
    }
    return decode(bytes);
}

std::optional<std::vector<std::uint8_t>> PictureCodec::encodePNG(const Picture& picture) {
    return png::encode(picture);
}

bool PictureCodec::writePNG(const Picture& picture, const std::filesystem::path& path) {
    const auto bytes = encodePNG(picture);
    if (!bytes) {
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(bytes->data(), 1, bytes->size(), file) == bytes->size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
        return false;
    }
    return true;
}

const char* PictureCodec::describe(DecodeStatus status) {
    switch (status) {
    case DecodeStatus::ok:
        return "the picture was read";
    case DecodeStatus::unreadable:
        return "the file could not be read";
    case DecodeStatus::unknownFormat:
        return "the file is neither a PNG nor a JPEG picture";
    case DecodeStatus::corrupt:
        return "the picture is damaged or incomplete";
    case DecodeStatus::tooLarge:
        return "the picture is larger than 50 megapixels";
    }
    return "the picture could not be read";
}

} // namespace platform
