#pragma once

#include <cstddef>
#include <cstdint>

// The sprite: a picture in the top-left corner of a power-of-two texture, its last column
// and last row repeated into the texels beyond it, so that filtering along the picture's
// edges never mixes in texels of another colour.
namespace SpriteTexture {

// The smallest power of two not below `size`, or 0 when that exceeds the largest texture
// or `size` is not a positive finite number. The GL context must be current.
std::uint32_t sideFor(float size);

// Whether every pixel of w × h packed RGBA rows is opaque.
bool isOpaque(const std::uint8_t* pixels, std::size_t w, std::size_t h);

// Into the bound spriteWidth × spriteHeight texture: the w × h picture of packed rows in
// the top-left corner and its edges repeated right of and below it.
void upload(const std::uint8_t* pixels, std::size_t w, std::size_t h, std::size_t spriteWidth,
            std::size_t spriteHeight);

} // namespace SpriteTexture
