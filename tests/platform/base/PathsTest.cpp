#include "platform/base/Paths.h"

#include "support/TestEnvironment.h"

namespace {

using platform::Paths;

TEST(Paths, DocumentsFollowXdgDataHomeThenHomeAndPicturesTheUserDirsText) {
    EXPECT_EQ(Paths::defaultDocumentsDirectory("/data", "/home/u"), "/data/pixello");
    // Unset, empty or relative (not valid), XDG_DATA_HOME is ignored.
    for (const char* ignored : {static_cast<const char*>(nullptr), "", "rel/data"}) {
        EXPECT_EQ(Paths::defaultDocumentsDirectory(ignored, "/home/u"),
                  "/home/u/.local/share/pixello");
    }
    // Without a usable HOME the password database still gives an absolute folder.
    const auto fallback = Paths::defaultDocumentsDirectory(nullptr, nullptr);
    EXPECT_TRUE(fallback.is_absolute());
    EXPECT_EQ(fallback.filename(), "pixello");

    // The pictures folder is read from user-dirs.dirs as xdg-user-dirs reads it.
    const struct {
        const char* text;
        std::optional<std::string> folder;
    } cases[] = {
        {"XDG_PICTURES_DIR=\"$HOME/Pictures\"\n", "/home/u/Pictures"},
        {"# comment\nXDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n  XDG_PICTURES_DIR = \"$HOME/Bilder/\"",
         "/home/u/Bilder"},
        {"XDG_PICTURES_DIR=\"/srv/photos\"\nXDG_PICTURES_DIR=\"$HOME/later\"\n", "/home/u/later"},
        {"XDG_PICTURES_DIR=\"$HOME\"", "/home/u"},
        {"XDG_PICTURES_DIR=\"$HOME/My \\\"Pics\\\"\"", "/home/u/My \"Pics\""},
        // Relative and malformed entries are ignored; a later good one still counts.
        {"XDG_PICTURES_DIR=\"Pictures\"\n", std::nullopt},
        {"XDG_PICTURES_DIR=\"$HOMEPICS\"\n", std::nullopt},
        {"XDG_PICTURES_DIR=\"/unterminated\nXDG_PICTURES_DIR=/unquoted\n", std::nullopt},
        {"#XDG_PICTURES_DIR=\"/commented\"\nXDG_PICTURES_DIRX=\"/other\"\n", std::nullopt},
        {"XDG_PICTURES_DIR=\"rel\"\nXDG_PICTURES_DIR=\"/abs\"\n", "/abs"},
    };
    for (const auto& c : cases) {
        const auto folder = Paths::picturesDirectoryFromUserDirs(c.text, "/home/u");
        EXPECT_EQ(folder ? std::optional(folder->string()) : std::nullopt, c.folder) << c.text;
    }
}

TEST(Paths, FoldersComeFromTheUserDirsFileElseHomeAndOverridesResetToThem) {
    testsupport::ScratchDirectory scratch;
    const auto config = scratch.path() / "config";
    std::filesystem::create_directories(config);
    EXPECT_EQ(Paths::defaultPicturesDirectory(config.c_str(), "/home/u"), "/home/u/Pictures");
    testsupport::writeText(config / "user-dirs.dirs", "XDG_PICTURES_DIR=\"$HOME/Fotos\"\n");
    EXPECT_EQ(Paths::defaultPicturesDirectory(config.c_str(), "/home/u"), "/home/u/Fotos");
    // A relative XDG_CONFIG_HOME is ignored: ~/.config is read instead.
    EXPECT_EQ(Paths::defaultPicturesDirectory("config", scratch.path().c_str()),
              scratch.path() / "Pictures");

    // Overrides: the documents folder is made on demand, the pictures folder never.
    const auto documents = scratch.path() / "a" / "b";
    Paths::setDocumentsDirectory(documents);
    EXPECT_EQ(Paths::documentsDirectory(), documents);
    EXPECT_TRUE(std::filesystem::is_directory(documents));
    Paths::resetDocumentsDirectory();
    EXPECT_NE(Paths::documentsDirectory(), documents);
    const auto pictures = scratch.path() / "Pictures";
    Paths::setPicturesDirectory(pictures);
    EXPECT_EQ(Paths::picturesDirectory(), pictures);
    EXPECT_FALSE(Paths::picturesDirectoryReadable());
    EXPECT_FALSE(std::filesystem::exists(pictures));
    std::filesystem::create_directory(pictures);
    EXPECT_TRUE(Paths::picturesDirectoryReadable());
    Paths::resetPicturesDirectory();
    EXPECT_NE(Paths::picturesDirectory(), pictures);

    EXPECT_EQ(Paths::defaultCacheDirectory("/c", "/home/u"), "/c");
    EXPECT_EQ(Paths::defaultCacheDirectory("c", "/home/u"), "/home/u/.cache");
}

} // namespace
