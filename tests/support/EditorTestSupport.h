#pragma once

// Pictures, payloads and listeners the editor's tests share.

#include "Pixello/EffectGrid.h"
#include "ZevkoCore/ZVKApplicationModelDelegate.h"
#include "platform/graphics/Picture.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pixellotest {

using Pixel = std::array<std::uint8_t, 4>;

// An opaque picture whose pixels differ from their neighbours and whose quarters differ.
inline platform::Picture patternPicture(int width, int height) {
    platform::PixelBytes bytes;
    bytes.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            bytes.insert(bytes.end(), {static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
                                       static_cast<std::uint8_t>(60 + 60 * (x * 2 / width) +
                                                                 30 * (y * 2 / height)),
                                       255});
        }
    }
    return *platform::Picture::create(
        std::make_shared<const platform::PixelBytes>(std::move(bytes)), width, height);
}

inline platform::Picture plainPicture(int width, int height, Pixel colour) {
    platform::PixelBytes bytes;
    for (int i = 0; i < width * height; ++i) {
        bytes.insert(bytes.end(), colour.begin(), colour.end());
    }
    return *platform::Picture::create(
        std::make_shared<const platform::PixelBytes>(std::move(bytes)), width, height);
}

// The stored payload for `names` with the default strengths.
inline std::string storagePayload(const std::vector<std::string>& names, int current) {
    std::string payload = std::to_string(names.size()) + "\n" + std::to_string(current) + "\n";
    for (const auto& name : names) {
        payload += name + "\n";
    }
    return payload + "0.110000\n28.000000\n10.000000\n10.000000\n";
}

// Every moved corner of the grid, in list order.
inline std::vector<float> gridCorners(const EffectGrid& grid) {
    std::vector<float> corners;
    for (const EffectTriangle& t : grid.triangles()) {
        corners.insert(corners.end(), {t.tx1(), t.ty1(), t.tx2(), t.ty2(), t.tx3(), t.ty3()});
    }
    return corners;
}

inline bool gridAtRest(const EffectGrid& grid) {
    for (const EffectTriangle& t : grid.triangles()) {
        if (t.tx1() != t.fx1() || t.ty1() != t.fy1() || t.tx2() != t.fx2() || t.ty2() != t.fy2() ||
            t.tx3() != t.fx3() || t.ty3() != t.fy3()) {
            return false;
        }
    }
    return true;
}

// Every property name a model reports, in order.
struct NoticeLog : ZVKApplicationModelDelegate {
    void modelPropertyChanged(const std::string& name) override { names.push_back(name); }
    std::vector<std::string> names;
};

} // namespace pixellotest
