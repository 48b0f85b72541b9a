#pragma once

#include <string>
#include <string_view>

// MD5 framing of stored text: the payload followed by the 32 upper-case hexadecimal digits of
// its MD5 digest (RFC 1321), with nothing in between and nothing after.

// The 32 upper-case hex digits of the MD5 of the text's bytes.
std::string ZVKMD5ForString(std::string_view text);
// The last 32 characters; empty when the text is shorter than 32 characters.
std::string ZVKMD5ExtractMD5FromString(std::string_view text);
// Everything before the last 32 characters; empty when the text is shorter than 32 characters.
std::string ZVKMD5ExtractDataFromString(std::string_view text);
// True when the text is at least 32 characters long and its last 32 characters are exactly
// (case-sensitively) the digest of the rest.
bool ZVKMD5CheckConsistence(std::string_view text);
