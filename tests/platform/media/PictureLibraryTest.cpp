#include "platform/media/PictureLibrary.h"

#include "MediaTestSupport.h"

#include <unistd.h>

namespace {

using platform::PictureLibrary;
using namespace std::string_literals;

class Library : public testsupport::MediaTest {
protected:
    std::vector<std::string> relativePaths(const PictureLibrary::Listing& listing) const {
        std::vector<std::string> paths;
        for (const auto& picture : listing.value()) {
            paths.push_back(picture.path.lexically_relative(scratch.path()).string());
        }
        return paths;
    }
};

const std::string kPng = "\x89PNG\r\n\x1a\n\0\0\0\rIHDR"s;
const std::string kHeic = "\0\0\0\x18"s + "ftypheic\0\0\0\0mif1heic"s;
// Major brand "isom" but "mif1" among the compatible ones.
const std::string kCompatibleHeif = "\0\0\0\x18"s + "ftypisom\0\0\0\0mp41mif1"s;
const std::string kMp4 = "\0\0\0\x18"s + "ftypisom\0\0\0\0isommp41"s;

TEST_F(Library, ListsPictureFilesByTheirFirstBytesNewestFirstThroughLinksOnce) {
    const auto root = scratch.path() / "Pictures";
    const struct {
        const char* name;
        std::string bytes;
        long nanoseconds;
    } files[] = {
        {"b.png", kPng, 5},
        {"sub/deep/no-extension", "\xff\xd8\xff\xe0", 9},
        {"sub/w.webp", "RIFF\x10\0\0\0WEBPVP8 "s, 5},
        {"a.heic", kHeic, 5},
        {"c.avif", kCompatibleHeif, 1},
        // Not pictures, hidden, or in hidden folders.
        {"video.mp4", kMp4, 7},
        {"sound.wav", "RIFF\x10\0\0\0WAVEfmt "s, 7},
        {"named.png", "not a picture", 7},
        {"empty.jpg", "", 7},
        {".hidden.png", kPng, 7},
        {".thumbnails/normal/t.png", kPng, 7},
    };
    for (const auto& f : files) {
        writeFile(root / f.name, f.bytes, 1'600'000'000, f.nanoseconds);
    }
    writeFile(scratch.path() / "elsewhere" / "e.jpg", "\xff\xd8\xff\xdb", 1'700'000'000);
    // Links back up the tree must not loop; a folder linked twice is listed once.
    std::filesystem::create_directory_symlink("..", root / "sub" / "up");
    std::filesystem::create_directory_symlink(root, root / "self");
    std::filesystem::create_directory_symlink("../elsewhere", root / "linked");
    std::filesystem::create_directory_symlink("../elsewhere", root / "linked-again");
    std::filesystem::create_symlink("gone.png", root / "dangling.png");
    if (::geteuid() != 0) {
        writeFile(root / "locked.png", kPng, 1'800'000'000);
        std::filesystem::permissions(root / "locked.png", std::filesystem::perms::none);
    }

    const auto listing = PictureLibrary::list(root);
    ASSERT_TRUE(listing) << listing.error().message;
    const auto paths = relativePaths(listing);
    ASSERT_EQ(paths.size(), 6u);
    EXPECT_TRUE(paths[0] == "Pictures/linked/e.jpg" || paths[0] == "Pictures/linked-again/e.jpg")
        << paths[0];
    EXPECT_EQ(
        std::vector(paths.begin() + 1, paths.end()),
        (std::vector<std::string>{"Pictures/sub/deep/no-extension", "Pictures/a.heic",
                                  "Pictures/b.png", "Pictures/sub/w.webp", "Pictures/c.avif"}));
    EXPECT_EQ(listing->front().modifiedSeconds, 1'700'000'000);
    EXPECT_EQ(listing->at(1).modifiedNanoseconds, 9);
}

TEST_F(Library, RefreshDeliversTheNewestListingOnlyWhileTheLibraryLives) {
    const auto root = scratch.path() / "Pictures";
    std::vector<PictureLibrary::Listing> got;
    PictureLibrary library(root, queue,
                           [&](PictureLibrary::Listing listing) { got.push_back(listing); });
    library.refresh();
    EXPECT_TRUE(library.isListing());
    loop.waitForBackgroundJobs();
    ASSERT_EQ(got.size(), 1u);
    ASSERT_FALSE(got[0]);
    EXPECT_NE(got[0].error().message.find("No such file or directory"), std::string::npos);

    writeFile(root / "p.png", kPng);
    library.refresh();
    library.refresh();
    loop.waitForBackgroundJobs();
    EXPECT_FALSE(library.isListing());
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(relativePaths(got[1]), (std::vector<std::string>{"Pictures/p.png"}));

    {
        PictureLibrary gone(root, queue, [&](PictureLibrary::Listing l) { got.push_back(l); });
        gone.refresh();
    }
    loop.waitForBackgroundJobs();
    EXPECT_EQ(got.size(), 2u);
}

} // namespace
