#pragma once

#include "platform/base/Error.h"
#include "platform/graphics/Picture.h"

#include <cstdint>
#include <expected>
#include <filesystem>
#include <span>
#include <vector>

namespace platform {

// Why a picture was not read, as the decoders word it.
namespace decodeFailure {
inline constexpr const char* unreadable = "the file could not be read";
inline constexpr const char* unknownFormat = "the file is neither a PNG nor a JPEG picture";
// Truncated or damaged data, or a layout the decoders do not handle.
inline constexpr const char* damaged = "the picture is damaged or incomplete";
// More than Picture::maxPixels pixels.
inline constexpr const char* tooLarge = "the picture is larger than 50 megapixels";
} // namespace decodeFailure

// Reads PNG (every colour type and depth, palettes, transparency) and JPEG (orientation
// from its EXIF block) into premultiplied RGBA pictures, and writes PNG. Damaged data
// yields no picture and nothing is printed.
class PictureCodec {
public:
    static std::expected<Picture, Error> decode(std::span<const std::uint8_t> data);
    static std::expected<Picture, Error> decodeFile(const std::filesystem::path& path);

    // PNG of the stored pixels, colour un-premultiplied as the format wants; the
    // orientation flag is not written, so callers store upright pictures.
    static std::expected<std::vector<std::uint8_t>, Error> encodePNG(const Picture& picture);
    // Writes encodePNG's bytes to `path`; a partly written file is removed.
    static std::expected<void, Error> writePNG(const Picture& picture,
                                               const std::filesystem::path& path);
};

} // namespace platform
