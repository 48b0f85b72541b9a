#include "platform/base/Localization.h"

#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

using platform::Localization;

class LocalizationTest : public ::testing::Test {
protected:
    void TearDown() override { Localization::setLanguage(""); }
};

TEST_F(LocalizationTest, TheLanguageComesFromTheEnvironmentAndTablesFallThroughToTheKey) {
    // The first set variable names the language; English by default.
    EXPECT_EQ(Localization::languageFromEnvironment("de:fr", "it_IT.UTF-8", "es", "pt"), "de:fr");
    EXPECT_EQ(Localization::languageFromEnvironment("", "it_IT.UTF-8", "es", "pt"), "it_IT.UTF-8");
    EXPECT_EQ(Localization::languageFromEnvironment(nullptr, nullptr, "es_ES", "pt"), "es_ES");
    EXPECT_EQ(Localization::languageFromEnvironment(nullptr, nullptr, nullptr, "de_AT.UTF-8"),
              "de_AT.UTF-8");
    EXPECT_EQ(Localization::languageFromEnvironment(nullptr, nullptr, nullptr, nullptr), "en");
    EXPECT_EQ(Localization::languageFromEnvironment(nullptr, "C", nullptr, "de_DE"), "en");
    EXPECT_EQ(Localization::languageFromEnvironment(nullptr, "C.UTF-8", nullptr, nullptr), "en");
    EXPECT_EQ(Localization::languageFromEnvironment(nullptr, nullptr, "POSIX", nullptr), "en");

    Localization::setLanguage("de_DE.UTF-8");
    EXPECT_EQ(Localization::localizedString("Settings"), "Einstellungen");
    EXPECT_EQ(Localization::localizedString("defaultFont"), "DejaVu Sans");
    // No translation: the key itself.
    EXPECT_EQ(Localization::localizedString("Not a text of the editor"),
              "Not a text of the editor");
    EXPECT_EQ(Localization::localizedString(""), "");

    // English maps only the symbolic keys; unknown languages show the keys.
    Localization::setLanguage("en");
    EXPECT_EQ(Localization::localizedString("Settings"), "Settings");
    EXPECT_EQ(Localization::localizedString("defaultFont"), "DejaVu Sans");
    EXPECT_EQ(Localization::localizedString("defaultBoldFont"), "DejaVu Sans:bold");
    EXPECT_NE(Localization::localizedString("WebsiteNsupport"), "WebsiteNsupport");
    EXPECT_TRUE(Localization::localizedString("supportURL").starts_with("https://"));

    Localization::setLanguage("xx");
    EXPECT_EQ(Localization::localizedString("Settings"), "Settings");
    EXPECT_EQ(Localization::localizedString("defaultFont"), "defaultFont");

    // A preference list falls through to the first language that has a table.
    Localization::setLanguage("xx:de");
    EXPECT_EQ(Localization::localizedString("Apply"), "Anwenden");
    EXPECT_EQ(Localization::language(), "xx:de");

    // Every other text a user sees has a German translation (the settings screen's are
    // checked by its own tests). One text a line.
    std::istringstream texts("Please, wait...\nNo camera support on '%@'.\n"
                             "Photo library is currently unavailable.\nError '%@' occured.\n"
                             "Image saved to 'Saved photos' album.\n"
                             "iPod: Image saved to 'Saved photos' album.\n"
                             "iPhone: Image saved to 'Saved photos' album.\n"
                             "Rotate device to protarit orientation to pick image.\n"
                             "Rotate device to protarit orientation to open settings.\n"
                             "Rotate device to protarit orientation to use camera.");
    Localization::setLanguage("de");
    for (std::string text; std::getline(texts, text);) {
        EXPECT_NE(Localization::localizedString(text), text) << text;
        if (text.find("%@") != std::string::npos) {
            EXPECT_NE(Localization::localizedString(text).find("%@"), std::string::npos) << text;
        }
    }
}

} // namespace
