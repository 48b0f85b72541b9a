#include "support/PictureTestSupport.h"

#include <csetjmp>
#include <cstdlib>
#include <gtest/gtest.h>
#include <png.h>

namespace testsupport {

platform::Picture makePicture(int width, int height, const std::function<Pixel(int, int)>& colour,
                              int orientation) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto c = colour(x, y);
            bytes.insert(bytes.end(), c.begin(), c.end());
        }
    }
    auto picture = platform::Picture::create(
        std::make_shared<const platform::PixelBytes>(std::move(bytes)), width, height, orientation);
    EXPECT_TRUE(picture.has_value());
    return *picture;
}

platform::Picture makeCoordinatePicture(int width, int height, int orientation) {
    return makePicture(
        width, height,
        [](int x, int y) {
            return Pixel{std::uint8_t(x), std::uint8_t(y), 200, 255};
        },
        orientation);
}

platform::Picture plainPicture(int width, int height, Pixel colour) {
    return makePicture(width, height, [colour](int, int) { return colour; });
}

platform::Picture patternPicture(int width, int height) {
    return makePicture(width, height, [width, height](int x, int y) {
        return Pixel{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
                     static_cast<std::uint8_t>(60 + 60 * (x * 2 / width) + 30 * (y * 2 / height)),
                     255};
    });
}

namespace {

void appendToVector(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void noFlush(png_structp) {}

} // namespace

std::vector<std::uint8_t> encodeRawPng(const PngLayout& layout) {
    std::vector<std::uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)) != 0) {
        ADD_FAILURE() << "libpng could not write the test picture";
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, appendToVector, noFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(layout.width),
                 static_cast<png_uint_32>(layout.height), layout.bitDepth, layout.colourType,
                 layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette;
    for (std::size_t i = 0; i + 2 < layout.palette.size(); i += 3) {
        palette.push_back({layout.palette[i], layout.palette[i + 1], layout.palette[i + 2]});
    }
    if (!palette.empty()) {
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    }
    if (!layout.transparency.empty()) {
        if (layout.colourType == PNG_COLOR_TYPE_PALETTE) {
            png_set_tRNS(png, info, layout.transparency.data(),
                         static_cast<int>(layout.transparency.size()), nullptr);
        } else {
            png_color_16 value{};
            value.gray = layout.transparency[0];
            value.red = layout.transparency[0];
            value.green = layout.transparency[layout.transparency.size() > 1 ? 1 : 0];
            value.blue = layout.transparency[layout.transparency.size() > 2 ? 2 : 0];
            png_set_tRNS(png, info, nullptr, 0, &value);
        }
    }
    png_write_info(png, info);
    const std::size_t rowBytes = layout.rows.size() / static_cast<std::size_t>(layout.height);
    std::vector<png_bytep> rows;
    for (int y = 0; y < layout.height; ++y) {
        rows.push_back(const_cast<png_bytep>(layout.rows.data()) + rowBytes * y);
    }
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

} // namespace testsupport
