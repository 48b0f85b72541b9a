#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace platform {

// Tells picture files by their first bytes, as the photo library lists only pictures
// whatever their names: PNG, JPEG, WebP and the HEIF family (HEIC, AVIF).
class PictureSignature {
public:
    // How many leading bytes matches() wants to see (fewer for a shorter file).
    static constexpr std::size_t kBytes = 64;

    static bool matches(std::span<const std::uint8_t> head);
};

} // namespace platform
