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

std::expected<Picture, Error> PictureCodec::decode(std::span<const std::uint8_t> data) {
    if (png::hasSignature(data)) {
        return png::decode(data);
    }
    if (jpeg::hasSignature(data)) {
        return jpeg::decode(data);
    }
    return failure(decodeFailure::unknownFormat);
}

std::expected<Picture, Error> PictureCodec::decodeFile(const std::filesystem::path& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error) {
        return failure(decodeFailure::unreadable);
    }
    if (size > maxFileBytes) {
        return failure(decodeFailure::tooLarge);
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return failure(decodeFailure::unreadable);
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    if (got != bytes.size()) {
        return failure(decodeFailure::unreadable);
    }
    return decode(bytes);
}

std::expected<std::vector<std::uint8_t>, Error> PictureCodec::encodePNG(const Picture& picture) {
    return png::encode(picture);
}

std::expected<void, Error> PictureCodec::writePNG(const Picture& picture,
                                                  const std::filesystem::path& path) {
    const auto bytes = encodePNG(picture);
    if (!bytes) {
        return std::unexpected(bytes.error());
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return failure("cannot open '" + path.string() + "' for writing");
    }
    const bool written = std::fwrite(bytes->data(), 1, bytes->size(), file) == bytes->size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
        return failure("cannot write '" + path.string() + "'");
    }
    return {};
}

} // namespace platform
