#pragma once

#include "platform/graphics/Picture.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

namespace platform {

enum class DecodeStatus {
    ok,
    unreadable,    // the file could not be opened or read
    unknownFormat, // neither PNG nor JPEG
    corrupt,       // truncated or damaged data, or a layout the decoders do not handle
    tooLarge,      // more than Picture::maxPixels pixels
};

struct DecodeResult {
    std::optional<Picture> picture; // set exactly when status is ok
    DecodeStatus status = DecodeStatus::corrupt;
};

// Reads PNG (every colour type and depth, palettes, transparency) and JPEG (orientation
// from its EXIF block) into premultiplied RGBA pictures, and writes PNG. Damaged data
// yields no picture and nothing is printed.
class PictureCodec {
public:
    static DecodeResult decode(std::span<const std::uint8_t> data);
    static DecodeResult decodeFile(const std::filesystem::path& path);

    // PNG of the stored pixels, colour un-premultiplied as the format wants; the
    // orientation flag is not written, so callers store upright pictures.
    static std::optional<std::vector<std::uint8_t>> encodePNG(const Picture& picture);
    // Writes encodePNG's bytes to `path`; false when encoding or writing failed (a
    // partly written file is removed).
    static bool writePNG(const Picture& picture, const std::filesystem::path& path);

    // One line for the user or the log, e.g. "the picture is larger than 50 megapixels".
    static const char* describe(DecodeStatus status);
};

} // namespace platform
