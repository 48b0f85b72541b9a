// The picture decoders (PNG in every colour type, JPEG with its EXIF turn, WebP, HEIF),
// decoding to the size the editor needs, and the PNG encoder.
#include "platform/graphics/PictureCodec.h"

#include "platform/graphics/JpegCodec.h"
#include "support/HeifEncoding.h"
#include "support/PictureTestSupport.h"
#include "support/TestEnvironment.h"
#include "support/WebpEncoding.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <png.h>
#include <string>
#include <zlib.h>

namespace {

using platform::Picture;
using platform::PictureCodec;
using platform::Size;
using testsupport::makePicture;
using Pixel = std::array<std::uint8_t, 4>;
using Bytes = std::vector<std::uint8_t>;

constexpr const char* kDamaged = "the picture is damaged or incomplete";
constexpr const char* kOversized = "the picture is too large to read";
constexpr const char* kTooLarge = "the picture is larger than 50 megapixels";

template <typename T> std::string failureOf(const std::expected<T, platform::Error>& decoded) {
    return decoded ? std::string() : decoded.error().message;
}

enum class Format { png, jpeg, progressiveJpeg, webpLossy, webpLossless, heif };

const char* nameOf(Format format) {
    constexpr const char* names[] = {"PNG",        "JPEG",          "progressive JPEG",
                                     "lossy WebP", "lossless WebP", "HEIF"};
    return names[static_cast<int>(format)];
}

// `picture` in `format`, turned for display by `exifOrientation` where the format can say so.
Bytes encode(Format format, const Picture& picture, int exifOrientation = 1) {
    switch (format) {
    case Format::png:
        return *PictureCodec::encodePNG(picture);
    case Format::jpeg:
    case Format::progressiveJpeg:
        return testsupport::encodeJpeg(picture, exifOrientation, JCS_YCbCr,
                                       format == Format::progressiveJpeg);
    case Format::webpLossy:
    case Format::webpLossless:
        return testsupport::encodeWebp(picture, format == Format::webpLossless);
    case Format::heif:
        return testsupport::encodeHeif(picture, exifOrientation);
    }
    return {};
}

// The formats this machine can make test files of.
std::vector<Format> encodableFormats() {
    std::vector<Format> formats = {Format::png, Format::jpeg, Format::progressiveJpeg,
                                   Format::webpLossy, Format::webpLossless};
    if (testsupport::canEncodeHeif()) {
        formats.push_back(Format::heif);
    }
    return formats;
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

// Every EXIF orientation is read in the camera picture's tests, which show each one upright.
TEST(PictureCodec, JpegWithoutExifIsUprightAndGreyBecomesOpaqueRGBA) {
    const auto grey = PictureCodec::decode(
        testsupport::encodeJpeg(testsupport::patternPicture(6, 4), 0, JCS_GRAYSCALE));
    ASSERT_EQ(failureOf(grey), "");
    EXPECT_EQ(grey->orientation(), Picture::Up);
    EXPECT_EQ(platform::jpeg::orientationFromExifValue(9), Picture::Up);
    const Pixel g = grey->pixelAt(0, 0);
    EXPECT_EQ(g, (Pixel{g[0], g[0], g[0], 255}));
}

TEST(PictureCodecToFit, CoversTheEditorsFitOfEverySizeAndReducesWhatIsLarger) {
    struct Case {
        int width;
        int height;
        Size box;
    };
    const Case cases[] = {
        {1, 1, {20, 20}},     {20, 20, {20, 20}},  {19, 21, {20, 20}},  {21, 21, {20, 20}},
        {39, 39, {20, 20}},   {41, 19, {20, 20}},  {1, 170, {20, 20}},  {170, 1, {20, 20}},
        {7, 170, {20, 20}},   {100, 17, {20, 20}}, {133, 99, {20, 20}}, {159, 161, {20, 20}},
        {213, 160, {17, 10}}, {81, 53, {17, 10}},  {331, 3, {17, 10}},
    };
    for (const Format format : encodableFormats()) {
        const bool turns =
            format != Format::png && format != Format::webpLossy && format != Format::webpLossless;
        for (const int exif : turns ? std::vector{1, 6} : std::vector{1}) {
            for (const Case& c : cases) {
                SCOPED_TRACE(testing::Message() << nameOf(format) << " " << c.width << "x"
                                                << c.height << " exif " << exif);
                const Bytes file =
                    encode(format, testsupport::patternPicture(c.width, c.height), exif);
                ASSERT_FALSE(file.empty());
                const auto reduced = PictureCodec::decodeToFit(file, c.box);
                ASSERT_EQ(failureOf(reduced), "");
                const Size full = exif >= 5 ? Size{float(c.height), float(c.width)}
                                            : Size{float(c.width), float(c.height)};
                EXPECT_EQ(reduced->fullSize, full);
                const Size fit = testsupport::editorFit(full, c.box);
                const Size got = reduced->picture.size();
                EXPECT_GE(got.width, fit.width);
                EXPECT_GE(got.height, fit.height);
                if (full.width <= c.box.width && full.height <= c.box.height) {
                    EXPECT_EQ(got, full);
                } else {
                    EXPECT_LE(got.width, 2 * fit.width + 2);
                    EXPECT_LE(got.height, 2 * fit.height + 2);
                }
                const int orientation =
                    format != Format::heif && exif == 6 ? Picture::Right : Picture::Up;
                EXPECT_EQ(reduced->picture.orientation(), orientation);
            }
        }
    }
}

TEST(PictureCodecToFit, PngBlocksAverageThePremultipliedPixelsInterlacedOrNot) {
    // 7 × 5 straight RGBA whose colour and alpha vary, reduced by 3: the last column and row
    // of blocks are partial.
    testsupport::PngLayout layout{7, 5, PNG_COLOR_TYPE_RGB_ALPHA, 8, false, {}, {}, {}};
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 7; ++x) {
            layout.rows.insert(layout.rows.end(), {static_cast<std::uint8_t>(30 * x),
                                                   static_cast<std::uint8_t>(50 * y), 200,
                                                   static_cast<std::uint8_t>(255 - 25 * (x + y))});
        }
    }
    const auto whole = PictureCodec::decode(testsupport::encodeRawPng(layout));
    ASSERT_EQ(failureOf(whole), "");
    std::vector<std::uint8_t> expected;
    for (int by = 0; by < 2; ++by) {
        for (int bx = 0; bx < 3; ++bx) {
            for (int c = 0; c < 4; ++c) {
                int sum = 0;
                int count = 0;
                for (int y = by * 3; y < std::min(by * 3 + 3, 5); ++y) {
                    for (int x = bx * 3; x < std::min(bx * 3 + 3, 7); ++x, ++count) {
                        sum += whole->pixelAt(x, y)[static_cast<std::size_t>(c)];
                    }
                }
                expected.push_back(static_cast<std::uint8_t>((sum + count / 2) / count));
            }
        }
    }
    for (const bool interlaced : {false, true}) {
        layout.interlaced = interlaced;
        const auto again = PictureCodec::decode(testsupport::encodeRawPng(layout));
        ASSERT_EQ(failureOf(again), "") << interlaced;
        EXPECT_EQ(*again->pixels(), *whole->pixels()) << interlaced;
        // 7 × 5 fitted within 3 × 3 is 3 × 2: blocks of 3 still cover it.
        const auto reduced = PictureCodec::decodeToFit(testsupport::encodeRawPng(layout), {3, 3});
        ASSERT_EQ(failureOf(reduced), "") << interlaced;
        EXPECT_EQ(reduced->picture.size(), (Size{3, 2})) << interlaced;
        EXPECT_EQ(*reduced->picture.pixels(), expected) << interlaced;
    }
}

TEST(PictureCodecToFit, TheLimitAppliesToWhatIsHeldNotToTheFile) {
    // 8000 × 7000 one-bit grey (56 megapixels, 7 MB of rows), white left of x = 4000.
    testsupport::PngLayout layout{8000, 7000, PNG_COLOR_TYPE_GRAY, 1, false, {}, {}, {}};
    std::vector<std::uint8_t> row(1000, 0);
    std::fill(row.begin(), row.begin() + 500, 0xFF);
    for (int y = 0; y < 7000; ++y) {
        layout.rows.insert(layout.rows.end(), row.begin(), row.end());
    }
    const Bytes png = testsupport::encodeRawPng(layout);
    const auto reduced = PictureCodec::decodeToFit(png, {600, 600});
    ASSERT_EQ(failureOf(reduced), "");
    EXPECT_EQ(reduced->fullSize, (Size{8000, 7000}));
    // Blocks of 13: 616 × 539; the block across x = 4000 has 9 of its 13 columns white.
    EXPECT_EQ(reduced->picture.size(), (Size{616, 539}));
    EXPECT_EQ(reduced->picture.pixelAt(0, 0), (Pixel{255, 255, 255, 255}));
    EXPECT_EQ(reduced->picture.pixelAt(307, 100)[0], 177);
    EXPECT_EQ(reduced->picture.pixelAt(615, 538), (Pixel{0, 0, 0, 255}));
}

// The process's resident memory (VmRSS) or its peak since the last resetPeak() (VmHWM).
std::int64_t residentBytes(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with(field + ":")) {
            return std::stoll(line.substr(field.size() + 1)) * 1024;
        }
    }
    return -1;
}

void resetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

TEST(PictureCodec, ADecodingHoldsAtMostTwiceThePicturePlus64MB) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers keep freed memory and shadow what is used";
#endif
    // 4800 × 4000 (19 megapixels, 77 MB decoded): one-bit grey, plain and interlaced (read
    // whole even when reduced), so the file is small and the decoding cheap.
    for (const bool interlaced : {false, true}) {
        testsupport::PngLayout layout{4800, 4000, PNG_COLOR_TYPE_GRAY, 1, interlaced, {}, {}, {}};
        layout.rows.assign(std::size_t{600} * 4000, 0x0F);
        const Bytes png = testsupport::encodeRawPng(layout);
        constexpr std::int64_t picture = std::int64_t{4800} * 4000 * 4;
        for (const bool reduced : {false, true}) {
            const std::int64_t before = residentBytes("VmRSS");
            resetPeak();
            {
                const auto decoded = reduced ? PictureCodec::decodeToFit(png, {600, 600})
                                             : PictureCodec::decodeToFit(png, {4800, 4000});
                ASSERT_EQ(failureOf(decoded), "");
                EXPECT_EQ(decoded->picture.width(), reduced ? 600 : 4800);
            }
            const std::int64_t peak = residentBytes("VmHWM");
            ASSERT_GT(before, 0);
            EXPECT_LE(peak - before, 2 * picture + (std::int64_t{64} << 20))
                << "interlaced " << interlaced << ", reduced " << reduced;
        }
    }
}

TEST(PictureCodec, EveryFormatDecodesToItsPixelsWholeAndReduced) {
    // Quadrants of straight colour whose channels are 0 or 255, so that premultiplying is
    // exact in every decoder; the lower right one is half transparent.
    const Picture picture = makePicture(32, 32, [](int x, int y) {
        if (x >= 16 && y >= 16) {
            return Pixel{0, 128, 0, 128};
        }
        return x < 16 ? (y < 16 ? Pixel{255, 0, 0, 255} : Pixel{0, 0, 255, 255})
                      : Pixel{255, 255, 255, 255};
    });
    for (const Format format : encodableFormats()) {
        const Bytes file = encode(format, picture);
        const bool exact = format == Format::png || format == Format::webpLossless;
        // JPEG keeps the colour and drops the alpha.
        const bool alpha = format != Format::jpeg && format != Format::progressiveJpeg;
        const auto whole = PictureCodec::decode(file);
        ASSERT_EQ(failureOf(whole), "") << nameOf(format);
        if (exact) {
            EXPECT_EQ(*whole->pixels(), *picture.pixels()) << nameOf(format);
        }
        // Fitted within 8 × 8: a quarter of the size, whichever way the format reduces.
        const auto reduced = PictureCodec::decodeToFit(file, {8, 8});
        ASSERT_EQ(failureOf(reduced), "") << nameOf(format);
        ASSERT_EQ(reduced->picture.size(), (Size{8, 8})) << nameOf(format);
        for (const auto& [x, y] : {std::pair{5, 5}, {26, 5}, {5, 26}, {26, 26}}) {
            Pixel want = picture.pixelAt(x, y);
            want[3] = alpha ? want[3] : 255;
            for (const auto& [got, where] : {std::pair{whole->pixelAt(x, y), "whole"},
                                             {reduced->picture.pixelAt(x / 4, y / 4), "reduced"}}) {
                for (std::size_t c = 0; c < 4; ++c) {
                    EXPECT_NEAR(got[c], want[c], exact ? 0 : 8)
                        << nameOf(format) << " " << where << " at " << x << "," << y;
                }
            }
        }
    }
}

// Where `text` first occurs in `bytes` at or after `from`; the file's end when nowhere.
Bytes::iterator find(Bytes& bytes, std::string_view text, std::size_t from = 0) {
    return std::search(bytes.begin() + static_cast<long>(from), bytes.end(), text.begin(),
                       text.end(), [](std::uint8_t a, char b) { return a == std::uint8_t(b); });
}

// Writes the lowest `count` bytes of `value` at `at`, most significant first or last.
void put(Bytes::iterator at, std::uint32_t value, int count, bool bigEndian = true) {
    for (int i = 0; i < count; ++i) {
        at[i] = static_cast<std::uint8_t>(value >> (8 * (bigEndian ? count - 1 - i : i)));
    }
}

// Changes the size the file declares to `width` × `height` (where the format keeps checksums,
// they are made to match).
void declareSize(Format format, Bytes& file, std::uint32_t width, std::uint32_t height) {
    const auto header = find(file, std::array{"IHDR", "\xFF\xC0", "\xFF\xC2", "\x9D\x01\x2A",
                                              "VP8L", "ispe"}[static_cast<std::size_t>(format)]);
    ASSERT_NE(header, file.end()) << nameOf(format);
    switch (format) {
    case Format::png:
        put(header + 4, width, 4);
        put(header + 8, height, 4);
        put(header + 17, static_cast<std::uint32_t>(crc32(0, &*header, 17)), 4);
        break;
    case Format::jpeg:
    case Format::progressiveJpeg:
        put(header + 5, height, 2);
        put(header + 7, width, 2);
        break;
    case Format::webpLossy:
        // After the frame tag and start code: 14-bit width and height, little-endian.
        put(header + 3, width, 2, false);
        put(header + 5, height, 2, false);
        break;
    case Format::webpLossless: {
        // After the signature byte: width − 1 and height − 1 in 14 bits each, lowest first.
        const auto stream = header + 9;
        const std::uint32_t bits = std::uint32_t{stream[3]} & 0xF0u;
        put(stream, bits << 24 | (width - 1) | (height - 1) << 14, 4, false);
        break;
    }
    case Format::heif:
        // Every item's, the alpha plane's too.
        for (auto at = header; at != file.end();
             at = find(file, "ispe", static_cast<std::size_t>(at - file.begin()) + 4)) {
            put(at + 8, width, 4);
            put(at + 12, height, 4);
        }
        break;
    }
}

TEST(PictureCodec, DamagedTruncatedOrLyingFilesOfEveryFormatGiveNoPicture) {
    const Picture picture = testsupport::patternPicture(48, 40);
    for (const Format format : encodableFormats()) {
        const Bytes file = encode(format, picture);
        std::vector<Bytes> bad;
        for (const std::size_t length : {file.size() / 3, file.size() / 2, file.size() - 13}) {
            bad.emplace_back(file.begin(), file.begin() + static_cast<long>(length));
        }
        for (const std::uint32_t scale : {10, 30}) {
            bad.push_back(file);
            declareSize(format, bad.back(), 48 * scale, 40 * scale);
        }
        for (std::size_t i = 0; i < bad.size(); ++i) {
            SCOPED_TRACE(testing::Message() << nameOf(format) << " case " << i);
            EXPECT_EQ(failureOf(PictureCodec::decode(bad[i])), kDamaged);
            // The reduced decoding takes its own way through most decoders.
            EXPECT_EQ(failureOf(PictureCodec::decodeToFit(bad[i], {20, 20})), kDamaged);
        }
    }
    // A start-of-frame claiming 0 lines is refused by libjpeg itself.
    Bytes jpeg = encode(Format::jpeg, picture);
    declareSize(Format::jpeg, jpeg, 48, 0);
    EXPECT_EQ(failureOf(PictureCodec::decode(jpeg)), kDamaged);
    for (const Bytes& other : {Bytes(300, 0x5A), Bytes{'h', 'i'}, Bytes{}}) {
        EXPECT_EQ(failureOf(PictureCodec::decode(other)), platform::decodeFailure::unknownFormat);
        EXPECT_EQ(failureOf(PictureCodec::decodeToFit(other, {20, 20})),
                  platform::decodeFailure::unknownFormat);
    }
}

TEST(PictureCodec, DeclaredSizesBeyondWhatCanBeHeldAreRefusedFromTheHeader) {
    struct Case {
        Format format;
        std::uint32_t width;
        std::uint32_t height;
        const char* whole;
        // Fitted within 600 × 600: what streams is decoded (and then found short of data).
        const char* reduced;
    };
    std::vector<Case> cases = {
        {Format::png, 0x7FFFFFFF, 1, kOversized, kOversized},
        {Format::png, 40000, 2, kOversized, kOversized},
        {Format::png, 8000, 8000, kTooLarge, kDamaged},
        {Format::jpeg, 65000, 65000, kOversized, kOversized},
        {Format::jpeg, 8000, 8000, kTooLarge, kDamaged},
        // A progressive picture keeps every coefficient: 384 MB for these 64 megapixels.
        {Format::progressiveJpeg, 8000, 8000, kTooLarge, kOversized},
        {Format::webpLossy, 16000, 16000, kTooLarge, kDamaged},
        // libwebp holds a lossless picture whole.
        {Format::webpLossless, 16000, 16000, kTooLarge, kTooLarge},
    };
    if (testsupport::canEncodeHeif()) {
        cases.push_back({Format::heif, 40000, 40000, kOversized, kOversized});
        // HEIF is decoded whole.
        cases.push_back({Format::heif, 8000, 8000, kTooLarge, kTooLarge});
    }
    for (const Case& c : cases) {
        Bytes file = encode(c.format, testsupport::patternPicture(16, 16));
        declareSize(c.format, file, c.width, c.height);
        SCOPED_TRACE(testing::Message() << nameOf(c.format) << " " << c.width);
        EXPECT_EQ(failureOf(PictureCodec::decode(file)), c.whole);
        EXPECT_EQ(failureOf(PictureCodec::decodeToFit(file, {600, 600})), c.reduced);
    }
}

TEST(PictureCodec, PngEncodingIsLosslessAndDropsAnAlphaNobodyNeeds) {
    const Picture opaque = testsupport::patternPicture(61, 37);
    const Picture translucent = makePicture(61, 37, [](int x, int y) {
        const auto alpha = static_cast<std::uint8_t>(x * 4 + y);
        return Pixel{static_cast<std::uint8_t>(alpha / 2), static_cast<std::uint8_t>(alpha / 3), 0,
                     alpha};
    });
    for (const auto& [picture, colourType] :
         {std::pair{opaque, PNG_COLOR_TYPE_RGB}, {translucent, PNG_COLOR_TYPE_RGB_ALPHA}}) {
        testsupport::ScratchDirectory directory;
        const auto path = directory.path() / "picture.png";
        ASSERT_TRUE(PictureCodec::writePNG(picture, path));
        const std::string file = testsupport::readText(path);
        // IHDR: length, type, width, height, depth, then the colour type.
        ASSERT_GT(file.size(), 25u);
        EXPECT_EQ(file[25], colourType);
        const auto decoded = PictureCodec::decodeFile(path);
        ASSERT_EQ(failureOf(decoded), "");
        EXPECT_EQ(*decoded->pixels(), *picture.pixels());
        const auto reduced = PictureCodec::decodeFileToFit(path, {600, 600});
        ASSERT_EQ(failureOf(reduced), "");
        EXPECT_EQ(*reduced->picture.pixels(), *picture.pixels());
        EXPECT_FALSE(PictureCodec::writePNG(picture, directory.path() / "no" / "such.png"));
        for (const auto& unreadable : {directory.path() / "missing.png", directory.path()}) {
            EXPECT_EQ(failureOf(PictureCodec::decodeFile(unreadable)),
                      "the file could not be read");
        }
    }
}

} // namespace
