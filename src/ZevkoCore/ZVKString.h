#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// String helpers of the framework. Texts are UTF-8; "character" means a Unicode code point
// (a stray byte that is not valid UTF-8 counts as one character of its own).

// Measures a text's width in points in some font.
using ZVKTextWidth = std::function<float(std::string_view text)>;

// The characters of the text in reverse order.
std::string ZVKStringReverse(std::string_view text);
// Splits at every single space (empty words included) and yields, for each word in order, a
// space followed by the reversed word: "ab cd" -> " ba dc".
std::string ZVKStringReverseWords(std::string_view text);
// The words (split at single spaces) in reverse order, each preceded by a space:
// "ab cd" -> " cd ab".
std::string ZVKStringReverseWordsOrder(std::string_view text);
// While the text is wider than `width`, drops characters from its start behind a leading
// "...": the first step replaces the first four characters by "...", each later step one more
// character. Stops when the text fits or cannot get any shorter.
std::string ZVKStringTruncateFromStartToFitWidthUsingFont(std::string text, int width,
                                                          const ZVKTextWidth& font);
// True when the bytes are well-formed UTF-8 (no overlong forms, surrogates or values beyond
// U+10FFFF).
bool ZVKStringIsValidUTF8(std::string_view bytes);

// Number reading and writing independent of the user's locale (always a decimal point).
// Reading skips leading white space, takes an optional sign and the longest decimal number
// that starts there and ignores the rest; no number yields 0.
// Integers beyond the 32-bit range saturate to the nearest limit.
std::int32_t ZVKStringIntValue(std::string_view text);
// Also reads a fraction and an exponent; values beyond the float range saturate to the
// largest finite float of that sign. "inf", "nan" and hexadecimal forms are not numbers here.
float ZVKStringFloatValue(std::string_view text);
// Fixed-point with exactly six decimals, like "%f": 0.11f -> "0.110000".
std::string ZVKStringFromFloat(float value);
