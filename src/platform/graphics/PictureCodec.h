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
inline constexpr const char* unknownFormat = "the file is not a PNG, JPEG, WebP or HEIF picture";
// Truncated or damaged data, or a layout the decoders do not handle.
inline constexpr const char* damaged = "the picture is damaged or incomplete";
// More than Picture::maxPixels pixels to hold.
inline constexpr const char* tooLarge = "the picture is larger than 50 megapixels";
// A side beyond PictureCodec::maxFileSide, or more memory than the decoder is given.
inline constexpr const char* oversized = "the picture is too large to read";
} // namespace decodeFailure

// A picture decoded at a reduced size, and the upright size of the whole picture in the file.
struct ReducedPicture {
    Picture picture;
    Size fullSize;
};

// Reads PNG (every colour type and depth, palettes, transparency), JPEG (orientation from its
// EXIF block), WebP (lossy and lossless, with alpha) and HEIF (the primary image, turned
// upright, with alpha) into premultiplied RGBA pictures, and writes PNG. Damaged data yields
// no picture and nothing is printed.
class PictureCodec {
public:
    // The longest side a file may declare. The reduced decoding streams or scales, so what a
    // large file costs is reading time, not memory; this cap refuses absurd headers (a PNG
    // claiming two billion columns, a HEIF grid claiming a gigapixel) before anything is
    // allocated. It takes the largest camera sensors and stitched panoramas, and is libheif's
    // own default limit.
    static constexpr int maxFileSide = 32768;

    static std::expected<Picture, Error> decode(std::span<const std::uint8_t> data);
    static std::expected<Picture, Error> decodeFile(const std::filesystem::path& path);

    // Decodes at the smallest size the format can reach cheaply whose upright size still
    // covers the fit of the whole picture within `box` (width and height each >= the fitted
    // size), so the caller's final reduction only shrinks. The fit is the editor's: scaled
    // down keeping the aspect until both sides fit, never enlarged, truncated to whole pixels.
    // A picture that already fits is decoded whole. Picture::maxPixels limits what is held,
    // not the size in the file.
    static std::expected<ReducedPicture, Error> decodeToFit(std::span<const std::uint8_t> data,
                                                            Size box);
    static std::expected<ReducedPicture, Error> decodeFileToFit(const std::filesystem::path& path,
                                                                Size box);

    // PNG of the stored pixels, colour un-premultiplied as the format wants; the
    // orientation flag is not written, so callers store upright pictures.
    static std::expected<std::vector<std::uint8_t>, Error> encodePNG(const Picture& picture);
    // Writes encodePNG's bytes to `path`; a partly written file is removed.
    static std::expected<void, Error> writePNG(const Picture& picture,
                                               const std::filesystem::path& path);
};

} // namespace platform
