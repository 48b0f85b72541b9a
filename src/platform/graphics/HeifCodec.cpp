#include "platform/graphics/HeifCodec.h"

#include "platform/graphics/HeifDerived.h"
#include "platform/graphics/HeifLibrary.h"
#include "platform/graphics/PictureReduction.h"
#include "platform/graphics/PixelConversion.h"

#include <array>
#include <cstring>
#include <memory>

namespace platform::heif {

namespace {

// libheif's objects, each with the function that releases it.
template <typename Object, typename Release> using Owned = std::unique_ptr<Object, Release>;

const char* failureFor(const heif_error& error) {
    return error.code == heif_error_Memory_allocation_error ? decodeFailure::oversized
                                                            : decodeFailure::damaged;
}

// The brands of still pictures in the HEIF container: HEVC-coded (heic, heix and their
// multi-view forms), the generic image brand, and AV1-coded (avif), which libheif also reads.
bool isPictureBrand(const std::uint8_t* brand) {
    static constexpr std::array<const char*, 6> brands = {"heic", "heix", "heim",
                                                          "heis", "mif1", "avif"};
    for (const char* known : brands) {
        if (std::memcmp(brand, known, 4) == 0) {
            return true;
        }
    }
    return false;
}

} // namespace

bool hasSignature(std::span<const std::uint8_t> data) {
    // The file starts with its 'ftyp' box: size, type, major brand, minor version, then the
    // compatible brands.
    if (data.size() < 12 || std::memcmp(data.data() + 4, "ftyp", 4) != 0) {
        return false;
    }
    const std::size_t boxSize = std::size_t{data[0]} << 24 | std::size_t{data[1]} << 16 |
                                std::size_t{data[2]} << 8 | std::size_t{data[3]};
    const std::size_t end = std::min(boxSize, data.size());
    if (isPictureBrand(data.data() + 8)) {
        return true;
    }
    for (std::size_t at = 16; at + 4 <= end; at += 4) {
        if (isPictureBrand(data.data() + at)) {
            return true;
        }
    }
    return false;
}

std::expected<ReducedPicture, Error> decode(std::span<const std::uint8_t> data,
                                            std::optional<Size> box) {
    std::string why;
    const HeifLibrary* heif = HeifLibrary::get(&why);
    if (heif == nullptr) {
        return failure("HEIF pictures cannot be read here (" + why + ")");
    }
    // A grid or overlay canvas is held to the limit of what a picture may hold.
    const DerivedPictures derived = inspectDerivedPictures(data);
    if (derived.madeOfNonPicture) {
        return failure(decodeFailure::damaged);
    }
    if (derived.largestCanvas > static_cast<std::uint64_t>(Picture::maxPixels)) {
        return failure(decodeFailure::tooLarge);
    }
    const Owned<heif_context, decltype(heif->contextFree)> context(heif->contextAlloc(),
                                                                   heif->contextFree);
    if (!context) {
        return failure(decodeFailure::damaged);
    }
    // libheif refuses larger items (and grids) from their declared size, before decoding.
    heif->setMaximumImageSizeLimit(context.get(), PictureCodec::maxFileSide);
    heif_error error = heif->readFromMemory(context.get(), data.data(), data.size(), nullptr);
    if (error.code != heif_error_Ok) {
        return failure(failureFor(error));
    }
    heif_image_handle* primary = nullptr;
    error = heif->primaryImageHandle(context.get(), &primary);
    const Owned<heif_image_handle, decltype(heif->handleRelease)> handle(primary,
                                                                         heif->handleRelease);
    if (error.code != heif_error_Ok) {
        return failure(failureFor(error));
    }
    // The size once turned upright.
    const reduction::Pixels full{heif->handleWidth(primary), heif->handleHeight(primary)};
    if (full.width <= 0 || full.height <= 0) {
        return failure(decodeFailure::damaged);
    }
    // HEVC and AV1 have no reduced decoding: the whole picture is decoded and held, so the
    // limit of what is held applies to the file's size. libheif's own scaling
    // (heif_image_scale_image) picks the nearest pixel and would cost a second buffer as
    // well; averaging blocks while copying out costs nothing more and does not alias.
    if (full.count() > Picture::maxPixels) {
        return failure(decodeFailure::tooLarge);
    }
    const Owned<heif_decoding_options, decltype(heif->decodingOptionsFree)> options(
        heif->decodingOptionsAlloc(), heif->decodingOptionsFree);
    if (!options) {
        return failure(decodeFailure::oversized);
    }
    options->convert_hdr_to_8bit = 1;
    // A damaged file is refused rather than shown with what could be guessed.
    options->strict_decoding = 1;
    heif_image* decoded = nullptr;
    error = heif->decodeImage(primary, &decoded, heif_colorspace_RGB, heif_chroma_interleaved_RGBA,
                              options.get());
    const Owned<heif_image, decltype(heif->imageRelease)> image(decoded, heif->imageRelease);
    if (error.code != heif_error_Ok) {
        return failure(failureFor(error));
    }
    int stride = 0;
    std::uint8_t* plane = heif->plane(decoded, heif_channel_interleaved, &stride);
    if (plane == nullptr || heif->width(decoded, heif_channel_interleaved) != full.width ||
        heif->height(decoded, heif_channel_interleaved) != full.height ||
        heif->bitsPerPixel(decoded, heif_channel_interleaved) != 32 || stride < full.width * 4) {
        return failure(decodeFailure::damaged);
    }
    if (heif->isPremultipliedAlpha(decoded) == 0) {
        for (int y = 0; y < full.height; ++y) {
            premultiplyRGBA(plane + static_cast<std::size_t>(stride) * static_cast<std::size_t>(y),
                            static_cast<std::size_t>(full.width));
        }
    }
    const int factor = box ? reduction::blockFactor(full, reduction::fitWithin(full, *box)) : 1;
    const std::optional<Picture> picture =
        reduction::reducePixels(plane, static_cast<std::size_t>(stride), full, factor, Picture::Up);
    if (!picture) {
        return failure(decodeFailure::damaged);
    }
    return ReducedPicture{*picture, full.size()};
}

} // namespace platform::heif
