#include "platform/Image.h"

#include "platform/Bundle.h"
#include "platform/PictureCodec.h"

#include <algorithm>
#include <string>

namespace platform {

Image::Image(std::vector<Variant> variants) : variants_(std::move(variants)) {
    std::sort(variants_.begin(), variants_.end(),
              [](const Variant& a, const Variant& b) { return a.scale < b.scale; });
    const Variant& first = variants_.front();
    const Size pixels = first.picture.size();
    const auto scale = static_cast<float>(first.scale);
    size_ = {pixels.width / scale, pixels.height / scale};
}

std::shared_ptr<const Image> Image::create(Picture picture, int scale) {
    if (scale < 1) {
        return nullptr;
    }
    return std::shared_ptr<const Image>(new Image({{std::move(picture), scale}}));
}

std::shared_ptr<const Image> Image::named(std::string_view name) {
    return Bundle::main().imageNamed(name);
}

std::shared_ptr<const Image> Image::load(const Bundle& bundle, std::string_view name) {
    const std::size_t dot = name.rfind('.');
    const std::string_view stem = dot == std::string_view::npos ? name : name.substr(0, dot);
    const std::string_view extension =
        dot == std::string_view::npos ? std::string_view() : name.substr(dot);
    std::vector<Variant> variants;
    for (int scale = 1; scale <= 3; ++scale) {
        std::string file(stem);
        if (scale > 1) {
            file += "@" + std::to_string(scale) + "x";
        }
        file += extension;
        const auto path = bundle.pathForResource(file);
        if (!path) {
            continue;
        }
        DecodeResult decoded = PictureCodec::decodeFile(*path);
        if (decoded.picture) {
            variants.push_back({std::move(*decoded.picture), scale});
        }
    }
    if (variants.empty()) {
        return nullptr;
    }
    return std::shared_ptr<const Image>(new Image(std::move(variants)));
}

const Image::Variant& Image::variantForScale(int scale) const {
    for (const Variant& variant : variants_) {
        if (variant.scale >= scale) {
            return variant;
        }
    }
    return variants_.back();
}

} // namespace platform
