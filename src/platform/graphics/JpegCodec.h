#pragma once

#include "platform/graphics/PictureCodec.h"

#include <optional>

namespace platform::jpeg {

bool hasSignature(std::span<const std::uint8_t> data);
// The whole picture, or with `box` reduced as PictureCodec::decodeToFit says; the EXIF
// orientation becomes the picture's orientation flag either way.
std::expected<ReducedPicture, Error> decode(std::span<const std::uint8_t> data,
                                            std::optional<Size> box);
// The platform orientation (0–7) for an EXIF orientation tag value (1–8); Up for others.
int orientationFromExifValue(int exifValue);

} // namespace platform::jpeg
