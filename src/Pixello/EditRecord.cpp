#include "Pixello/EditRecord.h"

#include "Pixello/EffectGrid.h"
#include "Pixello/PixelloModel.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <zlib.h>

namespace {

constexpr std::uint8_t kMagic[4] = {'P', 'X', 'E', 'D'};
constexpr std::uint8_t kGridKind = 1;
constexpr std::uint8_t kCropKind = 2;

class Writer {
public:
    void u8(std::uint8_t v) { bytes.push_back(v); }
    void u16(std::uint16_t v) {
        u8(static_cast<std::uint8_t>(v));
        u8(static_cast<std::uint8_t>(v >> 8));
    }
    void u32(std::uint32_t v) {
        for (int shift = 0; shift < 32; shift += 8) {
            u8(static_cast<std::uint8_t>(v >> shift));
        }
    }
    std::vector<std::uint8_t> bytes;
};

// Reads forward; every read past the end fails and leaves `failed` set.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    bool failed = false;
    std::size_t left() const { return bytes_.size() - at_; }
    std::uint32_t take(int count) {
        if (left() < static_cast<std::size_t>(count)) {
            failed = true;
            at_ = bytes_.size();
            return 0;
        }
        std::uint32_t v = 0;
        for (int i = 0; i < count; ++i) {
            v |= static_cast<std::uint32_t>(bytes_[at_++]) << (8 * i);
        }
        return v;
    }
    std::string text(std::size_t length) {
        if (left() < length) {
            failed = true;
            at_ = bytes_.size();
            return {};
        }
        std::string s(reinterpret_cast<const char*>(bytes_.data() + at_), length);
        at_ += length;
        return s;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
};

std::uint32_t crc(std::span<const std::uint8_t> bytes) {
    return static_cast<std::uint32_t>(crc32(0L, bytes.data(), static_cast<uInt>(bytes.size())));
}

std::unexpected<platform::Error> damaged(const std::string& why) {
    return platform::failure("the edit record is damaged (" + why + ")");
}

} // namespace

GridStep GridStep::of(EffectGrid& grid) {
    // The triangles scale what they hold by the grid's size: at 1 × 1 they give it exactly.
    const float width = grid.width();
    const float height = grid.height();
    grid.setWidth(1.0f);
    grid.setHeight(1.0f);
    GridStep step;
    step.rows = grid.rows();
    step.cols = grid.cols();
    step.corners.reserve(grid.triangles().size() * 12);
    for (const EffectTriangle& t : grid.triangles()) {
        step.corners.insert(step.corners.end(),
                            {t.fx1(), t.fy1(), t.fx2(), t.fy2(), t.fx3(), t.fy3(), t.tx1(), t.ty1(),
                             t.tx2(), t.ty2(), t.tx3(), t.ty3()});
    }
    grid.setWidth(width);
    grid.setHeight(height);
    return step;
}

std::optional<CropStep> CropStep::of(platform::Rect rect, int width, int height) {
    const double x0 = std::max(std::floor(static_cast<double>(rect.x())), 0.0);
    const double y0 = std::max(std::floor(static_cast<double>(rect.y())), 0.0);
    const double x1 = std::min(std::ceil(static_cast<double>(rect.x()) + rect.width()),
                               static_cast<double>(width));
    const double y1 = std::min(std::ceil(static_cast<double>(rect.y()) + rect.height()),
                               static_cast<double>(height));
    if (!(x1 > x0) || !(y1 > y0)) {
        return std::nullopt;
    }
    return CropStep{static_cast<int>(x0),
                    static_cast<int>(y0),
                    static_cast<int>(x1 - x0),
                    static_cast<int>(y1 - y0),
                    width,
                    height};
}

std::vector<std::uint8_t> EditRecord::encode() const {
    Writer w;
    w.bytes.assign(std::begin(kMagic), std::end(kMagic));
    w.u32(kVersion);
    w.u16(static_cast<std::uint16_t>(base.size()));
    w.bytes.insert(w.bytes.end(), base.begin(), base.end());
    w.u32(static_cast<std::uint32_t>(steps.size()));
    for (const EditStep& step : steps) {
        if (const auto* grid = std::get_if<GridStep>(&step)) {
            w.u8(kGridKind);
            w.u16(static_cast<std::uint16_t>(grid->rows));
            w.u16(static_cast<std::uint16_t>(grid->cols));
            for (float v : grid->corners) {
                w.u32(std::bit_cast<std::uint32_t>(v));
            }
        } else {
            const CropStep& crop = std::get<CropStep>(step);
            w.u8(kCropKind);
            for (int v :
                 {crop.x, crop.y, crop.width, crop.height, crop.fromWidth, crop.fromHeight}) {
                w.u32(static_cast<std::uint32_t>(v));
            }
        }
    }
    w.u32(crc(w.bytes));
    return std::move(w.bytes);
}

std::expected<EditRecord, platform::Error> EditRecord::decode(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < sizeof kMagic + 4 + 4 ||
        !std::equal(std::begin(kMagic), std::end(kMagic), bytes.begin())) {
        return damaged("not an edit record");
    }
    Reader header(bytes.subspan(sizeof kMagic, 4));
    if (const std::uint32_t version = header.take(4); version != kVersion) {
        return platform::failure("the edit record has version " + std::to_string(version) +
                                 ", this build reads version " + std::to_string(kVersion));
    }
    const auto body = bytes.first(bytes.size() - 4);
    Reader trailer(bytes.last(4));
    if (trailer.take(4) != crc(body)) {
        return damaged("checksum");
    }
    Reader r(body.subspan(sizeof kMagic + 4));
    EditRecord record;
    record.base = r.text(r.take(2));
    if (!record.base.empty() && !PixelloModel::isValidImageFileName(record.base)) {
        return damaged("base name");
    }
    const std::uint32_t count = r.take(4);
    if (count > kMaxSteps) {
        return damaged("step count");
    }
    for (std::uint32_t i = 0; i < count && !r.failed; ++i) {
        const std::uint32_t kind = r.take(1);
        if (kind == kGridKind) {
            GridStep grid;
            grid.rows = static_cast<int>(r.take(2));
            grid.cols = static_cast<int>(r.take(2));
            if (grid.rows < 1 || grid.cols < 1 || grid.rows > kMaxGridSide ||
                grid.cols > kMaxGridSide) {
                return damaged("grid size");
            }
            const std::size_t floats = static_cast<std::size_t>(grid.rows) * grid.cols * 2 * 12;
            if (r.left() < floats * 4) {
                return damaged("truncated");
            }
            grid.corners.reserve(floats);
            for (std::size_t k = 0; k < floats; ++k) {
                const float v = std::bit_cast<float>(r.take(4));
                if (!std::isfinite(v)) {
                    return damaged("corner");
                }
                grid.corners.push_back(v);
            }
            record.steps.emplace_back(std::move(grid));
        } else if (kind == kCropKind) {
            int v[6];
            for (int& value : v) {
                value = static_cast<int>(std::min<std::uint32_t>(r.take(4), kMaxSide + 1));
            }
            const CropStep crop{v[0], v[1], v[2], v[3], v[4], v[5]};
            if (crop.fromWidth < 1 || crop.fromHeight < 1 || crop.fromWidth > kMaxSide ||
                crop.fromHeight > kMaxSide || crop.width < 1 || crop.height < 1 ||
                crop.x + crop.width > crop.fromWidth || crop.y + crop.height > crop.fromHeight) {
                return damaged("crop rectangle");
            }
            record.steps.emplace_back(crop);
        } else {
            return damaged("step kind");
        }
    }
    if (r.failed) {
        return damaged("truncated");
    }
    if (r.left() != 0) {
        return damaged("trailing bytes");
    }
    return record;
}
