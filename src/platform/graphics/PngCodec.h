#pragma once

#include "platform/graphics/PictureCodec.h"

#include <optional>

namespace platform::png {

bool hasSignature(std::span<const std::uint8_t> data);
// The whole picture, or with `box` reduced as PictureCodec::decodeToFit says.
std::expected<ReducedPicture, Error> decode(std::span<const std::uint8_t> data,
                                            std::optional<Size> box);
std::expected<std::vector<std::uint8_t>, Error> encode(const Picture& picture);

} // namespace platform::png
