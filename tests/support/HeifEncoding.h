#pragma once

// HEIF files made from pictures with libheif's HEVC encoder, for the decoder's tests, the fuzz
// seeds and the benchmarks; free of the test framework, so a fuzz target can use it.

#include "platform/graphics/Picture.h"
#include "platform/graphics/PixelConversion.h"

#include <cstdint>
#include <libheif/heif.h>
#include <string>
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

// A HEIF file whose primary item is a grid ("grid") or overlay ("iovl") picture of one tile
// (HEVC-coded unless told otherwise), the derived item declaring a canvas of its own (the tile's
// own size, 16 × 16, is what the picture declares). Its tile holds no picture.
struct DerivedCanvas {
    std::string type = "grid";
    std::uint32_t width = 16;
    std::uint32_t height = 16;
    bool wideFields = false; // 32-bit sizes in the item's data, else 16-bit
    bool inIdat = true;      // the item's data in the meta box's idat, else in the mdat box
    int ilocVersion = 1;     // 0 has no construction method, so puts the data in mdat
    int infeVersion = 2;     // 3 has 32-bit item numbers
    std::string tileType = "hvc1";
};

namespace heifboxes {

using Bytes = std::vector<std::uint8_t>;

// `value` in `size` bytes (at most 8), big-endian.
inline void put(Bytes& out, std::uint64_t value, int size) {
    for (int shift = (size - 1) * 8; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

inline void putType(Bytes& out, const std::string& type) {
    out.insert(out.end(), type.begin(), type.end());
}

inline Bytes box(const std::string& type, const Bytes& payload) {
    Bytes out;
    put(out, payload.size() + 8, 4);
    putType(out, type);
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

// A full box: version, flags, then the payload.
inline Bytes fullBox(const std::string& type, int version, const Bytes& payload) {
    Bytes withVersion;
    put(withVersion, static_cast<std::uint64_t>(version), 1);
    put(withVersion, 0, 3);
    withVersion.insert(withVersion.end(), payload.begin(), payload.end());
    return box(type, withVersion);
}

inline Bytes joined(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

} // namespace heifboxes

inline std::vector<std::uint8_t> heifWithDerivedCanvas(const DerivedCanvas& canvas) {
    using namespace heifboxes;
    const int field = canvas.wideFields ? 4 : 2;
    Bytes data{0, static_cast<std::uint8_t>(canvas.wideFields ? 1 : 0)};
    if (canvas.type == "iovl") {
        put(data, ~std::uint64_t{0}, 8); // white fill
    } else {
        put(data, 0, 2); // one row, one column
    }
    put(data, canvas.width, field);
    put(data, canvas.height, field);
    if (canvas.type == "iovl") {
        put(data, 0, 2 * field); // the tile's place
    }
    const bool inIdat = canvas.inIdat && canvas.ilocVersion > 0;
    const Bytes tile{0, 0, 0, 0};
    const int idSize = canvas.infeVersion == 2 ? 2 : 4;
    const auto infe = [&](std::uint32_t id, const std::string& type) {
        Bytes payload;
        put(payload, id, idSize);
        put(payload, 0, 2);
        putType(payload, type);
        payload.push_back(0);
        return fullBox("infe", canvas.infeVersion, payload);
    };
    const Bytes pitm{0, 1};
    const Bytes iinf = joined({{0, 2}, infe(1, canvas.type), infe(2, canvas.tileType)});
    const Bytes dimg{0, 1, 0, 1, 0, 2};          // item 1 is made of one item, item 2
    const Bytes ispe{0, 0, 0, 16, 0, 0, 0, 16};  // 16 × 16
    const Bytes ipma{0, 0, 0, 1, 0, 1, 1, 0x81}; // item 1 has property 1, essential
    Bytes hdlr{0, 0, 0, 0, 'p', 'i', 'c', 't'};
    hdlr.insert(hdlr.end(), 13, 0); // reserved, and an empty name
    const Bytes ftyp =
        box("ftyp", {'h', 'e', 'i', 'c', 0, 0, 0, 0, 'm', 'i', 'f', '1', 'h', 'e', 'i', 'c'});
    // The meta box, where what lies in the mdat box starts at `mdatPayload` in the file.
    const auto meta = [&](std::uint64_t mdatPayload) {
        // Each item's location: offset (4 bytes) and length (4 bytes) of one extent.
        Bytes iloc;
        put(iloc, 0x4400, 2);
        put(iloc, 2, canvas.ilocVersion < 2 ? 2 : 4);
        const auto location = [&](std::uint32_t id, bool fromIdat, std::uint64_t offset,
                                  std::uint64_t length) {
            put(iloc, id, canvas.ilocVersion < 2 ? 2 : 4);
            if (canvas.ilocVersion >= 1) {
                put(iloc, fromIdat ? 1 : 0, 2);
            }
            put(iloc, 0, 2); // data reference
            put(iloc, 1, 2); // one extent
            put(iloc, fromIdat ? offset : mdatPayload + offset, 4);
            put(iloc, length, 4);
        };
        location(1, inIdat, 0, data.size());
        location(2, false, inIdat ? 0 : data.size(), tile.size());
        return fullBox("meta", 0,
                       joined({fullBox("hdlr", 0, hdlr), fullBox("pitm", 0, pitm),
                               fullBox("iinf", 0, iinf), fullBox("iref", 0, box("dimg", dimg)),
                               box("iprp", joined({box("ipco", fullBox("ispe", 0, ispe)),
                                                   fullBox("ipma", 0, ipma)})),
                               fullBox("iloc", canvas.ilocVersion, iloc),
                               inIdat ? box("idat", data) : Bytes{}}));
    };
    return joined({ftyp, meta(ftyp.size() + meta(0).size() + 8),
                   box("mdat", inIdat ? tile : joined({data, tile}))});
}

} // namespace testsupport
