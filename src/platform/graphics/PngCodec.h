#pragma once

#include "platform/graphics/PictureCodec.h"

namespace platform::png {

bool hasSignature(std::span<const std::uint8_t> data);
std::expected<Picture, Error> decode(std::span<const std::uint8_t> data);
std::expected<std::vector<std::uint8_t>, Error> encode(const Picture& picture);

} // namespace platform::png
