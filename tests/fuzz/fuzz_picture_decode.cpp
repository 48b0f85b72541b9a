// Feeds arbitrary bytes to the picture decoder (PNG and JPEG, as a picked file would arrive)
// and checks that whatever it accepts is a sound picture.
#include "fuzz/FuzzTarget.h"
#include "platform/graphics/Picture.h"
#include "platform/graphics/PictureCodec.h"
#include "support/JpegEncoding.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>
#include <tuple>
#include <vector>

namespace {

// Well-formed pictures to start the mutations from: a small opaque PNG and a translucent one,
// a larger PNG and a JPEG turned by its EXIF block.
const std::vector<std::string>& seeds() {
    static const std::vector<std::string> encoded = [] {
        std::vector<std::string> out;
        for (const auto& [width, height, alpha] :
             {std::tuple{3, 2, 255}, {3, 2, 128}, {23, 17, 255}}) {
            auto bytes = std::make_shared<platform::PixelBytes>();
            for (int i = 0; i < width * height; ++i) {
                const auto v = static_cast<std::uint8_t>(i * 40 % 256 * alpha / 255);
                bytes->insert(bytes->end(), {v, static_cast<std::uint8_t>(alpha - v), 0,
                                             static_cast<std::uint8_t>(alpha)});
            }
            const auto picture = platform::Picture::create(bytes, width, height);
            if (const auto png = platform::PictureCodec::encodePNG(*picture)) {
                out.emplace_back(png->begin(), png->end());
            }
            if (width == 23) {
                const auto jpeg = testsupport::encodeJpeg(*picture, 6);
                out.emplace_back(jpeg.begin(), jpeg.end());
            }
        }
        return out;
    }();
    return encoded;
}

} // namespace

extern "C" std::size_t PixelloFuzzSeedCount() {
    return seeds().size();
}

extern "C" const char* PixelloFuzzSeed(std::size_t index, std::size_t* size) {
    *size = seeds()[index].size();
    return seeds()[index].data();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto result = platform::PictureCodec::decode(std::span(data, size));
    if (result) {
        const platform::Picture& p = *result;
        const auto expected = static_cast<std::size_t>(p.width()) * p.height() * 4;
        if (p.width() <= 0 || p.height() <= 0 || p.pixels() == nullptr ||
            p.pixels()->size() != expected || p.orientation() < 0 || p.orientation() > 7) {
            std::abort();
        }
        // Premultiplied: no colour channel may exceed its alpha.
        const platform::PixelBytes& px = *p.pixels();
        for (std::size_t i = 0; i < px.size(); i += 4) {
            if (px[i] > px[i + 3] || px[i + 1] > px[i + 3] || px[i + 2] > px[i + 3]) {
                std::abort();
            }
        }
    }
    return 0;
}
