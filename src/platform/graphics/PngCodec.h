#pragma once

#include "platform/graphics/PictureCodec.h"

namespace platform::png {

bool hasSignature(std::span<const std::uint8_t> data);
DecodeResult decode(std::span<const std::uint8_t> data);
std::optional<std::vector<std::uint8_t>> encode(const Picture& picture);

} // namespace platform::png
