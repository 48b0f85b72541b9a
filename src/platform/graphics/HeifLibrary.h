#pragma once

#include <libheif/heif.h>
#include <string>

namespace platform {

// The libheif entry points HEIF pictures are read with. libheif brings the HEVC and AV1
// codecs and encoders with it, which cost every start a few megabytes and milliseconds; it
// is therefore opened the first time a HEIF picture is read.
struct HeifLibrary {
    decltype(&heif_context_alloc) contextAlloc;
    decltype(&heif_context_free) contextFree;
    decltype(&heif_context_set_maximum_image_size_limit) setMaximumImageSizeLimit;
    decltype(&heif_context_read_from_memory_without_copy) readFromMemory;
    decltype(&heif_context_get_primary_image_handle) primaryImageHandle;
    decltype(&heif_image_handle_release) handleRelease;
    decltype(&heif_image_handle_get_width) handleWidth;
    decltype(&heif_image_handle_get_height) handleHeight;
    decltype(&heif_decoding_options_alloc) decodingOptionsAlloc;
    decltype(&heif_decoding_options_free) decodingOptionsFree;
    decltype(&heif_decode_image) decodeImage;
    decltype(&heif_image_release) imageRelease;
    decltype(&heif_image_get_plane) plane;
    decltype(&heif_image_get_width) width;
    decltype(&heif_image_get_height) height;
    decltype(&heif_image_get_bits_per_pixel) bitsPerPixel;
    decltype(&heif_image_is_premultiplied_alpha) isPremultipliedAlpha;

    // The library, opened on the first call; nullptr when it cannot be loaded (`error`, when
    // given, then says why in one line).
    static const HeifLibrary* get(std::string* error = nullptr);
};

} // namespace platform
