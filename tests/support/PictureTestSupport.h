#pragma once

// Pictures and encoded files the tests make themselves.

#include "platform/graphics/Picture.h"
#include "support/JpegEncoding.h"

#include <algorithm>
#include <array>
#include <cmath>
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

// The editor's own fit of a picture within a box (its conversion of picked pictures): float
// steps, truncated, at least one pixel.
inline platform::Size editorFit(platform::Size full, platform::Size box) {
    float w = full.width;
    float h = full.height;
    if (box.width < w) {
        h = box.width * h / w;
        w = box.width;
    }
    if (h > box.height) {
        w = box.height * w / h;
        h = box.height;
    }
    return {std::max(std::trunc(w), 1.0f), std::max(std::trunc(h), 1.0f)};
}

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

} // namespace testsupport
