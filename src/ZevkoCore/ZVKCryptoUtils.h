#pragma once

#include "ZevkoCore/ZVKBase64.h"
#include "ZevkoCore/ZVKMD5.h"

// The digest and encoding utilities as class operations; no instances, no state.
class ZVKCryptoUtils {
public:
    ZVKCryptoUtils() = delete;

    static std::string md5ForString(std::string_view text) { return ZVKMD5ForString(text); }
    static std::string extractMD5FromString(std::string_view text) {
        return ZVKMD5ExtractMD5FromString(text);
    }
    static std::string extractDataFromString(std::string_view text) {
        return ZVKMD5ExtractDataFromString(text);
    }
    static bool checkMD5Consistence(std::string_view text) { return ZVKMD5CheckConsistence(text); }
    static std::string base64EncodeData(std::span<const std::uint8_t> data) {
        return ZVKBase64EncodeData(data);
    }
    static std::string base64EncodeString(std::string_view text) {
        return ZVKBase64EncodeString(text);
    }
};
