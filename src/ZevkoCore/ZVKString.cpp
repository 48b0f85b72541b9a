#include "ZevkoCore/ZVKString.h"

#include <cfloat>
#include <charconv>
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <locale.h>
#include <vector>

namespace {

// Length in bytes of the character starting at text[i]: the lead byte and its continuation
// bytes, at least one byte.
std::size_t characterLength(std::string_view text, std::size_t i) {
    std::size_t n = 1;
    while (i + n < text.size() && (static_cast<unsigned char>(text[i + n]) & 0xC0) == 0x80 &&
           (static_cast<unsigned char>(text[i]) & 0xC0) == 0xC0 && n < 4) {
        ++n;
    }
    return n;
}

std::vector<std::string_view> characters(std::string_view text) {
    std::vector<std::string_view> chars;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = characterLength(text, i);
        chars.push_back(text.substr(i, n));
        i += n;
    }
    return chars;
}

std::vector<std::string_view> splitAtSpaces(std::string_view text) {
    std::vector<std::string_view> words;
    for (;;) {
        const std::size_t space = text.find(' ');
        words.push_back(text.substr(0, space));
        if (space == std::string_view::npos) {
            return words;
        }
        text.remove_prefix(space + 1);
    }
}

} // namespace

std::string ZVKStringReverse(std::string_view text) {
    const std::vector<std::string_view> chars = characters(text);
    std::string reversed;
    reversed.reserve(text.size());
    for (auto it = chars.rbegin(); it != chars.rend(); ++it) {
        reversed += *it;
    }
    return reversed;
}

std::string ZVKStringReverseWords(std::string_view text) {
    std::string result;
    for (std::string_view word : splitAtSpaces(text)) {
        result += ' ';
        result += ZVKStringReverse(word);
    }
    return result;
}

std::string ZVKStringReverseWordsOrder(std::string_view text) {
    const std::vector<std::string_view> words = splitAtSpaces(text);
    std::string result;
    for (auto it = words.rbegin(); it != words.rend(); ++it) {
        result += ' ';
        result += *it;
    }
    return result;
}

std::string ZVKStringTruncateFromStartToFitWidthUsingFont(std::string text, int width,
                                                          const ZVKTextWidth& font) {
    // Either step keeps "..." plus the text from character 4 on: at first that drops four
    // characters for the dots, later the dots themselves and one more character. Below four
    // characters no step makes the text shorter.
    while (font(text) > static_cast<float>(width)) {
        const std::vector<std::string_view> chars = characters(text);
        if (chars.size() < 4) {
            break;
        }
        std::string next = "...";
        for (std::size_t i = 4; i < chars.size(); ++i) {
            next += chars[i];
        }
        text = std::move(next);
    }
    return text;
}

bool ZVKStringIsValidUTF8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto b0 = static_cast<unsigned char>(bytes[i]);
        if (b0 < 0x80) {
            ++i;
            continue;
        }
        std::size_t n = 0;
        std::uint32_t cp = 0;
        std::uint32_t min = 0;
        if ((b0 & 0xE0) == 0xC0) {
            n = 2;
            cp = b0 & 0x1F;
            min = 0x80;
        } else if ((b0 & 0xF0) == 0xE0) {
            n = 3;
            cp = b0 & 0x0F;
            min = 0x800;
        } else if ((b0 & 0xF8) == 0xF0) {
            n = 4;
            cp = b0 & 0x07;
            min = 0x10000;
        } else {
            return false;
        }
        if (bytes.size() - i < n) {
            return false;
        }
        for (std::size_t k = 1; k < n; ++k) {
            const auto b = static_cast<unsigned char>(bytes[i + k]);
            if ((b & 0xC0) != 0x80) {
                return false;
            }
            cp = (cp << 6) | (b & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            return false;
        }
        i += n;
    }
    return true;
}

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view skipSpace(std::string_view text) {
    while (!text.empty() && isSpace(text.front())) {
        text.remove_prefix(1);
    }
    return text;
}

// Length of the run of digits at the start of text.
std::size_t digitRun(std::string_view text, std::size_t from) {
    std::size_t i = from;
    while (i < text.size() && isDigit(text[i])) {
        ++i;
    }
    return i - from;
}

// The C locale, for strtod_l: a decimal point whatever the process's locale.
locale_t cLocale() {
    static const locale_t locale = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

} // namespace

std::int32_t ZVKStringIntValue(std::string_view text) {
    text = skipSpace(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
    std::int64_t magnitude = 0;
    for (std::size_t i = 0; i < text.size() && isDigit(text[i]); ++i) {
        // Past the limit further digits cannot bring it back: stop growing.
        if (magnitude <= kMax + 1) {
            magnitude = magnitude * 10 + (text[i] - '0');
        }
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    return static_cast<std::int32_t>(value < kMin ? kMin : (value > kMax ? kMax : value));
}

float ZVKStringFloatValue(std::string_view text) {
    text = skipSpace(text);
    // Find the longest decimal number: sign, digits, fraction, exponent.
    std::size_t end = 0;
    if (end < text.size() && (text[end] == '+' || text[end] == '-')) {
        ++end;
    }
    const std::size_t integerDigits = digitRun(text, end);
    end += integerDigits;
    std::size_t fractionDigits = 0;
    if (end < text.size() && text[end] == '.') {
        fractionDigits = digitRun(text, end + 1);
        if (integerDigits > 0 || fractionDigits > 0) {
            end += 1 + fractionDigits;
        }
    }
    if (integerDigits == 0 && fractionDigits == 0) {
        return 0.0f;
    }
    if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
        std::size_t e = end + 1;
        if (e < text.size() && (text[e] == '+' || text[e] == '-')) {
            ++e;
        }
        const std::size_t exponentDigits = digitRun(text, e);
        if (exponentDigits > 0) {
            end = e + exponentDigits;
        }
    }
    // The span is a plain decimal number, so strtod_l reads all of it and nothing else; it
    // saturates to infinity on overflow and goes to zero on underflow.
    const std::string number(text.substr(0, end));
    const double value = ::strtod_l(number.c_str(), nullptr, cLocale());
    if (value > FLT_MAX) {
        return FLT_MAX;
    }
    if (value < -FLT_MAX) {
        return -FLT_MAX;
    }
    return static_cast<float>(value);
}

std::string ZVKStringFromFloat(float value) {
    // The largest float has 39 integer digits; with sign, point and six decimals 64 suffice.
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value),
                                      std::chars_format::fixed, 6);
    return std::string(buffer, result.ptr);
}
