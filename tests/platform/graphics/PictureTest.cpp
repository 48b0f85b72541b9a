#include "platform/graphics/Picture.h"

#include "support/PictureTestSupport.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

using platform::Picture;
using testsupport::makeCoordinatePicture;
using Pixel = std::array<std::uint8_t, 4>;

platform::PixelBuffer bytesOf(std::size_t size) {
    return std::make_shared<const platform::PixelBytes>(size);
}

TEST(Picture, CreationChecksSizeBufferAndOrientationAndPartsWidenToWholePixelsAndClip) {
    EXPECT_FALSE(Picture::create(bytesOf(3 * 2 * 4 - 1), 3, 2));
    EXPECT_FALSE(Picture::create(bytesOf(0), 0, 0));
    EXPECT_FALSE(Picture::create(nullptr, 1, 1));
    EXPECT_FALSE(Picture::create(bytesOf(4), 1, 1, 8));
    EXPECT_FALSE(Picture::create(bytesOf(4), 1, 1, -1));
    EXPECT_FALSE(Picture::create(bytesOf(4), 50'000'001, 1));
    // The displayed size is swapped for the sideways orientations.
    for (int orientation = 0; orientation < 8; ++orientation) {
        const auto picture = Picture::create(bytesOf(3 * 2 * 4), 3, 2, orientation);
        ASSERT_TRUE(picture);
        const bool sideways = orientation % 4 >= 2;
        EXPECT_EQ(picture->size(), (platform::Size{sideways ? 2.0f : 3.0f, sideways ? 3.0f : 2.0f}))
            << orientation;
    }

    // A part widens to whole pixels and is clipped to the picture.
    const Picture picture = makeCoordinatePicture(10, 8, Picture::Right);
    struct Case {
        platform::Rect rect;
        int width;
        int height;
        Pixel last;
    };
    // 1.5 … 3.2 covers pixels 1, 2 and 3.
    const Case cases[] = {{{2.0f, 3.0f, 4.0f, 2.0f}, 4, 2, Pixel{5, 4, 200, 255}},
                          {{1.5f, 0.25f, 1.7f, 0.5f}, 3, 1, Pixel{3, 0, 200, 255}},
                          {{-5.0f, 6.0f, 8.0f, 100.0f}, 3, 2, Pixel{2, 7, 200, 255}},
                          {{-1e30f, -1e30f, 3e30f, 3e30f}, 10, 8, Pixel{9, 7, 200, 255}}};
    for (const Case& c : cases) {
        const auto part = picture.subImage(c.rect);
        ASSERT_TRUE(part);
        EXPECT_EQ(part->orientation(), Picture::Up);
        EXPECT_EQ(part->pixelAt(0, 0),
                  (Pixel{static_cast<std::uint8_t>(std::max(c.rect.origin.x, 0.0f)),
                         static_cast<std::uint8_t>(std::max(c.rect.origin.y, 0.0f)), 200, 255}));
        ASSERT_EQ(std::pair(part->width(), part->height()), std::pair(c.width, c.height));
        EXPECT_EQ(part->pixelAt(c.width - 1, c.height - 1), c.last);
    }
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(picture.subImage({10.0f, 0.0f, 5.0f, 5.0f}));
    EXPECT_FALSE(picture.subImage({2.0f, 2.0f, 0.0f, 3.0f}));
    EXPECT_FALSE(picture.subImage({nan, 0.0f, 5.0f, 5.0f}));
    EXPECT_FALSE(picture.subImage({0.0f, 0.0f, 1e30f, nan}));
}

} // namespace
