#pragma once

#include "platform/Geometry.h"
#include "platform/Picture.h"

#include <filesystem>
#include <memory>
#include <string_view>
#include <vector>

namespace platform {

class Bundle;

// A picture measured in points: the same artwork at one or more scales (1, 2, 3 pixels a
// point), so the compositor can draw the variant that is crisp at its own scale.
class Image {
public:
    // A picture meant to be drawn at `scale` pixels a point; nullptr for a scale below 1.
    static std::shared_ptr<const Image> create(Picture picture, int scale = 1);

    // The resource `name` of the main bundle ("freeItemImage.png") with its "@2x" and "@3x"
    // variants, decoded once and then shared; nullptr when no variant can be read.
    static std::shared_ptr<const Image> named(std::string_view name);
    // Reads the variants of `name` from `bundle`'s folders without any caching.
    static std::shared_ptr<const Image> load(const Bundle& bundle, std::string_view name);

    // The size in points: the pixel size of a variant divided by its scale.
    Size size() const { return size_; }

    struct Variant {
        Picture picture;
        int scale;
    };
    // The variant to draw at `scale`: that scale, else the nearest larger one (scaled
    // down), else the largest there is.
    const Variant& variantForScale(int scale) const;
    const std::vector<Variant>& variants() const { return variants_; }

private:
    explicit Image(std::vector<Variant> variants);

    std::vector<Variant> variants_; // by growing scale, never empty
    Size size_;
};

} // namespace platform
