#include "platform/graphics/Picture.h"

#include "platform/graphics/JpegCodec.h"
#include "platform/graphics/PictureCodec.h"
#include "support/PictureTestSupport.h"

#include <gtest/gtest.h>
#include <limits>
#include <png.h>

namespace {

using platform::Picture;
using platform::PictureCodec;
using testsupport::makeCoordinatePicture;
using testsupport::makePicture;
using Pixel = std::array<std::uint8_t, 4>;

// Why a picture was not read; empty when it was.
std::string failureOf(const std::expected<Picture, platform::Error>& decoded) {
    return decoded ? std::string() : decoded.error().message;
}

platform::PixelBuffer bytesOf(std::size_t size) {
    return std::make_shared<const platform::PixelBytes>(size);
}

TEST(Picture, CreationChecksSizeBufferAndOrientation) {
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
}

TEST(Picture, SubImageWidensToWholePixelsAndClips) {
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
        ASSERT_EQ(part->width(), c.width);
        ASSERT_EQ(part->height(), c.height);
        EXPECT_EQ(part->pixelAt(c.width - 1, c.height - 1), c.last);
    }
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(picture.subImage({10.0f, 0.0f, 5.0f, 5.0f}));
    EXPECT_FALSE(picture.subImage({2.0f, 2.0f, 0.0f, 3.0f}));
    EXPECT_FALSE(picture.subImage({nan, 0.0f, 5.0f, 5.0f}));
    EXPECT_FALSE(picture.subImage({0.0f, 0.0f, 1e30f, nan}));
}

TEST(PictureCodec, PngOfEveryColourTypeBecomesPremultipliedRGBA) {
    struct Case {
        const char* name;
        testsupport::PngLayout layout;
        Pixel first;
        Pixel last;
    };
    const Case cases[] = {
        {"grey 8",
         {2, 1, PNG_COLOR_TYPE_GRAY, 8, false, {10, 250}, {}, {}},
         {10, 10, 10, 255},
         {250, 250, 250, 255}},
        {"grey 1-bit",
         {3, 1, PNG_COLOR_TYPE_GRAY, 1, false, {0b10100000}, {}, {}},
         {255, 255, 255, 255},
         {255, 255, 255, 255}},
        {"grey with tRNS",
         {2, 1, PNG_COLOR_TYPE_GRAY, 8, false, {7, 200}, {}, {7}},
         {0, 0, 0, 0},
         {200, 200, 200, 255}},
        {"grey alpha",
         {1, 2, PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, {200, 255, 200, 51}, {}, {}},
         {200, 200, 200, 255},
         {40, 40, 40, 51}},
        {"palette with tRNS",
         {2, 1, PNG_COLOR_TYPE_PALETTE, 8, false, {0, 1}, {255, 0, 0, 0, 0, 255}, {255, 102}},
         {255, 0, 0, 255},
         {0, 0, 102, 102}},
        {"RGB 16-bit",
         {1, 1, PNG_COLOR_TYPE_RGB, 16, false, {0xFF, 0xFF, 0x80, 0x7F, 0x00, 0x81}, {}, {}},
         {255, 128, 1, 255},
         {255, 128, 1, 255}},
        {"RGBA 16-bit",
         {1, 1, PNG_COLOR_TYPE_RGB_ALPHA, 16, false, {0xFF, 0xFF, 0, 0, 0, 0, 0x80, 0x00}, {}, {}},
         {128, 0, 0, 128},
         {128, 0, 0, 128}},
        {"RGB with tRNS",
         {2, 1, PNG_COLOR_TYPE_RGB, 8, false, {1, 2, 3, 4, 5, 6}, {}, {1, 2, 3}},
         {0, 0, 0, 0},
         {4, 5, 6, 255}},
    };
    for (const Case& c : cases) {
        const auto decoded = PictureCodec::decode(testsupport::encodeRawPng(c.layout));
        ASSERT_EQ(failureOf(decoded), "") << c.name;
        ASSERT_EQ(decoded->size(), (platform::Size{float(c.layout.width), float(c.layout.height)}))
            << c.name;
        EXPECT_EQ(decoded->pixelAt(0, 0), c.first) << c.name;
        EXPECT_EQ(decoded->pixelAt(c.layout.width - 1, c.layout.height - 1), c.last) << c.name;
    }
}

TEST(PictureCodec, JpegOrientationComesFromExifAndGreyBecomesOpaqueRGBA) {
    const Picture picture = makePicture(6, 4, [](int x, int) {
        return x < 3 ? Pixel{250, 20, 20, 255} : Pixel{20, 20, 250, 255};
    });
    const int exifToPlatform[9] = {0, 0, 4, 1, 5, 6, 3, 7, 2};
    for (int exif = 0; exif <= 8; ++exif) {
        const auto decoded = PictureCodec::decode(testsupport::encodeJpeg(picture, exif));
        ASSERT_EQ(failureOf(decoded), "") << exif;
        EXPECT_EQ(decoded->orientation(), exifToPlatform[exif]) << exif;
        EXPECT_EQ(decoded->width(), 6);
    }
    EXPECT_EQ(platform::jpeg::orientationFromExifValue(9), Picture::Up);

    const auto grey = PictureCodec::decode(testsupport::encodeJpeg(picture, 0, true));
    ASSERT_EQ(failureOf(grey), "");
    const Pixel g = grey->pixelAt(0, 0);
    EXPECT_EQ(g[0], g[1]);
    EXPECT_EQ(g[1], g[2]);
    EXPECT_EQ(g[3], 255);
}

TEST(PictureCodec, DamagedBytesAndNonPicturesYieldNoPicture) {
    std::vector<std::uint8_t> png = *PictureCodec::encodePNG(makeCoordinatePicture(40, 30));
    for (std::size_t i = 45; i < 60; ++i) {
        png[i] ^= 0x5A;
    }
    EXPECT_EQ(failureOf(PictureCodec::decode(png)), "the picture is damaged or incomplete");
    // A start-of-frame claiming 0 lines is refused by libjpeg itself.
    auto jpeg = testsupport::encodeJpeg(makeCoordinatePicture(64, 48), 6);
    const auto frame = std::ranges::search(jpeg, std::array<std::uint8_t, 2>{0xFF, 0xC0});
    ASSERT_FALSE(frame.empty());
    frame.begin()[5] = frame.begin()[6] = 0;
    EXPECT_EQ(failureOf(PictureCodec::decode(jpeg)), "the picture is damaged or incomplete");
    for (const std::vector<std::uint8_t>& text : {std::vector<std::uint8_t>{'h', 'i'}, {}}) {
        EXPECT_EQ(failureOf(PictureCodec::decode(text)),
                  "the file is not a PNG, JPEG, WebP or HEIF picture");
    }
}

} // namespace
