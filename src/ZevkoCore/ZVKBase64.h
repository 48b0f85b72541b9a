#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// Base64 (RFC 4648, standard alphabet, padded with "=", no line breaks).
std::string ZVKBase64EncodeData(std::span<const std::uint8_t> data);
// Base64 of the text's UTF-8 bytes.
std::string ZVKBase64EncodeString(std::string_view text);
