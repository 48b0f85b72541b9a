#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace platform {

// A picture's raw pixels: width · height · 4 bytes, R, G, B, A with colour premultiplied
// by alpha, top row first, rows packed. The buffer does not carry its size; it travels
// with the picture it belongs to. Shared and immutable, so a picture made over the
// bytes and the holder of the buffer may each be released first.
using PixelBytes = std::vector<std::uint8_t>;
using PixelBuffer = std::shared_ptr<const PixelBytes>;

} // namespace platform
