#include "platform/media/PictureSignature.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace platform {

namespace {

bool startsWith(std::span<const std::uint8_t> bytes, std::size_t at, std::string_view text) {
    return bytes.size() >= at + text.size() &&
           std::equal(text.begin(), text.end(), bytes.begin() + std::ptrdiff_t(at),
                      [](char c, std::uint8_t b) { return static_cast<std::uint8_t>(c) == b; });
}

// Brands of the ISO base media file type box that mark HEIF still pictures and sequences
// (HEVC-coded, AV1-coded and the format-neutral ones).
constexpr std::array<std::string_view, 12> kHeifBrands = {
    "heic", "heix", "heim", "heis", "hevc", "hevx", "hevm", "hevs", "mif1", "msf1", "avif", "avis",
};

bool isHeifBrand(std::span<const std::uint8_t> bytes, std::size_t at) {
    return std::any_of(kHeifBrands.begin(), kHeifBrands.end(),
                       [&](std::string_view brand) { return startsWith(bytes, at, brand); });
}

// An "ftyp" box first whose major brand, or one of the compatible brands that fit in
// `head`, is a HEIF brand.
bool isHeif(std::span<const std::uint8_t> head) {
    if (head.size() < 12 || !startsWith(head, 4, "ftyp")) {
        return false;
    }
    if (isHeifBrand(head, 8)) {
        return true;
    }
    const std::size_t boxSize = (std::size_t(head[0]) << 24) | (std::size_t(head[1]) << 16) |
                                (std::size_t(head[2]) << 8) | std::size_t(head[3]);
    // Major brand (4), minor version (4), then compatible brands to the end of the box.
    const std::size_t end = std::min(boxSize, head.size());
    for (std::size_t at = 16; at + 4 <= end; at += 4) {
        if (isHeifBrand(head, at)) {
            return true;
        }
    }
    return false;
}

} // namespace

bool PictureSignature::matches(std::span<const std::uint8_t> head) {
    return startsWith(head, 0, "\x89PNG\r\n\x1a\n") || startsWith(head, 0, "\xff\xd8\xff") ||
           (startsWith(head, 0, "RIFF") && startsWith(head, 8, "WEBP")) || isHeif(head);
}

} // namespace platform
