#pragma once

#include "platform/graphics/PictureCodec.h"

#include <optional>

namespace platform::webp {

bool hasSignature(std::span<const std::uint8_t> data);
// The whole picture, or with `box` reduced as PictureCodec::decodeToFit says. Animations
// are not read.
std::expected<ReducedPicture, Error> decode(std::span<const std::uint8_t> data,
                                            std::optional<Size> box);

} // namespace platform::webp
