#pragma once

#include "ZevkoCore/ZVKString.h"

#include <string>
#include <string_view>

// The translation of `key` from the string table "Localized" for the current language; the key
// itself when there is none. Format strings are translated first and filled afterwards.
std::string ZVKLocalString(std::string_view key);
// The device's model name as the platform reports it.
std::string ZVKDeviceName();
// A new random UUID: 36 characters, upper-case hex digits in groups 8-4-4-4-12.
std::string ZVKUUIDCreate();

// The general utilities as class operations; no instances, no state.
class ZVKCommons {
public:
    ZVKCommons() = delete;

    static std::string localString(std::string_view key) { return ZVKLocalString(key); }
    static std::string deviceName() { return ZVKDeviceName(); }
    // Whole-string, case-sensitive comparisons of the model name.
    static bool isDeviceiPod() { return ZVKDeviceName() == "iPod"; }
    static bool isDeviceiPhone() { return ZVKDeviceName() == "iPhone"; }
    static bool isDeviceiPhoneSimulator() { return ZVKDeviceName() == "iPhone Simulator"; }
    static std::string UUIDCreate() { return ZVKUUIDCreate(); }

    static std::string reverseString(std::string_view text) { return ZVKStringReverse(text); }
    static std::string reverseWordsInString(std::string_view text) {
        return ZVKStringReverseWords(text);
    }
    static std::string reverseWordsOrder(std::string_view text) {
        return ZVKStringReverseWordsOrder(text);
    }
    static std::string truncateFromStartText(std::string text, int width,
                                             const ZVKTextWidth& font) {
        return ZVKStringTruncateFromStartToFitWidthUsingFont(std::move(text), width, font);
    }
};
