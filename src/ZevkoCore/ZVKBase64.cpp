#include "ZevkoCore/ZVKBase64.h"

#include <openssl/evp.h>

std::string ZVKBase64EncodeData(std::span<const std::uint8_t> data) {
    std::string encoded;
    // EVP_EncodeBlock takes an int length: encode in chunks of whole 3-byte groups.
    constexpr std::size_t kChunk = 3 * (1u << 20);
    while (!data.empty()) {
        const std::size_t n = data.size() < kChunk ? data.size() : kChunk;
        const std::size_t offset = encoded.size();
        encoded.resize(offset + 4 * ((n + 2) / 3) + 1);
        const int written =
            EVP_EncodeBlock(reinterpret_cast<unsigned char*>(encoded.data() + offset), data.data(),
                            static_cast<int>(n));
        encoded.resize(offset + static_cast<std::size_t>(written));
        data = data.subspan(n);
    }
    return encoded;
}

std::string ZVKBase64EncodeString(std::string_view text) {
    return ZVKBase64EncodeData(
        std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}
