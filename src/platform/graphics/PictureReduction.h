#pragma once

#include "platform/base/Geometry.h"
#include "platform/graphics/Picture.h"

#include <cstdint>
#include <optional>
#include <vector>

// What the decoders share to read a picture at a reduced size: the size the editor fits a
// picture to, the block factor that still covers it, and the block averaging itself.
namespace platform::reduction {

// A size in whole pixels.
struct Pixels {
    int width = 0;
    int height = 0;

    std::int64_t count() const { return std::int64_t{width} * height; }
    bool covers(Pixels other) const { return width >= other.width && height >= other.height; }
    // The size after averaging blocks of factor × factor pixels, the last ones partial.
    Pixels reducedBy(int factor) const {
        return {(width + factor - 1) / factor, (height + factor - 1) / factor};
    }
    Size size() const { return {static_cast<float>(width), static_cast<float>(height)}; }
    friend bool operator==(const Pixels&, const Pixels&) = default;
};

// The size a picture whose upright size is `full` is drawn at when fitted within `box`:
// scaled down keeping its aspect until both sides fit, never enlarged, truncated to whole
// pixels but at least one across. These are the editor's own float steps, so that what a
// reduced decoding must cover is exactly what the editor will draw.
Pixels fitWithin(Pixels full, Size box);

// The stored size of a picture turned by `orientation` whose upright size is `upright`
// (and the other way round: the turn is its own inverse).
Pixels turned(Pixels upright, int orientation);

// The largest factor whose block averages of `source` still cover `need`; 1 when no factor
// above 1 does.
int blockFactor(Pixels source, Pixels need);

// Averages factor × factor blocks of premultiplied RGBA rows as they arrive, so a picture is
// reduced without being held at its full size: only one row of block sums is kept.
class BlockReducer {
public:
    BlockReducer(Pixels source, int factor);

    // The next row of the source, top row first: source.width premultiplied RGBA pixels.
    void addRow(const std::uint8_t* row);
    // The reduced picture, once every source row has been added.
    std::optional<Picture> finish(int orientation);

private:
    void emitBlockRow();

    Pixels source_;
    int factor_;
    Pixels output_;
    int rowsAdded_ = 0;
    int rowsInBlock_ = 0;
    std::vector<std::uint64_t> sums_;
    std::vector<std::uint8_t> pixels_;
};

// A picture of the `size` pixels whose premultiplied RGBA rows start `stride` bytes apart at
// `first`, reduced by `factor` (copied as they are for factor 1).
std::optional<Picture> reducePixels(const std::uint8_t* first, std::size_t stride, Pixels size,
                                    int factor, int orientation);

} // namespace platform::reduction
