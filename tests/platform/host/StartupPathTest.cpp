// What the start-up path defers: image variants are decoded only when drawn. (The headless GL
// context made on another thread draws every scripted run's screenshots.)
#include "platform/base/Bundle.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/PictureCodec.h"
#include "support/PictureTestSupport.h"
#include "support/TestEnvironment.h"

#include <array>
#include <gtest/gtest.h>

namespace {

using platform::Image;

void writeSolid(const std::filesystem::path& path, int width, int height, std::uint8_t red) {
    ASSERT_TRUE(platform::PictureCodec::writePNG(
        testsupport::plainPicture(width, height, {red, 0, 0, 255}), path));
}

struct LazyImages : testsupport::PlatformTest {};

TEST_F(LazyImages, OnlyTheVariantDrawnIsDecodedAndOnlyWhenItIsDrawn) {
    const auto dir = scratch.path() / "Resources";
    std::filesystem::create_directories(dir);
    writeSolid(dir / "tool.png", 4, 3, 10);
    writeSolid(dir / "tool@2x.png", 8, 6, 20);
    writeSolid(dir / "tool@3x.png", 12, 9, 30);
    testsupport::writeText(dir / "fake.png", "\x89PNG but no header");
    writeSolid(dir / "late@2x.png", 8, 8, 50);
    testsupport::writeText(dir / "late.png", "garbage");
    platform::Bundle::main().setResourceDirectories({dir});

    const auto image = Image::named("tool.png");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), (platform::Size{4, 3})) << "read from the smallest's header";
    EXPECT_EQ(image->scales(), (std::vector<int>{1, 2, 3}));

    // Found but not yet read: what the files hold when first drawn is what is shown.
    writeSolid(dir / "tool@2x.png", 8, 6, 120);
    const auto& twice = image->variantForScale(2);
    EXPECT_EQ(twice.scale, 2);
    EXPECT_EQ(twice.picture.width(), 8);
    EXPECT_EQ(twice.picture.pixelAt(0, 0)[0], 120);
    // Once decoded, a variant stays as it was.
    writeSolid(dir / "tool@2x.png", 8, 6, 220);
    EXPECT_EQ(image->variantForScale(2).picture.pixelAt(0, 0)[0], 120);

    // A file damaged after it was found is drawn transparent at its size, not as garbage.
    testsupport::writeText(dir / "tool@3x.png", "not a picture any more");
    const auto& thrice = image->variantForScale(3);
    EXPECT_EQ(thrice.picture.width(), 12);
    EXPECT_EQ(thrice.picture.height(), 9);
    EXPECT_EQ(thrice.picture.pixelAt(5, 5), (std::array<std::uint8_t, 4>{0, 0, 0, 0}));
    EXPECT_EQ(image->variantForScale(1).picture.pixelAt(0, 0)[0], 10);

    // A resource that is no picture is no image; a broken smallest variant gives way to the
    // next one for the size.
    EXPECT_EQ(Image::named("fake.png"), nullptr);
    const auto late = Image::named("late.png");
    ASSERT_TRUE(late);
    EXPECT_EQ(late->size(), (platform::Size{4, 4}));
    EXPECT_EQ(late->scales(), (std::vector<int>{2}));
}

} // namespace
