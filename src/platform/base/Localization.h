#pragma once

#include <string>
#include <string_view>

namespace platform {

// Translated texts through gettext: text domain "Localized", bound to the build's locale
// folder, the English text as the key, the key itself when there is no translation.
// The language comes from LANGUAGE, LC_ALL, LC_MESSAGES or LANG (first one set); with none
// of them, or the C locale, it is English.
class Localization {
public:
    static constexpr const char* kTextDomain = "Localized";

    static std::string localizedString(std::string_view key);

    // Switches the language ("de", "en_GB", or a colon-separated preference list); an empty
    // text goes back to the one the environment gives.
    static void setLanguage(std::string_view language);
    static std::string language();

    // The language the given environment values select (any may be null).
    static std::string languageFromEnvironment(const char* language, const char* lcAll,
                                               const char* lcMessages, const char* lang);
};

} // namespace platform
