#include "platform/media/ThumbnailCache.h"

#include "MediaTestSupport.h"
#include "platform/graphics/PictureCodec.h"
#include "platform/graphics/PngText.h"
#include "support/PictureTestSupport.h"

#include <future>
#include <map>

namespace {

using platform::Picture;
using platform::PngText;
using platform::ThumbnailCache;

// Where each orientation shows a stored pixel: mirrored across, mirrored down, then whether
// x and y trade places. Indexed by Picture::Up … Picture::RightMirrored.
constexpr bool kShown[8][3] = {{0, 0, 0}, {1, 1, 0}, {1, 0, 1}, {0, 1, 1},
                               {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 1}};

TEST(ThumbnailCache, NamesByTheEscapedUrisMd5AndReducesUprightToTheLongerSide) {
    EXPECT_EQ(ThumbnailCache::uriFor("/home/jens/photos/me.png"),
              "file:///home/jens/photos/me.png");
    EXPECT_EQ(ThumbnailCache::fileNameFor("file:///home/jens/photos/me.png"),
              "c6ee772d9e49320e97ec29a7eb5b1697.png");
    EXPECT_EQ(ThumbnailCache::uriFor("/a b/\xc3\xbc#%+(1).png"),
              "file:///a%20b/%C3%BC%23%25%2B%281%29.png");
    EXPECT_EQ(ThumbnailCache::uriFor("/x/./y/../AZaz09-._~"), "file:///x/AZaz09-._~");
    EXPECT_EQ(ThumbnailCache::uriFor("rel.png"),
              "file://" + (std::filesystem::current_path() / "rel.png").string());

    // Reducing turns every orientation upright and fits the longer side.
    for (int orientation = Picture::Up; orientation <= Picture::RightMirrored; ++orientation) {
        const Picture stored = testsupport::makeCoordinatePicture(3, 2, orientation);
        const auto upright = ThumbnailCache::reduce(stored, 128);
        ASSERT_TRUE(upright);
        EXPECT_EQ(upright->orientation(), Picture::Up);
        ASSERT_EQ(upright->size(), stored.size()) << orientation;
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < 3; ++x) {
                const auto& [across, down, swap] = kShown[orientation];
                const int u = across ? 2 - x : x, v = down ? 1 - y : y;
                EXPECT_EQ(upright->pixelAt(swap ? v : u, swap ? u : v), stored.pixelAt(x, y))
                    << "orientation " << orientation << " pixel " << x << "," << y;
            }
        }
    }
    const struct {
        int width, height, orientation, fitWidth, fitHeight;
    } sizes[] = {{300, 100, Picture::Up, 128, 43},
                 {100, 300, Picture::Up, 43, 128},
                 {200, 100, Picture::Right, 64, 128},
                 {1000, 1, Picture::Up, 128, 1},
                 {50, 60, Picture::Up, 50, 60}};
    for (const auto& s : sizes) {
        const auto small = ThumbnailCache::reduce(
            testsupport::makeCoordinatePicture(s.width, s.height, s.orientation), 128);
        ASSERT_TRUE(small);
        EXPECT_EQ(std::pair(small->width(), small->height()), std::pair(s.fitWidth, s.fitHeight))
            << s.width << "x" << s.height;
    }
}

class Thumbnails : public testsupport::MediaTest {
protected:
    std::filesystem::path pictures = scratch.path() / "Pictures";
    std::filesystem::path thumbs = scratch.path() / "cache" / "thumbnails";

    std::filesystem::path writePicture(const std::string& name, const Picture& picture,
                                       std::time_t mtime) {
        const auto png = *platform::PictureCodec::encodePNG(picture);
        writeFile(pictures / name, std::string(png.begin(), png.end()), mtime);
        return pictures / name;
    }
    static std::map<std::string, std::string> keysOf(const std::filesystem::path& png) {
        std::map<std::string, std::string> keys;
        const auto bytes = testsupport::readText(png);
        for (const auto& e :
             PngText::read({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()})) {
            keys[e.keyword] = e.text;
        }
        return keys;
    }
};

TEST_F(Thumbnails, AreKeptPrivatelyAndRemadeOnlyWhenTheFileChanges) {
    ThumbnailCache cache(thumbs, queue);
    const auto file = writePicture("a b.png", testsupport::patternPicture(300, 200), 1'000'000);
    writePicture("b.png", testsupport::patternPicture(30, 20), 1'000'000);
    const auto made = cache.thumbnail(file);
    ASSERT_TRUE(made) << made.error().message;
    EXPECT_EQ(made->size(), (platform::Size{128, 85}));

    const std::string name = ThumbnailCache::fileNameFor(ThumbnailCache::uriFor(file));
    const auto stored = cache.normalDirectory() / name;
    EXPECT_EQ(namesIn(cache.normalDirectory()), std::set<std::string>{name});
    EXPECT_EQ(modeOf(stored), 0600u);
    EXPECT_EQ(modeOf(thumbs), 0700u);
    EXPECT_EQ(modeOf(cache.normalDirectory()), 0700u);
    auto keys = keysOf(stored);
    EXPECT_EQ(keys["Thumb::URI"], "file://" + (pictures / "a%20b.png").string());
    EXPECT_EQ(keys["Thumb::MTime"], "1000000");
    EXPECT_TRUE(keys["Software"].starts_with("Pixello ")) << keys["Software"];

    // Unchanged time: the stored thumbnail is used, even though the file no longer decodes.
    testsupport::writeText(file, "not a picture");
    setModified(file, 1'000'000);
    const auto again = cache.thumbnail(file);
    ASSERT_TRUE(again) << again.error().message;
    EXPECT_EQ(*again->pixels(), *made->pixels());

    // Changed: made anew, which fails for a damaged picture and is remembered for this time.
    const auto png = testsupport::readText(pictures / "b.png");
    testsupport::writeText(file, png.substr(0, png.size() / 2));
    setModified(file, 2'000'000);
    EXPECT_FALSE(cache.thumbnail(file));
    const auto failed = cache.failDirectory() / name;
    EXPECT_EQ(keysOf(failed)["Thumb::MTime"], "2000000");
    EXPECT_EQ(modeOf(failed), 0600u);
    writePicture("a b.png", testsupport::patternPicture(20, 10), 2'000'000);
    EXPECT_FALSE(cache.thumbnail(file));
    setModified(file, 2'000'001);
    const auto fixed = cache.thumbnail(file);
    ASSERT_TRUE(fixed) << fixed.error().message;
    EXPECT_EQ(*fixed->pixels(), *testsupport::patternPicture(20, 10).pixels());
    EXPECT_EQ(keysOf(stored)["Thumb::MTime"], "2000001");

    // A file that is gone, or in a format a later build may read, leaves nothing behind.
    EXPECT_FALSE(cache.thumbnail(pictures / "gone.png"));
    testsupport::writeText(pictures / "notes.png", "text");
    EXPECT_FALSE(cache.thumbnail(pictures / "notes.png"));
    EXPECT_EQ(namesIn(cache.failDirectory()), std::set<std::string>{name});
}

TEST_F(Thumbnails, RequestsArriveOnTheLoopUnlessCancelledOrTheCacheIsGone) {
    const auto file = writePicture("p.png", testsupport::patternPicture(40, 30), 1'000'000);
    platform::BackgroundQueue one(loop, 1);
    std::promise<void> open;
    one.submit(nullptr, 100, [gate = open.get_future().share()]() -> platform::RunLoop::Call {
        gate.wait();
        return {};
    });
    std::map<std::string, std::string> got;
    const auto answer = [&](std::string name) {
        return [&got, name](ThumbnailCache::Result r) {
            got[name] = r ? std::to_string(r->width()) : r.error().message;
        };
    };
    {
        ThumbnailCache cache(thumbs, one);
        cache.request(file, 0, answer("picture"));
        cache.request(pictures / "gone.png", 0, answer("gone"));
        EXPECT_TRUE(cache.cancel(cache.request(file, 0, answer("cancelled"))));
        open.set_value();
        loop.waitForBackgroundJobs();
        EXPECT_EQ(got.size(), 2u);
        EXPECT_EQ(got["picture"], "40");
        EXPECT_NE(got["gone"].find("No such file"), std::string::npos) << got["gone"];
        cache.request(file, 0, answer("late"));
    }
    loop.waitForBackgroundJobs();
    EXPECT_FALSE(got.contains("late"));
}

} // namespace
