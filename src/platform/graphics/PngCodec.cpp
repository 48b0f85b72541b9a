#include "platform/graphics/PngCodec.h"

#include "platform/graphics/PixelConversion.h"

#include <csetjmp>
#include <cstring>
#include <png.h>

namespace platform::png {

namespace {

// libpng reports errors by long-jumping back to the setjmp in the reading or writing
// function. Those functions therefore keep every object with a destructor in their
// caller's frame (the state structs below), so the jump skips no destructor.

[[noreturn]] void quietError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void quietWarning(png_structp, png_const_charp) {}

struct Reader {
    std::span<const std::uint8_t> data;
    std::size_t position = 0;
};

void readFromMemory(png_structp png, png_bytep out, png_size_t length) {
    auto* reader = static_cast<Reader*>(png_get_io_ptr(png));
    if (length > reader->data.size() - reader->position) {
        png_error(png, "truncated");
    }
    std::memcpy(out, reader->data.data() + reader->position, length);
    reader->position += length;
}

struct ReadState {
    Reader reader;
    std::vector<std::uint8_t> pixels;
    std::vector<png_bytep> rows;
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    bool tooLarge = false;
};

bool readImage(png_structp png, png_infop info, ReadState& state) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    png_set_read_fn(png, &state.reader, readFromMemory);
    png_read_info(png, info);
    state.width = png_get_image_width(png, info);
    state.height = png_get_image_height(png, info);
    if (static_cast<std::uint64_t>(state.width) * state.height >
        static_cast<std::uint64_t>(Picture::maxPixels)) {
        state.tooLarge = true;
        return false;
    }
    const int colourType = png_get_color_type(png, info);
    const int bitDepth = png_get_bit_depth(png, info);
    // Everything becomes 8-bit RGBA: 16-bit is rounded, palettes and grey expanded, a
    // tRNS chunk becomes alpha, and opaque types get an opaque alpha byte.
    if (bitDepth == 16) {
        png_set_scale_16(png);
    }
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        png_set_palette_to_rgb(png);
    }
    if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) {
        png_set_expand_gray_1_2_4_to_8(png);
    }
    if (png_get_valid(png, info, PNG_INFO_tRNS) != 0) {
        png_set_tRNS_to_alpha(png);
    }
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) {
        png_set_gray_to_rgb(png);
    }
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const std::size_t rowBytes = static_cast<std::size_t>(state.width) * 4;
    if (png_get_rowbytes(png, info) != rowBytes) {
        return false;
    }
    state.pixels.resize(rowBytes * state.height);
    state.rows.resize(state.height);
    for (png_uint_32 y = 0; y < state.height; ++y) {
        state.rows[y] = state.pixels.data() + rowBytes * y;
    }
    png_read_image(png, state.rows.data());
    return true;
}

struct WriteState {
    const Picture* picture = nullptr;
    std::vector<std::uint8_t> out;
    std::vector<std::uint8_t> row;
};

void writeToMemory(png_structp png, png_bytep data, png_size_t length) {
    auto* state = static_cast<WriteState*>(png_get_io_ptr(png));
    state->out.insert(state->out.end(), data, data + length);
}

void flushNothing(png_structp) {}

bool writeImage(png_structp png, png_infop info, WriteState& state) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    const Picture& picture = *state.picture;
    png_set_write_fn(png, &state, writeToMemory, flushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width()),
                 static_cast<png_uint_32>(picture.height()), 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const std::size_t width = static_cast<std::size_t>(picture.width());
    const std::uint8_t* source = picture.pixels()->data();
    for (int y = 0; y < picture.height(); ++y) {
        unpremultiplyRGBA(source + width * 4 * static_cast<std::size_t>(y), state.row.data(),
                          width);
        png_write_row(png, state.row.data());
    }
    png_write_end(png, nullptr);
    return true;
}

} // namespace

bool hasSignature(std::span<const std::uint8_t> data) {
    return data.size() >= 8 && png_sig_cmp(data.data(), 0, 8) == 0;
}

std::expected<Picture, Error> decode(std::span<const std::uint8_t> data) {
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, quietError, quietWarning);
    if (png == nullptr) {
        return failure(decodeFailure::damaged);
    }
    png_infop info = png_create_info_struct(png);
    ReadState state;
    state.reader.data = data;
    const bool read = info != nullptr && readImage(png, info, state);
    png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
    if (!read) {
        return failure(state.tooLarge ? decodeFailure::tooLarge : decodeFailure::damaged);
    }
    premultiplyRGBA(state.pixels.data(), state.pixels.size() / 4);
    auto picture = Picture::create(std::make_shared<const PixelBytes>(std::move(state.pixels)),
                                   static_cast<int>(state.width), static_cast<int>(state.height));
    if (!picture) {
        return failure(decodeFailure::damaged);
    }
    return std::move(*picture);
}

std::expected<std::vector<std::uint8_t>, Error> encode(const Picture& picture) {
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, quietError, quietWarning);
    if (png == nullptr) {
        return failure("the PNG encoder could not be started");
    }
    png_infop info = png_create_info_struct(png);
    WriteState state;
    state.picture = &picture;
    state.row.resize(static_cast<std::size_t>(picture.width()) * 4);
    const bool written = info != nullptr && writeImage(png, info, state);
    png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
    if (!written) {
        return failure("the picture could not be encoded as PNG");
    }
    return std::move(state.out);
}

} // namespace platform::png
