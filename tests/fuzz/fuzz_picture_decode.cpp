// Feeds arbitrary bytes to the picture decoders (PNG, JPEG, WebP and HEIF, as a picked file
// would arrive), whole and fitted within a box, and checks that whatever they accept is a
// sound picture, and that the fitted one covers the box's fit of the whole.
#include "fuzz/FuzzTarget.h"
#include "platform/graphics/Picture.h"
#include "platform/graphics/PictureCodec.h"
#include "support/HeifEncoding.h"
#include "support/PictureTestSupport.h"
#include "support/WebpEncoding.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>
#include <tuple>
#include <vector>

namespace {

// Well-formed pictures to start the mutations from: small opaque and translucent ones in
// every format, JPEG and HEIF turned by their orientation, and a larger PNG.
const std::vector<std::string>& seeds() {
    static const std::vector<std::string> encoded = [] {
        std::vector<std::string> out;
        const auto add = [&out](const std::vector<std::uint8_t>& bytes) {
            if (!bytes.empty()) {
                out.emplace_back(bytes.begin(), bytes.end());
            }
        };
        for (const auto& [width, height, alpha] :
             {std::tuple{3, 2, 255}, {3, 2, 128}, {23, 17, 255}, {17, 23, 128}}) {
            auto bytes = std::make_shared<platform::PixelBytes>();
            for (int i = 0; i < width * height; ++i) {
                const auto v = static_cast<std::uint8_t>(i * 40 % 256 * alpha / 255);
                bytes->insert(bytes->end(), {v, static_cast<std::uint8_t>(alpha - v), 0,
                                             static_cast<std::uint8_t>(alpha)});
            }
            const auto picture = platform::Picture::create(bytes, width, height);
            add(*platform::PictureCodec::encodePNG(*picture));
            add(testsupport::encodeWebp(*picture, alpha == 255));
            if (width > 3) {
                add(testsupport::encodeJpeg(*picture, 6));
                add(testsupport::encodeHeif(*picture, alpha == 255 ? 6 : 1));
            }
        }
        return out;
    }();
    return encoded;
}

void check(bool sound) {
    if (!sound) {
        std::abort();
    }
}

void checkPicture(const platform::Picture& p) {
    const auto expected = static_cast<std::size_t>(p.width()) * p.height() * 4;
    check(p.width() > 0 && p.height() > 0 && p.pixels() != nullptr &&
          p.pixels()->size() == expected && p.orientation() >= 0 && p.orientation() <= 7);
    // Premultiplied: no colour channel may exceed its alpha.
    const platform::PixelBytes& px = *p.pixels();
    for (std::size_t i = 0; i < px.size(); i += 4) {
        check(px[i] <= px[i + 3] && px[i + 1] <= px[i + 3] && px[i + 2] <= px[i + 3]);
    }
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
    const std::span bytes(data, size);
    const auto whole = platform::PictureCodec::decode(bytes);
    if (whole) {
        checkPicture(*whole);
    }
    // A box that makes most inputs reduce.
    const platform::Size box{5.0f, 3.0f};
    const auto fitted = platform::PictureCodec::decodeToFit(bytes, box);
    if (fitted) {
        checkPicture(fitted->picture);
        const platform::Size full = fitted->fullSize;
        // What a whole decoding gives, the fitted one gives too, of the same picture.
        check(!whole || whole->size() == full);
        const platform::Size got = fitted->picture.size();
        // It covers the editor's fit of the whole.
        const platform::Size fit = testsupport::editorFit(full, box);
        check(got.width >= fit.width && got.height >= fit.height && got.width <= full.width &&
              got.height <= full.height);
    }
    return 0;
}
