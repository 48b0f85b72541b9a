#pragma once

#include "platform/base/Geometry.h"
#include "platform/graphics/Picture.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace platform {

class Bundle;

// A picture measured in points: the same artwork at one or more scales (1, 2, 3 pixels a
// point), so the compositor can draw the variant that is crisp at its own scale. Variants
// read from files are decoded when first drawn, and only the one drawn: a screen is built
// long before it is shown, and it is shown at one scale.
class Image {
public:
    // A picture meant to be drawn at `scale` pixels a point; nullptr for a scale below 1.
    static std::shared_ptr<const Image> create(Picture picture, int scale = 1);

    // The resource `name` of the main bundle ("freeItemImage.png") with its "@2x" and "@3x"
    // variants, found once and then shared; nullptr when no variant can be read.
    static std::shared_ptr<const Image> named(std::string_view name);
    // Finds the variants of `name` in `bundle`'s folders without any caching. Only the size
    // of the smallest is read now.
    static std::shared_ptr<const Image> load(const Bundle& bundle, std::string_view name);

    // The size in points: the pixel size of a variant divided by its scale.
    Size size() const { return size_; }

    struct Variant {
        Picture picture;
        int scale;
    };
    // The variant to draw at `scale`: that scale, else the nearest larger one (scaled
    // down), else the largest there is. A variant whose file no longer decodes is drawn
    // transparent.
    const Variant& variantForScale(int scale) const;
    // The scales there are, growing.
    std::vector<int> scales() const;

private:
    struct Source {
        std::filesystem::path path; // empty for a picture given in memory
        int scale;
    };
    Image(std::vector<Source> sources, Size size);

    std::vector<Source> sources_; // by growing scale, never empty
    Size size_;
    // Decoded on first use, one slot per source; only ever touched on the main thread.
    mutable std::vector<std::optional<Variant>> variants_;
};

} // namespace platform
