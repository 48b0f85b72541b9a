#include "platform/graphics/Image.h"

#include "platform/base/Bundle.h"
#include "platform/graphics/PictureCodec.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <map>
#include <string>

namespace platform {

namespace {

// The pixel size in a PNG file's header, or nothing when the file does not start like one.
std::optional<Size> pngSize(const std::filesystem::path& path) {
    // Signature, IHDR length and type, then width and height, big-endian.
    constexpr std::array<std::uint8_t, 16> kStart = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n',
                                                     0,    0,   0,   13,  'I',  'H',  'D',  'R'};
    std::array<std::uint8_t, 24> header{};
    std::ifstream in(path, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(header.data()), header.size()) ||
        !std::equal(kStart.begin(), kStart.end(), header.begin())) {
        return std::nullopt;
    }
    const auto number = [&](std::size_t at) {
        return (std::uint32_t{header[at]} << 24) | (std::uint32_t{header[at + 1]} << 16) |
               (std::uint32_t{header[at + 2]} << 8) | std::uint32_t{header[at + 3]};
    };
    const std::uint32_t width = number(16);
    const std::uint32_t height = number(20);
    if (width == 0 || height == 0 ||
        std::uint64_t{width} * height > static_cast<std::uint64_t>(Picture::maxPixels)) {
        return std::nullopt;
    }
    return Size{static_cast<float>(width), static_cast<float>(height)};
}

} // namespace

Image::Image(std::vector<Source> sources, Size size)
    : sources_(std::move(sources)), size_(size), variants_(sources_.size()) {}

std::shared_ptr<const Image> Image::create(Picture picture, int scale) {
    if (scale < 1) {
        return nullptr;
    }
    const auto s = static_cast<float>(scale);
    const Size size{static_cast<float>(picture.width()) / s,
                    static_cast<float>(picture.height()) / s};
    std::shared_ptr<Image> image(new Image({{{}, scale}}, size));
    image->variants_[0] = Variant{std::move(picture), scale};
    return image;
}

std::shared_ptr<const Image> Image::named(std::string_view name) {
    // Only ever used on the main thread. Missing names are remembered too, so a screen
    // asking every frame looks only once; changing the bundle's folders forgets them all.
    struct Cache {
        std::uint64_t generation = 0;
        std::map<std::string, std::shared_ptr<const Image>, std::less<>> images;
    };
    static Cache cache;
    const Bundle& bundle = Bundle::main();
    if (cache.generation != bundle.generation()) {
        cache.images.clear();
        cache.generation = bundle.generation();
    }
    if (const auto it = cache.images.find(name); it != cache.images.end()) {
        return it->second;
    }
    std::shared_ptr<const Image> image = load(bundle, name);
    cache.images.emplace(std::string(name), image);
    return image;
}

std::shared_ptr<const Image> Image::load(const Bundle& bundle, std::string_view name) {
    const std::size_t dot = name.rfind('.');
    const std::string_view stem = dot == std::string_view::npos ? name : name.substr(0, dot);
    const std::string_view extension =
        dot == std::string_view::npos ? std::string_view() : name.substr(dot);
    std::vector<Source> sources;
    std::optional<Variant> first;
    Size size;
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
        if (sources.empty()) {
            // The smallest variant gives the size in points: its header, or for other
            // formats the decoded picture, which is then kept.
            std::optional<Size> pixels = pngSize(*path);
            if (!pixels) {
                auto decoded = PictureCodec::decodeFile(*path);
                if (!decoded) {
                    continue;
                }
                pixels = decoded->size();
                first = Variant{std::move(*decoded), scale};
            }
            const auto s = static_cast<float>(scale);
            size = {pixels->width / s, pixels->height / s};
        }
        sources.push_back({*path, scale});
    }
    if (sources.empty()) {
        return nullptr;
    }
    std::shared_ptr<Image> image(new Image(std::move(sources), size));
    image->variants_[0] = std::move(first);
    return image;
}

const Image::Variant& Image::variantForScale(int scale) const {
    std::size_t chosen = sources_.size() - 1;
    for (std::size_t i = 0; i < sources_.size(); ++i) {
        if (sources_[i].scale >= scale) {
            chosen = i;
            break;
        }
    }
    std::optional<Variant>& variant = variants_[chosen];
    if (!variant) {
        const Source& source = sources_[chosen];
        auto decoded = PictureCodec::decodeFile(source.path);
        if (decoded) {
            variant.emplace(Variant{std::move(*decoded), source.scale});
        } else {
            // The file changed since it was found: nothing is shown rather than garbage.
            const int w = std::max(1, static_cast<int>(size_.width * source.scale));
            const int h = std::max(1, static_cast<int>(size_.height * source.scale));
            variant.emplace(Variant{
                *Picture::create(
                    std::make_shared<const PixelBytes>(static_cast<std::size_t>(w) * h * 4), w, h),
                source.scale});
        }
    }
    return *variant;
}

std::vector<int> Image::scales() const {
    std::vector<int> scales;
    for (const Source& source : sources_) {
        scales.push_back(source.scale);
    }
    return scales;
}

} // namespace platform
