#pragma once

// Pictures and encoded files the tests make themselves.

#include "platform/graphics/Picture.h"
#include "support/JpegEncoding.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

using Pixel = std::array<std::uint8_t, 4>;

// A picture whose every pixel is colour(x, y) (premultiplied R, G, B, A). Every test picture
// is made here.
platform::Picture makePicture(int width, int height, const std::function<Pixel(int, int)>& colour,
                              int orientation = platform::Picture::Up);

// Every pixel `colour`.
platform::Picture plainPicture(int width, int height, Pixel colour);

// An opaque picture whose pixels differ from their neighbours and whose quarters differ.
platform::Picture patternPicture(int width, int height);

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

// CRC-32 as PNG chunks use it, for hand-made chunks.
std::uint32_t pngCrc(const std::uint8_t* data, std::size_t length);

} // namespace testsupport
