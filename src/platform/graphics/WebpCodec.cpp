#include "platform/graphics/WebpCodec.h"

#include "platform/graphics/PictureReduction.h"

#include <cstring>
#include <webp/decode.h>

namespace platform::webp {

bool hasSignature(std::span<const std::uint8_t> data) {
    return data.size() >= 12 && std::memcmp(data.data(), "RIFF", 4) == 0 &&
           std::memcmp(data.data() + 8, "WEBP", 4) == 0;
}

std::expected<ReducedPicture, Error> decode(std::span<const std::uint8_t> data,
                                            std::optional<Size> box) {
    WebPDecoderConfig config;
    if (WebPInitDecoderConfig(&config) == 0 ||
        WebPGetFeatures(data.data(), data.size(), &config.input) != VP8_STATUS_OK ||
        config.input.has_animation != 0) {
        return failure(decodeFailure::damaged);
    }
    // The format's own limit (16383 pixels a side) lies below PictureCodec::maxFileSide.
    const reduction::Pixels full{config.input.width, config.input.height};
    // libwebp scales lossy pictures a few rows at a time, but holds a lossless one (four bytes
    // a pixel) or an alpha plane (one) at the full size while decoding.
    const bool heldWhole = config.input.format == 2 || config.input.has_alpha != 0;
    const reduction::Pixels output = box ? reduction::fitWithin(full, *box) : full;
    if ((heldWhole ? full : output).count() > Picture::maxPixels) {
        return failure(decodeFailure::tooLarge);
    }
    // libwebp's scaling averages areas and reaches any size: straight to the fitted one.
    if (output != full) {
        config.options.use_scaling = 1;
        config.options.scaled_width = output.width;
        config.options.scaled_height = output.height;
    }
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(output.count()) * 4);
    config.output.colorspace = MODE_rgbA;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = pixels.data();
    config.output.u.RGBA.stride = output.width * 4;
    config.output.u.RGBA.size = pixels.size();
    const VP8StatusCode status = WebPDecode(data.data(), data.size(), &config);
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK) {
        return failure(status == VP8_STATUS_OUT_OF_MEMORY ? decodeFailure::oversized
                                                          : decodeFailure::damaged);
    }
    auto picture = Picture::create(std::make_shared<const PixelBytes>(std::move(pixels)),
                                   output.width, output.height);
    if (!picture) {
        return failure(decodeFailure::damaged);
    }
    return ReducedPicture{std::move(*picture), full.size()};
}

} // namespace platform::webp
