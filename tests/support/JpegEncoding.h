#pragma once

// JPEG files made from pictures, for the decoder's tests and the fuzz seeds; free of the
// test framework, so a fuzz target can use it.

#include "platform/graphics/Picture.h"

#include <cstdint>
#include <cstdio> // before jpeglib.h
#include <cstdlib>
#include <jpeglib.h>
#include <libexif/exif-data.h>
#include <vector>

namespace testsupport {

// A baseline (or progressive) JPEG of `picture`'s RGB at quality 100 without subsampling, in
// `colourSpace` (JCS_CMYK reads each pixel's four bytes as C, M, Y, K, which libjpeg writes in
// Adobe's inverted form); with an EXIF block holding `exifOrientation` when it is non-zero.
inline std::vector<std::uint8_t> encodeJpeg(const platform::Picture& picture,
                                            int exifOrientation = 0,
                                            J_COLOR_SPACE colourSpace = JCS_YCbCr,
                                            bool progressive = false) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(picture.width());
    cinfo.image_height = static_cast<JDIMENSION>(picture.height());
    cinfo.input_components = 4;
    cinfo.in_color_space = colourSpace == JCS_CMYK ? JCS_CMYK : JCS_EXT_RGBA;
    jpeg_set_defaults(&cinfo);
    jpeg_set_colorspace(&cinfo, colourSpace);
    jpeg_set_quality(&cinfo, 100, TRUE);
    for (int i = 0; i < cinfo.num_components; ++i) {
        cinfo.comp_info[i].h_samp_factor = 1;
        cinfo.comp_info[i].v_samp_factor = 1;
    }
    if (progressive) {
        jpeg_simple_progression(&cinfo);
    }
    jpeg_start_compress(&cinfo, TRUE);
    if (exifOrientation != 0) {
        ExifData* exif = exif_data_new();
        exif_data_set_byte_order(exif, EXIF_BYTE_ORDER_MOTOROLA);
        ExifEntry* entry = exif_entry_new();
        exif_content_add_entry(exif->ifd[EXIF_IFD_0], entry);
        exif_entry_initialize(entry, EXIF_TAG_ORIENTATION);
        exif_set_short(entry->data, EXIF_BYTE_ORDER_MOTOROLA,
                       static_cast<ExifShort>(exifOrientation));
        exif_entry_unref(entry);
        unsigned char* block = nullptr;
        unsigned int length = 0;
        exif_data_save_data(exif, &block, &length);
        jpeg_write_marker(&cinfo, JPEG_APP0 + 1, block, length);
        std::free(block);
        exif_data_unref(exif);
    }
    const std::size_t rowBytes = static_cast<std::size_t>(picture.width()) * 4;
    while (cinfo.next_scanline < cinfo.image_height) {
        auto row = const_cast<JSAMPROW>(picture.pixels()->data() + rowBytes * cinfo.next_scanline);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<std::uint8_t> out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

} // namespace testsupport
