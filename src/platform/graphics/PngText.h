#pragma once

#include "platform/base/Error.h"

#include <cstdint>
#include <expected>
#include <span>
#include <string>
#include <vector>

namespace platform {

// The text chunks (tEXt) of a PNG file, written into and read from its encoded bytes
// without decoding the picture: the shared thumbnail cache keeps what a thumbnail was made
// from in them.
class PngText {
public:
    struct Entry {
        std::string keyword;
        std::string text;
        friend bool operator==(const Entry&, const Entry&) = default;
    };

    // `png` with a tEXt chunk for every entry right after its header chunk. Fails for bytes
    // that do not start with a PNG signature and header, or an entry PNG cannot carry: a
    // keyword of 1–79 bytes, neither holding a zero byte.
    static std::expected<std::vector<std::uint8_t>, Error> insert(std::span<const std::uint8_t> png,
                                                                  std::span<const Entry> entries);
    // Every intact tEXt chunk up to the end chunk, in file order. Damaged or truncated
    // bytes give what was found before the damage; chunks whose checksum is wrong are
    // skipped.
    static std::vector<Entry> read(std::span<const std::uint8_t> png);
};

} // namespace platform
