#include "platform/graphics/PictureCodec.h"

#include "platform/graphics/HeifCodec.h"
#include "platform/graphics/JpegCodec.h"
#include "platform/graphics/PngCodec.h"
#include "platform/graphics/WebpCodec.h"

#include <cstdio>
#include <optional>
#include <system_error>

namespace platform {

namespace {

// Far above what any camera's picture compresses to; a larger file is not read whole.
constexpr std::uintmax_t maxFileBytes = 512u * 1024u * 1024u;

std::expected<ReducedPicture, Error> read(std::span<const std::uint8_t> data,
                                          std::optional<Size> box) {
    if (png::hasSignature(data)) {
        return png::decode(data, box);
    }
    if (jpeg::hasSignature(data)) {
        return jpeg::decode(data, box);
    }
    if (webp::hasSignature(data)) {
        return webp::decode(data, box);
    }
    if (heif::hasSignature(data)) {
        return heif::decode(data, box);
    }
    return failure(decodeFailure::unknownFormat);
}

std::expected<std::vector<std::uint8_t>, Error> readFile(const std::filesystem::path& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error) {
        return failure(decodeFailure::unreadable);
    }
    if (size > maxFileBytes) {
        return failure(decodeFailure::oversized);
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
    return bytes;
}

} // namespace

std::expected<Picture, Error> PictureCodec::decode(std::span<const std::uint8_t> data) {
    auto whole = read(data, std::nullopt);
    if (!whole) {
        return std::unexpected(whole.error());
    }
    return std::move(whole->picture);
}

std::expected<Picture, Error> PictureCodec::decodeFile(const std::filesystem::path& path) {
    const auto bytes = readFile(path);
    if (!bytes) {
        return std::unexpected(bytes.error());
    }
    return decode(*bytes);
}

std::expected<ReducedPicture, Error> PictureCodec::decodeToFit(std::span<const std::uint8_t> data,
                                                               Size box) {
    return read(data, box);
}

std::expected<ReducedPicture, Error>
PictureCodec::decodeFileToFit(const std::filesystem::path& path, Size box) {
    const auto bytes = readFile(path);
    if (!bytes) {
        return std::unexpected(bytes.error());
    }
    return read(*bytes, box);
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
