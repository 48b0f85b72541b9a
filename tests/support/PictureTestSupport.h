#pragma once

// Pictures and encoded files the tests make themselves.

#include "platform/graphics/Picture.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace picture_test {

// A picture whose every pixel is colour(x, y) (premultiplied R, G, B, A).
platform::Picture makePicture(int width, int height,
                              const std::function<std::array<std::uint8_t, 4>(int, int)>& colour,
                              int orientation = platform::Picture::Up);

// A picture where each pixel's R is its x, G its y and B 200 (opaque), so pixels can
// be told apart by value.
platform::Picture makeCoordinatePicture(int width, int height,
                                        int orientation = platform::Picture::Up);

struct PngLayout {
    int width = 1;
    int height = 1;
    int colourType = 0;
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<std::uint8_t> rows;         // raw rows as the colour type and depth lay them out
    std::vector<std::uint8_t> palette;      // R, G, B triples
    std::vector<std::uint8_t> transparency; // the tRNS chunk's bytes
};
std::vector<std::uint8_t> encodeRawPng(const PngLayout& layout);

// A baseline JPEG of `picture`'s RGB at quality 100 without subsampling; with an EXIF
// block holding `exifOrientation` when it is non-zero.
std::vector<std::uint8_t> encodeJpeg(const platform::Picture& picture, int exifOrientation = 0,
                                     bool grey = false);

// CRC-32 as PNG chunks use it, for hand-made chunks.
std::uint32_t pngCrc(const std::uint8_t* data, std::size_t length);

} // namespace picture_test
