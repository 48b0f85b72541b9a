// Feeds arbitrary bytes to the reader of raw history files (the pixels, then width and
// height as little-endian 32-bit numbers) and checks that it takes exactly the files whose
// trailer announces the pixels before it, and reads those back unchanged.
#include "Pixello/PixelloModel.h"
#include "fuzz/FuzzTarget.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// Raw files of a few small pictures to start the mutations from.
std::vector<std::string> fuzzSeeds() {
    std::vector<std::string> out;
    for (const auto& [width, height] : {std::pair{2u, 1u}, {3u, 2u}, {1u, 7u}, {16u, 9u}}) {
        std::vector<std::uint8_t> pixels;
        for (std::uint32_t i = 0; i < width * height; ++i) {
            pixels.insert(pixels.end(), {static_cast<std::uint8_t>(i), 7, 200, 255});
        }
        const auto bytes = PixelloModel::rawFileBytes(pixels, width, height);
        out.emplace_back(bytes.begin(), bytes.end());
    }
    return out;
}

namespace {

std::uint32_t littleEndian(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    const auto picture = PixelloModel::pictureFromRawFile(bytes);
    bool sound = false;
    if (size >= PixelloModel::kRawTrailerSize) {
        const std::size_t length = size - PixelloModel::kRawTrailerSize;
        const std::uint64_t width = littleEndian(data + length);
        const std::uint64_t height = littleEndian(data + length + 4);
        // Counted in pixels: two sides of 2^31 would make the byte count wrap to 0.
        sound = width > 0 && height > 0 && length % 4 == 0 && width * height == length / 4;
    }
    fuzzCheck(picture.has_value() == sound);
    if (picture) {
        // Read back as written: the same pixels, the trailer's size, upright.
        const auto again = PixelloModel::rawFileBytes(
            *picture->pixels(), static_cast<std::uint32_t>(picture->width()),
            static_cast<std::uint32_t>(picture->height()));
        fuzzCheck(again == bytes && picture->orientation() == platform::Picture::Up);
    }
    return 0;
}
