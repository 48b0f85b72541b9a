#pragma once

#include "platform/graphics/PictureCodec.h"

#include <optional>

namespace platform::heif {

bool hasSignature(std::span<const std::uint8_t> data);
// The primary image, turned upright by its own transformations; whole, or with `box`
// reduced as PictureCodec::decodeToFit says.
std::expected<ReducedPicture, Error> decode(std::span<const std::uint8_t> data,
                                            std::optional<Size> box);

} // namespace platform::heif
