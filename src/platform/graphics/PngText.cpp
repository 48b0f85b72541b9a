#include "platform/graphics/PngText.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <zlib.h>

namespace platform {

namespace {

constexpr std::array<std::uint8_t, 8> kSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
// A chunk is its length (4 bytes), type (4), data and CRC (4).
constexpr std::size_t kChunkOverhead = 12;
constexpr std::size_t kHeaderDataLength = 13;
// PNG limits chunk lengths to 2^31 - 1.
constexpr std::uint32_t kMaxChunkLength = 0x7fffffffu;
constexpr std::size_t kMaxKeyword = 79;

std::uint32_t readBigEndian(const std::uint8_t* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
           std::uint32_t(p[3]);
}

void appendBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.insert(out.end(), {std::uint8_t(value >> 24), std::uint8_t(value >> 16),
                           std::uint8_t(value >> 8), std::uint8_t(value)});
}

// The CRC covers the chunk's type and data.
std::uint32_t chunkCrc(const std::uint8_t* typeAndData, std::size_t length) {
    return static_cast<std::uint32_t>(
        ::crc32(::crc32(0L, Z_NULL, 0), typeAndData, static_cast<uInt>(length)));
}

bool hasSignature(std::span<const std::uint8_t> png) {
    return png.size() >= kSignature.size() &&
           std::equal(kSignature.begin(), kSignature.end(), png.begin());
}

bool isType(const std::uint8_t* type, std::string_view name) {
    return std::equal(name.begin(), name.end(), type);
}

} // namespace

std::expected<std::vector<std::uint8_t>, Error> PngText::insert(std::span<const std::uint8_t> png,
                                                                std::span<const Entry> entries) {
    const std::size_t headerEnd = kSignature.size() + kChunkOverhead + kHeaderDataLength;
    if (!hasSignature(png) || png.size() < headerEnd ||
        readBigEndian(png.data() + 8) != kHeaderDataLength || !isType(png.data() + 12, "IHDR")) {
        return failure("the data is not a PNG picture");
    }
    std::vector<std::uint8_t> out(png.begin(), png.begin() + std::ptrdiff_t(headerEnd));
    for (const Entry& entry : entries) {
        if (entry.keyword.empty() || entry.keyword.size() > kMaxKeyword ||
            entry.keyword.find('\0') != std::string::npos ||
            entry.text.find('\0') != std::string::npos ||
            entry.keyword.size() + 1 + entry.text.size() > kMaxChunkLength) {
            return failure("'" + entry.keyword + "' cannot be kept in a PNG text chunk");
        }
        const std::size_t start = out.size();
        appendBigEndian(out,
                        static_cast<std::uint32_t>(entry.keyword.size() + 1 + entry.text.size()));
        out.insert(out.end(), {'t', 'E', 'X', 't'});
        out.insert(out.end(), entry.keyword.begin(), entry.keyword.end());
        out.push_back(0);
        out.insert(out.end(), entry.text.begin(), entry.text.end());
        appendBigEndian(out, chunkCrc(out.data() + start + 4, out.size() - start - 4));
    }
    out.insert(out.end(), png.begin() + std::ptrdiff_t(headerEnd), png.end());
    return out;
}

std::vector<PngText::Entry> PngText::read(std::span<const std::uint8_t> png) {
    std::vector<Entry> entries;
    if (!hasSignature(png)) {
        return entries;
    }
    std::size_t at = kSignature.size();
    // Every step moves at least one chunk's overhead on, within the bytes there are.
    while (png.size() - at >= kChunkOverhead) {
        const std::uint32_t length = readBigEndian(png.data() + at);
        if (length > kMaxChunkLength || length > png.size() - at - kChunkOverhead) {
            break;
        }
        const std::uint8_t* type = png.data() + at + 4;
        const std::uint8_t* data = type + 4;
        if (isType(type, "IEND")) {
            break;
        }
        if (isType(type, "tEXt") && readBigEndian(data + length) == chunkCrc(type, 4 + length)) {
            const std::string_view text(reinterpret_cast<const char*>(data), length);
            const std::size_t zero = text.find('\0');
            if (zero != std::string_view::npos && zero >= 1 && zero <= kMaxKeyword) {
                entries.push_back(
                    {std::string(text.substr(0, zero)), std::string(text.substr(zero + 1))});
            }
        }
        at += kChunkOverhead + length;
    }
    return entries;
}

} // namespace platform
