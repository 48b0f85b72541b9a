// Feeds arbitrary bytes to the picture decoders (PNG, JPEG, WebP and HEIF, as a picked file
// would arrive), whole and fitted within a box, and checks that whatever they accept is a
// sound picture, and that the fitted one covers the box's fit of the whole.
#include "fuzz/FuzzTarget.h"
#include "platform/graphics/Picture.h"
#include "platform/graphics/PictureCodec.h"
#include "support/HeifEncoding.h"
#include "support/JpegEncoding.h"
#include "support/PictureTestSupport.h"
#include "support/WebpEncoding.h"

#include <cstddef>
#include <cstdint>
#include <png.h>
#include <span>
#include <string>
#include <tuple>
#include <vector>

namespace {

// A small PNG of a colour type and depth, its samples a ramp so that every row differs.
std::vector<std::uint8_t> rawPng(int colourType, int bitDepth, bool transparency, bool interlaced) {
    testsupport::PngLayout layout;
    layout.width = 9;
    layout.height = 7;
    layout.colourType = colourType;
    layout.bitDepth = bitDepth;
    layout.interlaced = interlaced;
    const int channels = colourType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                         : colourType == PNG_COLOR_TYPE_RGB      ? 3
                         : colourType == PNG_COLOR_TYPE_RGBA     ? 4
                                                                 : 1;
    const std::size_t rowBytes = (std::size_t{9} * channels * bitDepth + 7) / 8;
    for (std::size_t i = 0; i < rowBytes * 7; ++i) {
        layout.rows.push_back(static_cast<std::uint8_t>(i * 37 + i / rowBytes));
    }
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        for (int i = 0; i < (1 << bitDepth) * 3; ++i) {
            layout.palette.push_back(static_cast<std::uint8_t>(i * 11));
        }
    }
    if (transparency) {
        layout.transparency = {0, 90, 200};
    }
    return testsupport::encodeRawPng(layout);
}

void checkPicture(const platform::Picture& p) {
    const auto expected = static_cast<std::size_t>(p.width()) * p.height() * 4;
    fuzzCheck(p.width() > 0 && p.height() > 0 && p.pixels() != nullptr &&
              p.pixels()->size() == expected && p.orientation() >= 0 && p.orientation() <= 7);
    // Premultiplied: no colour channel may exceed its alpha.
    const platform::PixelBytes& px = *p.pixels();
    for (std::size_t i = 0; i < px.size(); i += 4) {
        fuzzCheck(px[i] <= px[i + 3] && px[i + 1] <= px[i + 3] && px[i + 2] <= px[i + 3]);
    }
}

} // namespace

// Well-formed pictures to start the mutations from: small opaque and translucent ones in
// every format, JPEG and HEIF turned by their orientation, and a larger PNG; PNG in every
// colour type and depth, JPEG grey, progressive, without EXIF and in CMYK.
std::vector<std::string> fuzzSeeds() {
    std::vector<std::string> out;
    const auto add = [&out](const std::vector<std::uint8_t>& bytes) {
        if (!bytes.empty()) {
            out.emplace_back(bytes.begin(), bytes.end());
        }
    };
    const std::tuple<int, std::vector<int>, bool> pngTypes[] = {
        {PNG_COLOR_TYPE_GRAY, {1, 2, 4, 8, 16}, true}, {PNG_COLOR_TYPE_GRAY_ALPHA, {8, 16}, false},
        {PNG_COLOR_TYPE_PALETTE, {1, 2, 4, 8}, true},  {PNG_COLOR_TYPE_RGB, {8, 16}, true},
        {PNG_COLOR_TYPE_RGBA, {8, 16}, false},
    };
    for (const auto& [type, depths, transparency] : pngTypes) {
        for (const int depth : depths) {
            add(rawPng(type, depth, false, false));
            if (transparency) {
                add(rawPng(type, depth, true, false));
            }
        }
        add(rawPng(type, 8, false, true));
    }
    {
        const auto picture = testsupport::patternPicture(13, 9);
        add(testsupport::encodeJpeg(picture));
        add(testsupport::encodeJpeg(picture, 0, JCS_GRAYSCALE));
        add(testsupport::encodeJpeg(picture, 0, JCS_CMYK));
        add(testsupport::encodeJpeg(picture, 3, JCS_YCbCr, true));
    }
    for (const auto& [width, height, alpha] :
         {std::tuple{3, 2, 255}, {3, 2, 128}, {23, 17, 255}, {17, 23, 128}}) {
        const auto picture = testsupport::makePicture(width, height, [&](int x, int y) {
            const auto v = static_cast<std::uint8_t>((y * width + x) * 40 % 256 * alpha / 255);
            return testsupport::Pixel{v, static_cast<std::uint8_t>(alpha - v), 0,
                                      static_cast<std::uint8_t>(alpha)};
        });
        add(*platform::PictureCodec::encodePNG(picture));
        add(testsupport::encodeWebp(picture, alpha == 255));
        if (width > 3) {
            add(testsupport::encodeJpeg(picture, 6));
            add(testsupport::encodeHeif(picture, alpha == 255 ? 6 : 1));
        }
    }
    // Grid and overlay pictures, whose canvases are declared apart from their size.
    for (const char* type : {"grid", "iovl"}) {
        add(testsupport::heifWithDerivedCanvas({.type = type, .width = 40, .height = 30}));
        add(testsupport::heifWithDerivedCanvas(
            {.type = type, .width = 9, .height = 7, .wideFields = true, .inIdat = false}));
    }
    return out;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span bytes(data, size);
    const auto whole = platform::PictureCodec::decode(bytes);
    if (whole) {
        checkPicture(*whole);
    }
    // A box that makes most inputs reduce.
    const platform::Size box{5.0f, 3.0f};
    const auto fitted = platform::PictureCodec::decodeToFit(bytes, box);
    if (fitted) {
        checkPicture(fitted->picture);
        const platform::Size full = fitted->fullSize;
        // What a whole decoding gives, the fitted one gives too, of the same picture.
        fuzzCheck(!whole || whole->size() == full);
        const platform::Size got = fitted->picture.size();
        // It covers the editor's fit of the whole.
        const platform::Size fit = testsupport::editorFit(full, box);
        fuzzCheck(got.width >= fit.width && got.height >= fit.height && got.width <= full.width &&
                  got.height <= full.height);
    }
    return 0;
}
