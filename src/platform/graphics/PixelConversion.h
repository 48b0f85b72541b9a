#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// Straight RGBA → premultiplied RGBA, in place, rounding to nearest.
void premultiplyRGBA(std::uint8_t* pixels, std::size_t count);
// Premultiplied RGBA → straight RGBA, rounding to nearest; transparent pixels become 0.
void unpremultiplyRGBA(const std::uint8_t* from, std::uint8_t* to, std::size_t count);

} // namespace platform
