#include "platform/base/Localization.h"

#include "platform/base/Installation.h"

#include <clocale>
#include <cstdlib>
#include <libintl.h>

namespace platform {

namespace {

bool isSet(const char* value) {
    return value != nullptr && value[0] != '\0';
}

std::string environmentLanguage() {
    return Localization::languageFromEnvironment(std::getenv("LANGUAGE"), std::getenv("LC_ALL"),
                                                 std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

// gettext consults LANGUAGE only when the message locale is not "C", and a locale that is
// not installed falls back to "C"; C.UTF-8 is always there. So the message locale is the
// user's when it exists, else C.UTF-8, and the language itself always travels in LANGUAGE.
// Setting the message locale also makes gettext forget the translations it had looked up,
// so it comes after LANGUAGE.
void apply(const std::string& language) {
    ::setenv("LANGUAGE", language.c_str(), 1);
    const char* current = std::setlocale(LC_MESSAGES, "");
    const std::string name = current != nullptr ? current : "C";
    if (name == "C" || name == "POSIX") {
        std::setlocale(LC_MESSAGES, "C.UTF-8");
    }
}

std::string& chosenLanguage() {
    static std::string language;
    return language;
}

// What the environment asked for at start, before LANGUAGE was rewritten.
const std::string& startLanguage() {
    static const std::string language = environmentLanguage();
    return language;
}

void ensureBound() {
    static const bool bound = [] {
        ::bindtextdomain(Localization::kTextDomain, Installation::current().locale.c_str());
        ::bind_textdomain_codeset(Localization::kTextDomain, "UTF-8");
        chosenLanguage() = startLanguage();
        apply(chosenLanguage());
        return true;
    }();
    (void)bound;
}

} // namespace

std::string Localization::languageFromEnvironment(const char* language, const char* lcAll,
                                                  const char* lcMessages, const char* lang) {
    std::string chosen;
    for (const char* value : {language, lcAll, lcMessages, lang}) {
        if (isSet(value)) {
            chosen = value;
            break;
        }
    }
    if (chosen.empty() || chosen == "C" || chosen == "POSIX" || chosen.starts_with("C.")) {
        return "en";
    }
    return chosen;
}

std::string Localization::localizedString(std::string_view key) {
    // The empty msgid would answer the catalogue's header.
    if (key.empty()) {
        return {};
    }
    ensureBound();
    const std::string k(key);
    return ::dgettext(kTextDomain, k.c_str());
}

void Localization::setLanguage(std::string_view language) {
    ensureBound();
    chosenLanguage() = language.empty() ? startLanguage() : std::string(language);
    apply(chosenLanguage());
}

std::string Localization::language() {
    ensureBound();
    return chosenLanguage();
}

} // namespace platform
