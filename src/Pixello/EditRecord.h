#pragma once

#include "platform/base/Error.h"
#include "platform/base/Geometry.h"

#include <cstdint>
#include <expected>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

class EffectGrid;

// What one finished edit did, kept beside its history entry so that the edit can be done
// again on the picture at full size.
//
// A smudge, bump or pinch is the grid it was drawn with: rows, columns and every triangle's
// corners, normalized, so it fits a picture of any size.
struct GridStep {
    int rows = 0;
    int cols = 0;
    // Twelve floats a triangle in the grid's list order: fx1 fy1 fx2 fy2 fx3 fy3 (where the
    // corners lie in the picture) then tx1 … ty3 (where they are drawn).
    std::vector<float> corners;

    // The grid as it stands (its scale is put back afterwards).
    static GridStep of(EffectGrid& grid);
    friend bool operator==(const GridStep&, const GridStep&) = default;
};

// A crop is the whole-pixel rectangle that was cut, and the size of the picture it was cut
// from, so that it can be scaled to a larger rendition of that picture.
struct CropStep {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int fromWidth = 0;
    int fromHeight = 0;

    // The rectangle a picture of width × height cuts for `rect`: widened to whole pixels and
    // clipped to the picture, as Picture::subImage does; nothing when that leaves no pixel.
    static std::optional<CropStep> of(platform::Rect rect, int width, int height);
    friend bool operator==(const CropStep&, const CropStep&) = default;
};

using EditStep = std::variant<GridStep, CropStep>;

// The side file of one history entry ("NAME.edit"), replaced whole by a rename. `base` names the
// entry whose picture the steps start from; empty means the picture kept beside this entry
// ("NAME.source"), as for a picked picture, which has no steps. The first entry left after older
// entries were dropped takes their steps in front of its own and starts from the source itself.
//
// The file is little-endian: "PXED", version (u32), base name length (u16) and bytes, the
// step count (u32), the steps, and a CRC-32 of everything before it (u32). A grid step is
// kind 1, rows and columns (u16 each) and 12 floats a triangle; a crop is kind 2 and six
// u32: x, y, width, height, and the size it was cut from.
struct EditRecord {
    static constexpr std::uint32_t kVersion = 1;
    // Generous bounds for a reader of files that may be damaged.
    static constexpr int kMaxGridSide = 256;
    static constexpr std::uint32_t kMaxSteps = 100000;
    static constexpr int kMaxSide = 1 << 20;

    std::string base;
    std::vector<EditStep> steps;

    std::vector<std::uint8_t> encode() const;
    // The record, or why the bytes are not one: truncated, another version, a failed
    // checksum, or values no editor writes.
    static std::expected<EditRecord, platform::Error> decode(std::span<const std::uint8_t> bytes);

    friend bool operator==(const EditRecord&, const EditRecord&) = default;
};
