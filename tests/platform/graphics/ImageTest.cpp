#include "platform/graphics/Image.h"

#include "platform/base/Bundle.h"
#include "platform/graphics/PictureCodec.h"
#include "support/PictureTestSupport.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

namespace {

using platform::Bundle;
using platform::Image;

void writeSolid(const std::filesystem::path& path, int width, int height, std::uint8_t red) {
    ASSERT_TRUE(platform::PictureCodec::writePNG(
        testsupport::plainPicture(width, height, {red, 0, 0, 255}), path));
}

struct Images : testsupport::PlatformTest {};

TEST_F(Images, TheBuildsButtonImagesComeInThreeScales) {
    const auto image = Image::named("smudgeItemImage.png");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), (platform::Size{40, 30}));
    ASSERT_EQ(image->scales(), (std::vector<int>{1, 2, 3}));
    for (int scale = 1; scale <= 3; ++scale) {
        const auto& variant = image->variantForScale(scale);
        EXPECT_EQ(variant.scale, scale);
        EXPECT_EQ(variant.picture.width(), 40 * scale);
        EXPECT_EQ(variant.picture.height(), 30 * scale);
    }
    EXPECT_EQ(image->variantForScale(5).scale, 3) << "the largest there is";
    EXPECT_EQ(Image::named("smudgeItemImage.png"), image) << "decoded once, then shared";
}

TEST_F(Images, PointSizeComesFromTheVariantsScaleAndMissingScalesBorrow) {
    const auto dir = scratch.path() / "Resources";
    std::filesystem::create_directories(dir);
    writeSolid(dir / "onlyRetina@2x.png", 80, 60, 10);
    writeSolid(dir / "pair.png", 20, 10, 20);
    writeSolid(dir / "pair@3x.png", 60, 30, 30);
    std::filesystem::create_directories(dir / "broken@2x.png"); // not a file
    Bundle::main().setResourceDirectories({dir});

    const auto retina = Image::named("onlyRetina.png");
    ASSERT_TRUE(retina);
    EXPECT_EQ(retina->size(), (platform::Size{40, 30}));
    EXPECT_EQ(retina->variantForScale(1).scale, 2) << "a larger one shrinks best";

    const auto pair = Image::named("pair.png");
    ASSERT_TRUE(pair);
    EXPECT_EQ(pair->size(), (platform::Size{20, 10}));
    EXPECT_EQ(pair->variantForScale(2).scale, 3);
    EXPECT_EQ(pair->variantForScale(1).picture.pixelAt(0, 0)[0], 20);

    EXPECT_EQ(Image::named("missing.png"), nullptr);
    EXPECT_EQ(Image::named("broken.png"), nullptr);
    EXPECT_EQ(Image::named("../Resources/pair.png"), nullptr) << "names stay inside the folders";

    // Other folders, other pictures: the cache does not outlive the folders.
    writeSolid(dir / "other.png", 4, 4, 40);
    Bundle::main().setResourceDirectories({scratch.path()});
    EXPECT_EQ(Image::named("pair.png"), nullptr);
    Bundle::main().setResourceDirectories({dir});
    EXPECT_NE(Image::named("pair.png"), pair);
    EXPECT_TRUE(Image::named("other.png"));
}

TEST(Image, MadeFromAPicture) {
    const auto picture = testsupport::makeCoordinatePicture(30, 20);
    const auto image = Image::create(picture, 2);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), (platform::Size{15, 10}));
    EXPECT_EQ(Image::create(picture, 0), nullptr);
}

} // namespace
