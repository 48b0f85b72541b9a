#pragma once

// HEIF files made from pictures with libheif's HEVC encoder, for the decoder's tests, the fuzz
// seeds and the benchmarks; free of the test framework, so a fuzz target can use it.

#include "platform/graphics/Picture.h"
#include "platform/graphics/PixelConversion.h"

#include <cstdint>
#include <libheif/heif.h>
#include <vector>

namespace testsupport {

// Whether this libheif can write HEVC-coded HEIF; Debian's does through x265.
inline bool canEncodeHeif() {
    return heif_have_encoder_for_format(heif_compression_HEVC) != 0;
}

// A HEIC of `picture` at quality 90, with its alpha, turned for display by `exifOrientation`
// (1–8, as EXIF numbers them; libheif writes it as irot and imir boxes). Empty when it
// cannot be encoded.
inline std::vector<std::uint8_t> encodeHeif(const platform::Picture& picture,
                                            int exifOrientation = 1) {
    std::vector<std::uint8_t> file;
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_image* image = nullptr;
    heif_encoding_options* options = heif_encoding_options_alloc();
    const auto writeToFile = [](heif_context*, const void* data, std::size_t size, void* out) {
        auto* bytes = static_cast<const std::uint8_t*>(data);
        static_cast<std::vector<std::uint8_t>*>(out)->insert(
            static_cast<std::vector<std::uint8_t>*>(out)->end(), bytes, bytes + size);
        return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
    };
    heif_writer writer{1, writeToFile};
    if (heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder).code ==
            heif_error_Ok &&
        heif_image_create(picture.width(), picture.height(), heif_colorspace_RGB,
                          heif_chroma_interleaved_RGBA, &image)
                .code == heif_error_Ok &&
        heif_image_add_plane(image, heif_channel_interleaved, picture.width(), picture.height(), 8)
                .code == heif_error_Ok) {
        int stride = 0;
        std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
        const std::size_t rowBytes = static_cast<std::size_t>(picture.width()) * 4;
        for (int y = 0; y < picture.height(); ++y) {
            platform::unpremultiplyRGBA(picture.pixels()->data() + rowBytes * y,
                                        plane + static_cast<std::size_t>(stride) * y, rowBytes / 4);
        }
        heif_encoder_set_lossy_quality(encoder, 90);
        // Test pictures are small: x265's thread pools and thorough searches cost more than
        // they bring.
        heif_encoder_set_parameter_string(encoder, "x265:pools", "none");
        heif_encoder_set_parameter_string(encoder, "preset", "ultrafast");
        options->image_orientation = static_cast<heif_orientation>(exifOrientation);
        if (heif_context_encode_image(context, image, encoder, options, nullptr).code !=
                heif_error_Ok ||
            heif_context_write(context, &writer, &file).code != heif_error_Ok) {
            file.clear();
        }
    }
    heif_encoding_options_free(options);
    heif_image_release(image); // both take null
    heif_encoder_release(encoder);
    heif_context_free(context);
    return file;
}

} // namespace testsupport
