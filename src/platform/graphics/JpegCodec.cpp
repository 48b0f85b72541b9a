#include "platform/graphics/JpegCodec.h"

#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE declared first
#include <cstring>
#include <jpeglib.h>
#include <libexif/exif-data.h>

namespace platform::jpeg {

namespace {

// libjpeg reports errors through its error manager, which long-jumps back to the setjmp
// in readImage; everything with a destructor lives in the caller's ReadState.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

[[noreturn]] void errorExit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

void emitMessage(j_common_ptr cinfo, int level) {
    // A warning means libjpeg met damaged data (a truncated file is padded with grey):
    // such a picture is refused rather than shown half made up. Trace messages pass.
    if (level < 0) {
        std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
    }
}

void outputNothing(j_common_ptr) {}

int orientationFromExifBlock(const std::uint8_t* data, unsigned length) {
    ExifData* exif = exif_data_new_from_data(data, length);
    if (exif == nullptr) {
        return Picture::Up;
    }
    int orientation = Picture::Up;
    ExifEntry* entry = exif_data_get_entry(exif, EXIF_TAG_ORIENTATION);
    if (entry != nullptr && entry->format == EXIF_FORMAT_SHORT && entry->components >= 1 &&
        entry->data != nullptr && entry->size >= 2) {
        orientation =
            orientationFromExifValue(exif_get_short(entry->data, exif_data_get_byte_order(exif)));
    }
    exif_data_unref(exif);
    return orientation;
}

int orientationFromMarkers(jpeg_saved_marker_ptr marker) {
    static constexpr std::uint8_t exifHeader[6] = {'E', 'x', 'i', 'f', 0, 0};
    for (; marker != nullptr; marker = marker->next) {
        if (marker->marker == JPEG_APP0 + 1 && marker->data_length >= sizeof exifHeader &&
            std::memcmp(marker->data, exifHeader, sizeof exifHeader) == 0) {
            return orientationFromExifBlock(marker->data, marker->data_length);
        }
    }
    return Picture::Up;
}

struct ReadState {
    std::span<const std::uint8_t> data;
    std::vector<std::uint8_t> pixels;
    int width = 0;
    int height = 0;
    int orientation = Picture::Up;
    bool tooLarge = false;
};

void convertCMYK(std::uint8_t* pixels, std::size_t count, bool inverted) {
    for (std::size_t i = 0; i < count; ++i, pixels += 4) {
        // Adobe writes CMYK inverted (0 = full ink); others write it straight.
        const unsigned k = inverted ? pixels[3] : 255u - pixels[3];
        for (int c = 0; c < 3; ++c) {
            const unsigned v = inverted ? pixels[c] : 255u - pixels[c];
            pixels[c] = static_cast<std::uint8_t>((v * k + 127) / 255);
        }
        pixels[3] = 255;
    }
}

bool readImage(jpeg_decompress_struct& cinfo, ErrorManager& errors, ReadState& state) {
    if (setjmp(errors.jump) != 0) {
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, state.data.data(), static_cast<unsigned long>(state.data.size()));
    jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&cinfo, TRUE);
    if (static_cast<std::uint64_t>(cinfo.image_width) * cinfo.image_height >
        static_cast<std::uint64_t>(Picture::maxPixels)) {
        state.tooLarge = true;
        return false;
    }
    state.orientation = orientationFromMarkers(cinfo.marker_list);
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGBA;
    jpeg_start_decompress(&cinfo);
    if (cinfo.output_components != 4) {
        return false;
    }
    state.width = static_cast<int>(cinfo.output_width);
    state.height = static_cast<int>(cinfo.output_height);
    const std::size_t rowBytes = static_cast<std::size_t>(state.width) * 4;
    state.pixels.resize(rowBytes * static_cast<std::size_t>(state.height));
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = state.pixels.data() + rowBytes * cinfo.output_scanline;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    if (cmyk) {
        convertCMYK(state.pixels.data(), state.pixels.size() / 4, cinfo.saw_Adobe_marker != 0);
    }
    jpeg_finish_decompress(&cinfo);
    return true;
}

} // namespace

int orientationFromExifValue(int exifValue) {
    // EXIF 1…8 → up, mirrored up, down, mirrored down, mirrored left, right, mirrored
    // right, left in the platform's numbering.
    static constexpr int table[9] = {
        Picture::Up,           Picture::Up,           Picture::UpMirrored, Picture::Down,
        Picture::DownMirrored, Picture::LeftMirrored, Picture::Right,      Picture::RightMirrored,
        Picture::Left};
    return exifValue >= 1 && exifValue <= 8 ? table[exifValue] : Picture::Up;
}

bool hasSignature(std::span<const std::uint8_t> data) {
    return data.size() >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

std::expected<Picture, Error> decode(std::span<const std::uint8_t> data) {
    jpeg_decompress_struct cinfo{};
    ErrorManager errors{};
    cinfo.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = errorExit;
    errors.base.emit_message = emitMessage;
    errors.base.output_message = outputNothing;
    ReadState state;
    state.data = data;
    const bool read = readImage(cinfo, errors, state);
    jpeg_destroy_decompress(&cinfo);
    if (!read) {
        return failure(state.tooLarge ? decodeFailure::tooLarge : decodeFailure::damaged);
    }
    // JPEG has no alpha: the pixels are opaque and so already premultiplied.
    auto picture = Picture::create(std::make_shared<const PixelBytes>(std::move(state.pixels)),
                                   state.width, state.height, state.orientation);
    if (!picture) {
        return failure(decodeFailure::damaged);
    }
    return std::move(*picture);
}

} // namespace platform::jpeg
