#include "platform/graphics/Picture.h"

#include "platform/graphics/JpegCodec.h"
#include "platform/graphics/PictureCodec.h"
#include "support/PictureTestSupport.h"
#include "support/TestEnvironment.h"

#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <limits>
#include <png.h>

namespace {

using platform::Picture;
using platform::PictureCodec;
using testsupport::makeCoordinatePicture;
using testsupport::makePicture;
using Pixel = std::array<std::uint8_t, 4>;

constexpr const char* kDamaged = "the picture is damaged or incomplete";
constexpr const char* kTooLarge = "the picture is larger than 50 megapixels";
constexpr const char* kUnreadable = "the file could not be read";

// Why a picture was not read; empty when it was.
std::string failureOf(const std::expected<Picture, platform::Error>& decoded) {
    return decoded ? std::string() : decoded.error().message;
}

platform::PixelBuffer bytesOf(std::size_t size) {
    return std::make_shared<const platform::PixelBytes>(size);
}

TEST(Picture, CreationChecksSizeBufferAndOrientation) {
    EXPECT_TRUE(Picture::create(bytesOf(3 * 2 * 4), 3, 2));
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
        const bool sideways =
            orientation == 2 || orientation == 3 || orientation == 6 || orientation == 7;
        EXPECT_EQ(picture->size(), (platform::Size{sideways ? 2.0f : 3.0f, sideways ? 3.0f : 2.0f}))
            << orientation;
    }
}

TEST(Picture, SubImageWidensToWholePixelsAndClips) {
    const Picture picture = makeCoordinatePicture(10, 8, Picture::Right);

    auto inside = picture.subImage({2.0f, 3.0f, 4.0f, 2.0f});
    ASSERT_TRUE(inside);
    EXPECT_EQ(inside->width(), 4);
    EXPECT_EQ(inside->height(), 2);
    EXPECT_EQ(inside->orientation(), Picture::Up);
    EXPECT_EQ(inside->pixelAt(0, 0), (Pixel{2, 3, 200, 255}));
    EXPECT_EQ(inside->pixelAt(3, 1), (Pixel{5, 4, 200, 255}));

    // 1.5 … 3.2 covers pixels 1, 2 and 3.
    auto fractional = picture.subImage({1.5f, 0.25f, 1.7f, 0.5f});
    ASSERT_TRUE(fractional);
    EXPECT_EQ(fractional->width(), 3);
    EXPECT_EQ(fractional->height(), 1);
    EXPECT_EQ(fractional->pixelAt(0, 0), (Pixel{1, 0, 200, 255}));

    auto clipped = picture.subImage({-5.0f, 6.0f, 8.0f, 100.0f});
    ASSERT_TRUE(clipped);
    EXPECT_EQ(clipped->width(), 3);
    EXPECT_EQ(clipped->height(), 2);
    EXPECT_EQ(clipped->pixelAt(2, 1), (Pixel{2, 7, 200, 255}));

    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(picture.subImage({10.0f, 0.0f, 5.0f, 5.0f}));
    EXPECT_FALSE(picture.subImage({2.0f, 2.0f, 0.0f, 3.0f}));
    EXPECT_FALSE(picture.subImage({nan, 0.0f, 5.0f, 5.0f}));
    EXPECT_FALSE(picture.subImage({0.0f, 0.0f, 1e30f, nan}));
    auto everything = picture.subImage({-1e30f, -1e30f, 3e30f, 3e30f});
    ASSERT_TRUE(everything);
    EXPECT_EQ(*everything->pixels(), *picture.pixels());
}

TEST(PictureCodec, PngRoundTripKeepsPremultipliedPixelsAndStoresStraightAlpha) {
    const Picture picture = makePicture(5, 3, [](int x, int y) {
        const auto alpha = static_cast<std::uint8_t>(x == 0 ? 0 : 255 - 60 * y);
        const auto value = static_cast<std::uint8_t>(x == 0 ? 0 : alpha / (x + 1));
        return Pixel{value, static_cast<std::uint8_t>(alpha / 2), alpha, alpha};
    });
    const auto encoded = PictureCodec::encodePNG(picture);
    ASSERT_TRUE(encoded);
    const auto decoded = PictureCodec::decode(*encoded);
    ASSERT_EQ(failureOf(decoded), "");
    EXPECT_EQ(decoded->width(), 5);
    EXPECT_EQ(decoded->height(), 3);
    EXPECT_EQ(decoded->orientation(), Picture::Up);
    EXPECT_EQ(*decoded->pixels(), *picture.pixels());

    // Other programs read straight alpha: half-transparent red is full red at alpha 128.
    const auto red = PictureCodec::encodePNG(makePicture(1, 1, [](int, int) {
        return Pixel{128, 0, 0, 128};
    }));
    ASSERT_TRUE(red);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_memory(&image, red->data(), red->size()));
    image.format = PNG_FORMAT_RGBA;
    std::uint8_t pixel[4] = {};
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixel, 0, nullptr));
    EXPECT_EQ(pixel[0], 255);
    EXPECT_EQ(pixel[3], 128);
}

TEST(PictureCodec, PngOfEveryColourTypeBecomesPremultipliedRGBA) {
    using testsupport::PngLayout;
    struct Case {
        const char* name;
        PngLayout layout;
        Pixel first;
        Pixel last;
    };
    const Case cases[] = {
        {"grey 8",
         {2, 1, PNG_COLOR_TYPE_GRAY, 8, false, {10, 250}, {}, {}},
         Pixel{10, 10, 10, 255},
         Pixel{250, 250, 250, 255}},
        {"grey 1-bit",
         {3, 1, PNG_COLOR_TYPE_GRAY, 1, false, {0b10100000}, {}, {}},
         Pixel{255, 255, 255, 255},
         Pixel{255, 255, 255, 255}},
        {"grey with tRNS",
         {2, 1, PNG_COLOR_TYPE_GRAY, 8, false, {7, 200}, {}, {7}},
         Pixel{0, 0, 0, 0},
         Pixel{200, 200, 200, 255}},
        {"grey alpha",
         {1, 2, PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, {200, 255, 200, 51}, {}, {}},
         Pixel{200, 200, 200, 255},
         Pixel{40, 40, 40, 51}},
        {"palette with tRNS",
         {2, 1, PNG_COLOR_TYPE_PALETTE, 8, false, {0, 1}, {255, 0, 0, 0, 0, 255}, {255, 102}},
         Pixel{255, 0, 0, 255},
         Pixel{0, 0, 102, 102}},
        {"RGB 16-bit",
         {1, 1, PNG_COLOR_TYPE_RGB, 16, false, {0xFF, 0xFF, 0x80, 0x7F, 0x00, 0x81}, {}, {}},
         Pixel{255, 128, 1, 255},
         Pixel{255, 128, 1, 255}},
        {"RGBA 16-bit",
         {1, 1, PNG_COLOR_TYPE_RGB_ALPHA, 16, false, {0xFF, 0xFF, 0, 0, 0, 0, 0x80, 0x00}, {}, {}},
         Pixel{128, 0, 0, 128},
         Pixel{128, 0, 0, 128}},
        {"RGB with tRNS",
         {2, 1, PNG_COLOR_TYPE_RGB, 8, false, {1, 2, 3, 4, 5, 6}, {}, {1, 2, 3}},
         Pixel{0, 0, 0, 0},
         Pixel{4, 5, 6, 255}},
    };
    for (const Case& c : cases) {
        const auto decoded = PictureCodec::decode(testsupport::encodeRawPng(c.layout));
        ASSERT_EQ(failureOf(decoded), "") << c.name;
        const Picture& picture = *decoded;
        EXPECT_EQ(picture.width(), c.layout.width) << c.name;
        EXPECT_EQ(picture.height(), c.layout.height) << c.name;
        EXPECT_EQ(picture.pixelAt(0, 0), c.first) << c.name;
        EXPECT_EQ(picture.pixelAt(picture.width() - 1, picture.height() - 1), c.last) << c.name;
    }
}

TEST(PictureCodec, InterlacedPngDecodesLikeThePlainOne) {
    testsupport::PngLayout layout{9, 7, PNG_COLOR_TYPE_RGB, 8, true, {}, {}, {}};
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 9; ++x) {
            layout.rows.insert(layout.rows.end(),
                               {static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 200});
        }
    }
    const auto decoded = PictureCodec::decode(testsupport::encodeRawPng(layout));
    ASSERT_EQ(failureOf(decoded), "");
    EXPECT_EQ(*decoded->pixels(), *makeCoordinatePicture(9, 7).pixels());
}

TEST(PictureCodec, JpegOrientationComesFromExif) {
    const Picture picture = makePicture(6, 4, [](int x, int) {
        return x < 3 ? Pixel{250, 20, 20, 255} : Pixel{20, 20, 250, 255};
    });
    const int exifToPlatform[9] = {0, 0, 4, 1, 5, 6, 3, 7, 2};
    for (int exif = 0; exif <= 8; ++exif) {
        const auto decoded = PictureCodec::decode(testsupport::encodeJpeg(picture, exif));
        ASSERT_EQ(failureOf(decoded), "") << exif;
        EXPECT_EQ(decoded->orientation(), exifToPlatform[exif]) << exif;
        EXPECT_EQ(decoded->width(), 6);
        EXPECT_EQ(decoded->height(), 4);
        const bool sideways = exif >= 5;
        EXPECT_EQ(decoded->size().width, sideways ? 4.0f : 6.0f) << exif;
    }
    EXPECT_EQ(platform::jpeg::orientationFromExifValue(0), Picture::Up);
    EXPECT_EQ(platform::jpeg::orientationFromExifValue(9), Picture::Up);
}

TEST(PictureCodec, JpegPixelsAreOpaqueRGBA) {
    const Picture picture = makePicture(16, 8, [](int x, int) {
        return x < 8 ? Pixel{240, 16, 16, 255} : Pixel{16, 16, 240, 255};
    });
    const auto decoded = PictureCodec::decode(testsupport::encodeJpeg(picture));
    ASSERT_EQ(failureOf(decoded), "");
    const Pixel left = decoded->pixelAt(0, 0);
    const Pixel right = decoded->pixelAt(15, 7);
    EXPECT_NEAR(left[0], 240, 4);
    EXPECT_NEAR(left[2], 16, 4);
    EXPECT_NEAR(right[0], 16, 4);
    EXPECT_NEAR(right[2], 240, 4);
    EXPECT_EQ(left[3], 255);
    EXPECT_EQ(right[3], 255);

    const auto grey = PictureCodec::decode(testsupport::encodeJpeg(picture, 0, true));
    ASSERT_EQ(failureOf(grey), "");
    const Pixel g = grey->pixelAt(0, 0);
    EXPECT_EQ(g[0], g[1]);
    EXPECT_EQ(g[1], g[2]);
    EXPECT_EQ(g[3], 255);
}

// Sets the frame size in a baseline JPEG's start-of-frame segment.
void patchJpegSize(std::vector<std::uint8_t>& encoded, int height, int width) {
    for (std::size_t i = 0; i + 8 < encoded.size(); ++i) {
        if (encoded[i] == 0xFF && encoded[i + 1] == 0xC0) {
            const int values[] = {height >> 8, height & 0xFF, width >> 8, width & 0xFF};
            for (std::size_t k = 0; k < 4; ++k) {
                encoded[i + 5 + k] = static_cast<std::uint8_t>(values[k]);
            }
            return;
        }
    }
    ADD_FAILURE() << "no start-of-frame segment";
}

TEST(PictureCodec, TruncatedOrDamagedFilesYieldNoPicture) {
    const auto png = *PictureCodec::encodePNG(makeCoordinatePicture(40, 30));
    const auto jpeg = testsupport::encodeJpeg(makeCoordinatePicture(64, 48), 6);
    const std::pair<std::vector<std::uint8_t>, std::vector<std::size_t>> cases[] = {
        {png, {8, 20, 40, png.size() / 2, png.size() - 13}},
        {jpeg, {3, 30, jpeg.size() / 3, jpeg.size() / 2, jpeg.size() - 2}},
    };
    for (const auto& [encoded, lengths] : cases) {
        for (std::size_t length : lengths) {
            const auto decoded = PictureCodec::decode(
                std::vector<std::uint8_t>(encoded.begin(), encoded.begin() + long(length)));
            EXPECT_EQ(failureOf(decoded), kDamaged) << length;
        }
    }
    std::vector<std::uint8_t> damaged = png;
    for (std::size_t i = 45; i < 60; ++i) {
        damaged[i] ^= 0x5A;
    }
    EXPECT_EQ(failureOf(PictureCodec::decode(damaged)), kDamaged);
    // A start-of-frame claiming 0 lines is refused by libjpeg itself.
    damaged = jpeg;
    patchJpegSize(damaged, 0, 64);
    EXPECT_EQ(failureOf(PictureCodec::decode(damaged)), kDamaged);

    const std::vector<std::uint8_t> text = {'h', 'e', 'l', 'l', 'o'};
    EXPECT_EQ(failureOf(PictureCodec::decode(text)),
              "the file is not a PNG, JPEG, WebP or HEIF picture");
    EXPECT_EQ(failureOf(PictureCodec::decode({})),
              "the file is not a PNG, JPEG, WebP or HEIF picture");
}

TEST(PictureCodec, PicturesLargerThanTheLimitAreRefusedBeforeDecoding) {
    // A 1 × 1 PNG whose header claims 10000 × 6000 pixels (60 megapixels).
    auto png = *PictureCodec::encodePNG(makeCoordinatePicture(1, 1));
    auto putBigEndian = [&](std::size_t at, std::uint32_t value) {
        for (std::size_t i = 0; i < 4; ++i) {
            png[at + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
        }
    };
    putBigEndian(16, 10000);
    putBigEndian(20, 6000);
    putBigEndian(29, testsupport::pngCrc(png.data() + 12, 17));
    EXPECT_EQ(failureOf(PictureCodec::decode(png)), kTooLarge);

    auto jpeg = testsupport::encodeJpeg(makeCoordinatePicture(8, 8));
    patchJpegSize(jpeg, 8000, 8000);
    EXPECT_EQ(failureOf(PictureCodec::decode(jpeg)), kTooLarge);
}

TEST(PictureCodec, FilesAreWrittenAndReadBack) {
    testsupport::ScratchDirectory directory;
    const Picture picture = makeCoordinatePicture(7, 5);
    const auto path = directory.path() / "picture.png";
    ASSERT_TRUE(PictureCodec::writePNG(picture, path));
    const auto decoded = PictureCodec::decodeFile(path);
    ASSERT_EQ(failureOf(decoded), "");
    EXPECT_EQ(*decoded->pixels(), *picture.pixels());

    const auto jpegPath = directory.path() / "photo.jpg";
    const auto jpeg = testsupport::encodeJpeg(picture, 8);
    testsupport::writeText(jpegPath, std::string(jpeg.begin(), jpeg.end()));
    const auto photo = PictureCodec::decodeFile(jpegPath);
    ASSERT_EQ(failureOf(photo), "");
    EXPECT_EQ(photo->orientation(), Picture::Left);

    EXPECT_EQ(failureOf(PictureCodec::decodeFile(directory.path() / "missing.png")), kUnreadable);
    EXPECT_EQ(failureOf(PictureCodec::decodeFile(directory.path())), kUnreadable);
    EXPECT_FALSE(PictureCodec::writePNG(picture, directory.path() / "no" / "such.png"));
}

} // namespace
