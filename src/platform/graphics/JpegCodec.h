#pragma once

#include "platform/graphics/PictureCodec.h"

namespace platform::jpeg {

bool hasSignature(std::span<const std::uint8_t> data);
std::expected<Picture, Error> decode(std::span<const std::uint8_t> data);
// The platform orientation (0–7) for an EXIF orientation tag value (1–8); Up for others.
int orientationFromExifValue(int exifValue);

} // namespace platform::jpeg
