#include "platform/media/AlbumWriter.h"

#include "MediaTestSupport.h"
#include "platform/base/Paths.h"
#include "support/PictureTestSupport.h"

#include <optional>
#include <regex>
#include <unistd.h>

namespace {

using platform::AlbumWriter;

const std::tm kTime = [] {
    std::tm t{};
    ::strptime("2024-01-05 09:03:07", "%Y-%m-%d %H:%M:%S", &t);
    return t;
}();

class Album : public testsupport::MediaTest {
protected:
    std::filesystem::path album = scratch.path() / "Pictures" / "Pixello";
    platform::Picture picture = testsupport::patternPicture(61, 47);
};

// That the file holds the picture exactly is pinned by the editor's saving tests.
TEST_F(Album, WritesUnderTheTimeAndACounterNeverReplacingAFile) {
    EXPECT_EQ(AlbumWriter::fileName(kTime, 12), "Pixello 2024-01-05 09.03.07 12.png");
    const auto first = AlbumWriter::write(picture, album, kTime);
    ASSERT_TRUE(first) << first.error().message;
    EXPECT_EQ(*first, album / "Pixello 2024-01-05 09.03.07.png");

    testsupport::writeText(album / "Pixello 2024-01-05 09.03.07 2.png", "someone else's");
    const auto third = AlbumWriter::write(picture, album, kTime);
    ASSERT_TRUE(third);
    EXPECT_EQ(third->filename(), "Pixello 2024-01-05 09.03.07 3.png");
    EXPECT_EQ(testsupport::readText(album / "Pixello 2024-01-05 09.03.07 2.png"), "someone else's");
    EXPECT_EQ(namesIn(album), (std::set<std::string>{"Pixello 2024-01-05 09.03.07.png",
                                                     "Pixello 2024-01-05 09.03.07 2.png",
                                                     "Pixello 2024-01-05 09.03.07 3.png"}));
}

TEST_F(Album, AFileInTheAlbumsPlaceOrAReadOnlyAlbumFailsWithTheSystemsWords) {
    for (const auto& blocked : {album, album.parent_path()}) {
        std::filesystem::remove_all(scratch.path() / "Pictures");
        std::filesystem::create_directories(blocked.parent_path());
        testsupport::writeText(blocked, "a file");
        const auto written = AlbumWriter::write(picture, album, kTime);
        ASSERT_FALSE(written);
        EXPECT_EQ(written.error().message, "Not a directory");
        EXPECT_EQ(namesIn(blocked.parent_path()), std::set{blocked.filename().string()});
    }
    // A read-only album fails and leaves nothing behind.
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root writes into a read-only folder all the same";
    }
    std::filesystem::remove_all(scratch.path() / "Pictures");
    std::filesystem::create_directories(album);
    std::filesystem::permissions(album, std::filesystem::perms(0555));
    const auto written = AlbumWriter::write(picture, album, kTime);
    std::filesystem::permissions(album, std::filesystem::perms(0755));
    ASSERT_FALSE(written);
    EXPECT_EQ(written.error().message, "Permission denied");
    EXPECT_TRUE(namesIn(album).empty());
}

TEST_F(Album, SavesIntoThePicturesFolderAndAnswersOnTheLoopWhileTheWriterLives) {
    platform::Paths::setPicturesDirectory(scratch.path() / "Pictures");
    std::vector<std::optional<std::string>> answers;
    const auto answer = [&](std::optional<std::string> error) { answers.push_back(error); };
    {
        AlbumWriter writer(queue);
        writer.save(picture, answer);
        loop.waitForBackgroundJobs();
        // A save asked for just before the writer goes is still written, unanswered.
        writer.save(picture, answer);
    }
    loop.waitForBackgroundJobs();
    platform::Paths::resetPicturesDirectory();
    EXPECT_EQ(answers, (std::vector<std::optional<std::string>>{std::nullopt}));
    const auto names = namesIn(album);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_TRUE(std::regex_match(
        *names.rbegin(), std::regex(R"(Pixello \d{4}-\d\d-\d\d \d\d\.\d\d\.\d\d( 2)?\.png)")))
        << *names.rbegin();
}

} // namespace
