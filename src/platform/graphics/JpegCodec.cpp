#include "platform/graphics/JpegCodec.h"

#include "platform/graphics/PictureReduction.h"

#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE declared first
#include <cstring>
#include <jerror.h>
#include <jpeglib.h>
#include <libexif/exif-data.h>

namespace platform::jpeg {

namespace {

// Memory libjpeg may take for whole-picture buffers: a progressive or multi-scan file keeps
// every DCT coefficient, 3 bytes a pixel at the usual 4:2:0 subsampling and 6 without. This
// takes such files up to 40 megapixels, and keeps a small file that claims a huge progressive
// picture from taking more.
constexpr long maxWorkingBytes = 128L * 1024 * 1024;
// Progressive files come in about ten scans; thousands of tiny ones would make a small file
// cost minutes, each scan passing over every coefficient again.
constexpr int maxScans = 100;

// libjpeg reports errors through its error manager, which long-jumps back to the setjmp
// in readImage; everything with a destructor lives in the caller's ReadState.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    bool outOfMemory = false;
};

[[noreturn]] void errorExit(j_common_ptr cinfo) {
    auto* errors = reinterpret_cast<ErrorManager*>(cinfo->err);
    // Past maxWorkingBytes libjpeg asks for a temporary file it does not have.
    errors->outOfMemory = errors->base.msg_code == JERR_NO_BACKING_STORE ||
                          errors->base.msg_code == JERR_OUT_OF_MEMORY;
    std::longjmp(errors->jump, 1);
}

void limitScans(j_common_ptr cinfo) {
    if (cinfo->is_decompressor &&
        reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > maxScans) {
        std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
    }
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
    std::optional<Size> box;
    reduction::Pixels full;
    reduction::Pixels output;
    int orientation = Picture::Up;
    // The decoded picture when it is not reduced further; otherwise one row at a time.
    std::vector<std::uint8_t> pixels;
    std::vector<std::uint8_t> row;
    std::optional<reduction::BlockReducer> reducer;
    const char* failure = decodeFailure::damaged;
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

// Sets the smallest DCT scaling (eighths) whose output covers `need`, and answers the block
// factor that brings the output closer still (above 1 only for files beyond eight times the
// need).
int chooseScaling(jpeg_decompress_struct& cinfo, reduction::Pixels need) {
    cinfo.scale_denom = 8;
    for (unsigned eighths = 1; eighths <= 8; ++eighths) {
        cinfo.scale_num = eighths;
        jpeg_calc_output_dimensions(&cinfo);
        const reduction::Pixels output{static_cast<int>(cinfo.output_width),
                                       static_cast<int>(cinfo.output_height)};
        if (output.covers(need)) {
            return reduction::blockFactor(output, need);
        }
    }
    return 1;
}

bool readImage(jpeg_decompress_struct& cinfo, ErrorManager& errors, ReadState& state) {
    if (setjmp(errors.jump) != 0) {
        return false;
    }
    jpeg_create_decompress(&cinfo);
    // Only whole-picture buffers (progressive and multi-scan files keep every coefficient)
    // count against this; past it libjpeg stops instead of allocating.
    cinfo.mem->max_memory_to_use = maxWorkingBytes;
    jpeg_mem_src(&cinfo, state.data.data(), static_cast<unsigned long>(state.data.size()));
    jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&cinfo, TRUE);
    if (cinfo.image_width > PictureCodec::maxFileSide ||
        cinfo.image_height > PictureCodec::maxFileSide) {
        state.failure = decodeFailure::oversized;
        return false;
    }
    state.full = {static_cast<int>(cinfo.image_width), static_cast<int>(cinfo.image_height)};
    state.orientation = orientationFromMarkers(cinfo.marker_list);
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGBA;
    int factor = 1;
    if (state.box) {
        const reduction::Pixels need = reduction::turned(
            reduction::fitWithin(reduction::turned(state.full, state.orientation), *state.box),
            state.orientation);
        if (need != state.full) {
            factor = chooseScaling(cinfo, need);
        }
    }
    jpeg_calc_output_dimensions(&cinfo);
    state.output = {static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height)};
    const reduction::Pixels output = state.output;
    if (output.reducedBy(factor).count() > Picture::maxPixels) {
        state.failure = decodeFailure::tooLarge;
        return false;
    }
    jpeg_start_decompress(&cinfo);
    if (cinfo.output_components != 4) {
        return false;
    }
    const std::size_t rowBytes = static_cast<std::size_t>(output.width) * 4;
    if (factor > 1) {
        state.row.resize(rowBytes);
        state.reducer.emplace(output, factor);
    } else {
        state.pixels.resize(rowBytes * static_cast<std::size_t>(output.height));
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        std::uint8_t* row =
            factor > 1 ? state.row.data() : state.pixels.data() + rowBytes * cinfo.output_scanline;
        jpeg_read_scanlines(&cinfo, &row, 1);
        if (cmyk) {
            convertCMYK(row, static_cast<std::size_t>(output.width), cinfo.saw_Adobe_marker != 0);
        }
        if (factor > 1) {
            state.reducer->addRow(row);
        }
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

std::expected<ReducedPicture, Error> decode(std::span<const std::uint8_t> data,
                                            std::optional<Size> box) {
    jpeg_decompress_struct cinfo{};
    ErrorManager errors{};
    cinfo.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = errorExit;
    errors.base.emit_message = emitMessage;
    errors.base.output_message = outputNothing;
    jpeg_progress_mgr progress{};
    progress.progress_monitor = limitScans;
    cinfo.progress = &progress;
    ReadState state;
    state.data = data;
    state.box = box;
    const bool read = readImage(cinfo, errors, state);
    if (errors.outOfMemory) {
        state.failure = decodeFailure::oversized;
    }
    jpeg_destroy_decompress(&cinfo);
    if (!read) {
        return failure(state.failure);
    }
    // JPEG has no alpha: the pixels are opaque and so already premultiplied.
    const std::optional<Picture> picture =
        state.reducer ? state.reducer->finish(state.orientation)
                      : Picture::create(std::make_shared<const PixelBytes>(std::move(state.pixels)),
                                        state.output.width, state.output.height, state.orientation);
    if (!picture) {
        return failure(decodeFailure::damaged);
    }
    return ReducedPicture{*picture, reduction::turned(state.full, state.orientation).size()};
}

} // namespace platform::jpeg
