#include "platform/media/AlbumWriter.h"

#include "MediaTestSupport.h"
#include "platform/base/Paths.h"
#include "platform/graphics/PictureCodec.h"
#include "support/PictureTestSupport.h"

#include <optional>
#include <regex>
#include <unistd.h>

namespace {

using platform::AlbumWriter;

std::tm fixedTime() {
    std::tm t{};
    t.tm_year = 2024 - 1900;
    t.tm_mon = 0;
    t.tm_mday = 5;
    t.tm_hour = 9;
    t.tm_min = 3;
    t.tm_sec = 7;
    return t;
}

class Album : public testsupport::MediaTest {
protected:
    std::filesystem::path album = scratch.path() / "Pictures" / "Pixello";
    platform::Picture picture = testsupport::patternPicture(61, 47);
};

TEST_F(Album, NamesCarryTheTimeAndACounterFromTwoOn) {
    EXPECT_EQ(AlbumWriter::fileName(fixedTime(), 1), "Pixello 2024-01-05 09.03.07.png");
    EXPECT_EQ(AlbumWriter::fileName(fixedTime(), 2), "Pixello 2024-01-05 09.03.07 2.png");
    EXPECT_EQ(AlbumWriter::fileName(fixedTime(), 12), "Pixello 2024-01-05 09.03.07 12.png");
}

TEST_F(Album, WritesThePictureExactlyAndNeverReplacesAFile) {
    const auto first = AlbumWriter::write(picture, album, fixedTime());
    ASSERT_TRUE(first) << first.error().message;
    EXPECT_EQ(*first, album / "Pixello 2024-01-05 09.03.07.png");
    const auto decoded = platform::PictureCodec::decodeFile(*first);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded->pixels(), *picture.pixels());

    testsupport::writeText(album / "Pixello 2024-01-05 09.03.07 2.png", "someone else's");
    const auto third = AlbumWriter::write(picture, album, fixedTime());
    ASSERT_TRUE(third);
    EXPECT_EQ(third->filename(), "Pixello 2024-01-05 09.03.07 3.png");
    EXPECT_EQ(testsupport::readText(album / "Pixello 2024-01-05 09.03.07 2.png"), "someone else's");
    EXPECT_EQ(namesIn(album), (std::set<std::string>{"Pixello 2024-01-05 09.03.07.png",
                                                     "Pixello 2024-01-05 09.03.07 2.png",
                                                     "Pixello 2024-01-05 09.03.07 3.png"}));
}

TEST_F(Album, AFileInTheAlbumsPlaceFailsWithTheSystemsWords) {
    for (const auto& blocked : {album, album.parent_path()}) {
        std::filesystem::remove_all(scratch.path() / "Pictures");
        std::filesystem::create_directories(blocked.parent_path());
        testsupport::writeText(blocked, "a file");
        const auto written = AlbumWriter::write(picture, album, fixedTime());
        ASSERT_FALSE(written);
        EXPECT_EQ(written.error().message, "Not a directory");
        EXPECT_EQ(namesIn(blocked.parent_path()), std::set{blocked.filename().string()});
    }
}

TEST_F(Album, AReadOnlyAlbumFailsAndLeavesNothingBehind) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root writes into read-only folders";
    }
    std::filesystem::create_directories(album);
    std::filesystem::permissions(album, std::filesystem::perms(0555));
    const auto written = AlbumWriter::write(picture, album, fixedTime());
    std::filesystem::permissions(album, std::filesystem::perms(0755));
    ASSERT_FALSE(written);
    EXPECT_EQ(written.error().message, "Permission denied");
    EXPECT_TRUE(namesIn(album).empty());
}

TEST_F(Album, SavesIntoThePicturesFolderAndAnswersOnTheLoop) {
    platform::Paths::setPicturesDirectory(scratch.path() / "Pictures");
    std::vector<std::optional<std::string>> answers;
    {
        AlbumWriter writer(queue);
        writer.save(picture, [&](std::optional<std::string> error) { answers.push_back(error); });
        loop.waitForBackgroundJobs();
        ASSERT_EQ(answers.size(), 1u);
        EXPECT_EQ(answers[0], std::nullopt);
        const auto names = namesIn(album);
        ASSERT_EQ(names.size(), 1u);
        EXPECT_TRUE(std::regex_match(*names.begin(), std::regex(R"(Pixello \d{4}-\d\d-\d\d )"
                                                                R"(\d\d\.\d\d\.\d\d\.png)")))
            << *names.begin();

        platform::Paths::setPicturesDirectory(scratch.path() / "missing" / "Pictures");
        testsupport::writeText(scratch.path() / "missing", "a file");
        writer.save(picture, [&](std::optional<std::string> error) { answers.push_back(error); });
        loop.waitForBackgroundJobs();
        ASSERT_EQ(answers.size(), 2u);
        EXPECT_EQ(answers[1], "Not a directory");

        // A save asked for just before the writer goes is still written, unanswered.
        platform::Paths::setPicturesDirectory(scratch.path() / "Pictures");
        writer.save(picture, [&](std::optional<std::string> error) { answers.push_back(error); });
    }
    loop.waitForBackgroundJobs();
    platform::Paths::resetPicturesDirectory();
    EXPECT_EQ(answers.size(), 2u);
    EXPECT_EQ(namesIn(album).size(), 2u);
}

} // namespace
