#include "ZevkoCore/ZVKMD5.h"

#include <openssl/evp.h>
#include <optional>

namespace {

constexpr std::size_t kDigestCharacters = 32;

// Byte offset where the last 32 characters begin, or nothing for a shorter text. Counting
// lead bytes keeps a multi-byte character whole.
std::optional<std::size_t> digestStart(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t i = text.size(); i > 0; --i) {
        if ((static_cast<unsigned char>(text[i - 1]) & 0xC0) != 0x80 &&
            ++count == kDigestCharacters) {
            return i - 1;
        }
    }
    return std::nullopt;
}

} // namespace

std::string ZVKMD5ForString(std::string_view text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    // The whole text is hashed, embedded zero bytes included, so that nothing behind one can
    // slip past the check.
    if (EVP_Digest(text.data(), text.size(), digest, &length, EVP_md5(), nullptr) != 1) {
        return {};
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(2 * length);
    for (unsigned int i = 0; i < length; ++i) {
        hex += kHex[digest[i] >> 4];
        hex += kHex[digest[i] & 0x0F];
    }
    return hex;
}

std::string ZVKMD5ExtractMD5FromString(std::string_view text) {
    const auto start = digestStart(text);
    return start ? std::string(text.substr(*start)) : std::string();
}

std::string ZVKMD5ExtractDataFromString(std::string_view text) {
    const auto start = digestStart(text);
    return start ? std::string(text.substr(0, *start)) : std::string();
}

bool ZVKMD5CheckConsistence(std::string_view text) {
    const auto start = digestStart(text);
    if (!start) {
        return false;
    }
    const std::string expected = ZVKMD5ForString(text.substr(0, *start));
    return !expected.empty() && text.substr(*start) == expected;
}
