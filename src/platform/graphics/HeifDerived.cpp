#include "platform/graphics/HeifDerived.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <vector>

namespace platform::heif {

namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::uint32_t fourcc(const char* code) {
    return std::uint32_t{static_cast<std::uint8_t>(code[0])} << 24 |
           std::uint32_t{static_cast<std::uint8_t>(code[1])} << 16 |
           std::uint32_t{static_cast<std::uint8_t>(code[2])} << 8 |
           std::uint32_t{static_cast<std::uint8_t>(code[3])};
}

// Big-endian fields read in turn; reading past the end yields zeros and marks the reader.
class Fields {
public:
    explicit Fields(Bytes bytes) : bytes_(bytes) {}

    std::uint64_t read(std::size_t size) {
        if (bytes_.size() - at_ < size) {
            at_ = bytes_.size();
            short_ = true;
            return 0;
        }
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < size; ++i) {
            value = value << 8 | bytes_[at_++];
        }
        return value;
    }
    std::size_t at() const { return at_; }
    bool isShort() const { return short_; }

private:
    Bytes bytes_;
    std::size_t at_ = 0;
    bool short_ = false;
};

struct Box {
    std::uint32_t type;
    Bytes payload;
};

// The boxes laid end to end in `bytes`; a box that claims more than is left is cut at the end.
std::vector<Box> boxesIn(Bytes bytes) {
    std::vector<Box> boxes;
    std::size_t start = 0;
    while (bytes.size() - start >= 8) {
        Fields fields(bytes.subspan(start));
        std::uint64_t size = fields.read(4);
        const auto type = static_cast<std::uint32_t>(fields.read(4));
        if (size == 1) {
            size = fields.read(8);
        } else if (size == 0) {
            size = bytes.size() - start;
        }
        if (fields.isShort() || size < fields.at()) {
            break;
        }
        const std::size_t length = std::min<std::uint64_t>(size, bytes.size() - start);
        boxes.push_back({type, bytes.subspan(start + fields.at(), length - fields.at())});
        start += length;
    }
    return boxes;
}

// A full box's payload after its version and flags.
Bytes afterVersion(Bytes payload) {
    return payload.subspan(std::min<std::size_t>(4, payload.size()));
}

struct Extent {
    std::uint64_t offset;
    std::uint64_t length;
};

struct Location {
    std::uint32_t item;
    unsigned method; // 0: from the file's start, 1: from the idat box's payload
    std::vector<Extent> extents;
};

// libheif refuses an iloc box with more items or extents than these, and with it the file.
constexpr std::uint64_t maxLocatedItems = 20000;
constexpr std::uint64_t maxExtentsPerItem = 32;

std::vector<Location> locations(Bytes iloc) {
    Fields fields(iloc);
    const auto version = fields.read(1);
    fields.read(3);
    const auto sizes = fields.read(2);
    const std::size_t offsetSize = sizes >> 12 & 0xF;
    const std::size_t lengthSize = sizes >> 8 & 0xF;
    const std::size_t baseSize = sizes >> 4 & 0xF;
    const std::size_t indexSize = version > 1 ? sizes & 0xF : 0;
    const auto field = [&fields](std::size_t size) {
        return size == 4 || size == 8 ? fields.read(size) : 0;
    };
    const std::uint64_t count = fields.read(version < 2 ? 2 : 4);
    std::vector<Location> found;
    if (count > maxLocatedItems) {
        return found;
    }
    for (std::uint64_t i = 0; i < count && !fields.isShort(); ++i) {
        Location location{static_cast<std::uint32_t>(fields.read(version < 2 ? 2 : 4)), 0, {}};
        if (version >= 1) {
            location.method = fields.read(2) & 0xF;
        }
        fields.read(2); // data reference index
        const std::uint64_t base = field(baseSize);
        const std::uint64_t extents = fields.read(2);
        if (extents > maxExtentsPerItem) {
            return {};
        }
        for (std::uint64_t e = 0; e < extents && !fields.isShort(); ++e) {
            field(indexSize);
            const std::uint64_t offset = field(offsetSize);
            location.extents.push_back({base + offset, field(lengthSize)});
        }
        if (!fields.isShort()) {
            found.push_back(std::move(location));
        }
    }
    return found;
}

struct Item {
    std::uint32_t id;
    std::uint32_t type;
};

// Every item with a type; only item information of version 2 and later names one.
std::vector<Item> typedItems(Bytes iinf) {
    Fields header(iinf);
    const auto version = header.read(1);
    header.read(3);
    header.read(version == 0 ? 2 : 4); // the entry count; the boxes that follow are what counts
    std::vector<Item> items;
    for (const Box& infe : boxesIn(iinf.subspan(header.at()))) {
        Fields fields(infe.payload);
        const auto infeVersion = fields.read(1);
        fields.read(3);
        if (infe.type != fourcc("infe") || infeVersion < 2) {
            continue;
        }
        const auto id = static_cast<std::uint32_t>(fields.read(infeVersion == 2 ? 2 : 4));
        fields.read(2); // protection index
        const auto type = static_cast<std::uint32_t>(fields.read(4));
        if (!fields.isShort()) {
            items.push_back({id, type});
        }
    }
    return items;
}

// The items that derived pictures are made of ('dimg' references). libheif reads each
// reference's fields straight after its box header, whatever size the header gives, and
// refuses the file when the fields run past the end; so does this.
std::vector<std::uint32_t> derivationSources(Bytes iref) {
    Fields fields(iref);
    const std::size_t idSize = fields.read(1) == 0 ? 2 : 4;
    fields.read(3);
    std::vector<std::uint32_t> sources;
    while (fields.at() < iref.size()) {
        const std::uint64_t size = fields.read(4);
        const auto type = static_cast<std::uint32_t>(fields.read(4));
        if (size == 1) {
            fields.read(8);
        }
        if (type == fourcc("uuid")) {
            fields.read(16);
        }
        fields.read(idSize); // the derived item
        const std::uint64_t count = fields.read(2);
        for (std::uint64_t i = 0; i < count && fields.at() < iref.size(); ++i) {
            const auto source = static_cast<std::uint32_t>(fields.read(idSize));
            if (type == fourcc("dimg")) {
                sources.push_back(source);
            }
        }
        if (fields.isShort()) {
            return {};
        }
    }
    return sources;
}

bool isPictureType(std::uint32_t type) {
    for (const char* picture : {"hvc1", "grid", "iden", "iovl", "av01", "vvc1"}) {
        if (type == fourcc(picture)) {
            return true;
        }
    }
    return false;
}

// The first `wanted` bytes of an item's data, or fewer where it has no more. An idat extent
// counts from the idat box's payload; libheif reads it up to the box's size from there, and so
// past its end: the file's end is the most it can see.
std::vector<std::uint8_t> itemStart(Bytes file, std::optional<std::size_t> idatStart,
                                    const Location& location, std::size_t wanted) {
    std::vector<std::uint8_t> data;
    if (location.method > 1 || (location.method == 1 && !idatStart)) {
        return data;
    }
    const std::size_t origin = location.method == 1 ? *idatStart : 0;
    for (const Extent& extent : location.extents) {
        if (data.size() == wanted || extent.offset >= file.size() - origin) {
            break;
        }
        const std::size_t from = origin + extent.offset;
        const std::size_t take =
            std::min<std::uint64_t>({extent.length, file.size() - from, wanted - data.size()});
        data.insert(data.end(), file.begin() + static_cast<std::ptrdiff_t>(from),
                    file.begin() + static_cast<std::ptrdiff_t>(from + take));
    }
    return data;
}

// The canvas a grid or overlay item's data declares.
std::uint64_t canvasOf(std::uint32_t type, Bytes data) {
    // grid: version, flags, rows − 1, columns − 1, width, height;
    // iovl: version, flags, four 16-bit fill values, width, height, then the offsets.
    const std::size_t at = type == fourcc("grid") ? 4 : 10;
    if (data.size() < 2 || (type == fourcc("iovl") && data[0] != 0)) {
        return 0;
    }
    Fields fields(data.subspan(std::min(at, data.size())));
    const std::size_t size = (data[1] & 1) != 0 ? 4 : 2;
    const std::uint64_t width = fields.read(size);
    const std::uint64_t height = fields.read(size);
    return fields.isShort() ? 0 : width * height;
}

} // namespace

DerivedPictures inspectDerivedPictures(Bytes file) {
    DerivedPictures found;
    for (const Box& meta : boxesIn(file)) {
        if (meta.type != fourcc("meta")) {
            continue;
        }
        std::vector<Item> items;
        std::vector<Location> located;
        std::vector<std::uint32_t> sources;
        std::optional<std::size_t> idatStart;
        for (const Box& box : boxesIn(afterVersion(meta.payload))) {
            if (box.type == fourcc("iinf")) {
                const std::vector<Item> more = typedItems(box.payload);
                items.insert(items.end(), more.begin(), more.end());
            } else if (box.type == fourcc("iloc")) {
                std::vector<Location> more = locations(box.payload);
                located.insert(located.end(), std::make_move_iterator(more.begin()),
                               std::make_move_iterator(more.end()));
            } else if (box.type == fourcc("iref")) {
                const std::vector<std::uint32_t> more = derivationSources(box.payload);
                sources.insert(sources.end(), more.begin(), more.end());
            } else if (box.type == fourcc("idat") && !idatStart) {
                idatStart = static_cast<std::size_t>(box.payload.data() - file.data());
            }
        }
        std::ranges::sort(items, {}, &Item::id);
        std::ranges::sort(located, {}, &Location::item);
        for (const Item& item : items) {
            if (item.type != fourcc("grid") && item.type != fourcc("iovl")) {
                continue;
            }
            for (const Location& location :
                 std::ranges::equal_range(located, item.id, {}, &Location::item)) {
                const auto data = itemStart(file, idatStart, location, 18);
                found.largestCanvas = std::max(found.largestCanvas, canvasOf(item.type, data));
            }
        }
        for (const std::uint32_t source : sources) {
            const auto named = std::ranges::equal_range(items, source, {}, &Item::id);
            if (named.empty() || !std::ranges::all_of(named, isPictureType, &Item::type)) {
                found.madeOfNonPicture = true;
            }
        }
    }
    return found;
}

} // namespace platform::heif
