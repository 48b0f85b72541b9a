#include "platform/graphics/PictureReduction.h"

#include "platform/base/Assert.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace platform::reduction {

namespace {

// Truncated to a whole number of pixels, at least one (also for a box that is not a number).
int wholePixels(float value) {
    const float whole = std::trunc(value);
    return whole >= 1.0f ? static_cast<int>(whole) : 1;
}

} // namespace

Pixels fitWithin(Pixels full, Size box) {
    float w = static_cast<float>(full.width);
    float h = static_cast<float>(full.height);
    if (box.width < w) {
        h = box.width * h / w;
        w = box.width;
    }
    if (h > box.height) {
        w = box.height * w / h;
        h = box.height;
    }
    return {wholePixels(w), wholePixels(h)};
}

Pixels turned(Pixels upright, int orientation) {
    switch (orientation) {
    case Picture::Left:
    case Picture::Right:
    case Picture::LeftMirrored:
    case Picture::RightMirrored:
        return {upright.height, upright.width};
    default:
        return upright;
    }
}

int blockFactor(Pixels source, Pixels need) {
    // Along one side, ceil(s / k) >= n holds while k <= (s - 1) / (n - 1); a need of one
    // pixel holds for any factor, and none beyond the longer side makes a difference.
    const int longest = std::max(source.width, source.height);
    const auto sideFactor = [longest](int s, int n) {
        return n <= 1 ? longest : (s - 1) / (n - 1);
    };
    return std::max(
        1, std::min(sideFactor(source.width, need.width), sideFactor(source.height, need.height)));
}

BlockReducer::BlockReducer(Pixels source, int factor)
    : source_(source), factor_(factor), output_(source.reducedBy(factor)),
      sums_(static_cast<std::size_t>(output_.width) * 4),
      pixels_(static_cast<std::size_t>(output_.count()) * 4) {
    PIXELLO_ASSERT(factor >= 1 && source.width > 0 && source.height > 0);
}

void BlockReducer::addRow(const std::uint8_t* row) {
    PIXELLO_ASSERT(rowsAdded_ < source_.height);
    std::uint64_t* sum = sums_.data();
    int x = 0;
    for (int block = 0; block < output_.width; ++block, sum += 4) {
        const int end = std::min(x + factor_, source_.width);
        std::uint32_t r = 0;
        std::uint32_t g = 0;
        std::uint32_t b = 0;
        std::uint32_t a = 0;
        // A block is never wider than the picture (PictureCodec::maxFileSide at most), so
        // one row of it sums well within 32 bits.
        for (; x < end; ++x, row += 4) {
            r += row[0];
            g += row[1];
            b += row[2];
            a += row[3];
        }
        sum[0] += r;
        sum[1] += g;
        sum[2] += b;
        sum[3] += a;
    }
    ++rowsAdded_;
    if (++rowsInBlock_ == factor_ || rowsAdded_ == source_.height) {
        emitBlockRow();
    }
}

void BlockReducer::emitBlockRow() {
    const auto blockRow = static_cast<std::size_t>((rowsAdded_ - 1) / factor_);
    std::uint8_t* out = pixels_.data() + blockRow * static_cast<std::size_t>(output_.width) * 4;
    for (int block = 0; block < output_.width; ++block) {
        const int columns = std::min(factor_, source_.width - block * factor_);
        const auto count = static_cast<std::uint64_t>(columns) * rowsInBlock_;
        for (int c = 0; c < 4; ++c, ++out) {
            std::uint64_t& sum = sums_[static_cast<std::size_t>(block) * 4 + c];
            *out = static_cast<std::uint8_t>((sum + count / 2) / count);
            sum = 0;
        }
    }
    rowsInBlock_ = 0;
}

std::optional<Picture> BlockReducer::finish(int orientation) {
    PIXELLO_ASSERT(rowsAdded_ == source_.height);
    return Picture::create(std::make_shared<const PixelBytes>(std::move(pixels_)), output_.width,
                           output_.height, orientation);
}

std::optional<Picture> reducePixels(const std::uint8_t* first, std::size_t stride, Pixels size,
                                    int factor, int orientation) {
    if (factor > 1) {
        BlockReducer reducer(size, factor);
        for (int y = 0; y < size.height; ++y) {
            reducer.addRow(first + stride * static_cast<std::size_t>(y));
        }
        return reducer.finish(orientation);
    }
    const std::size_t rowBytes = static_cast<std::size_t>(size.width) * 4;
    std::vector<std::uint8_t> pixels(rowBytes * static_cast<std::size_t>(size.height));
    for (std::size_t y = 0; y < static_cast<std::size_t>(size.height); ++y) {
        std::memcpy(pixels.data() + rowBytes * y, first + stride * y, rowBytes);
    }
    return Picture::create(std::make_shared<const PixelBytes>(std::move(pixels)), size.width,
                           size.height, orientation);
}

} // namespace platform::reduction
