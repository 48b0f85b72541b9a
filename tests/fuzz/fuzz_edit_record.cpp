// Feeds arbitrary bytes to the reader of edit records (the side files of history entries)
// (as given, and with the checksum made right) and checks that whatever it takes is written
// back byte for byte: the format has one spelling for each record, so a reader that takes
// more than the writer writes is caught.
#include "Pixello/EditRecord.h"
#include "Pixello/EffectGrid.h"
#include "fuzz/FuzzTarget.h"

#include <string>
#include <vector>
#include <zlib.h>

std::vector<std::string> fuzzSeeds() {
    EffectGrid grid(2, 3);
    grid.bumpInRect({0.1f, 0.2f, 0.5f, 0.5f}, 10.0f, false);
    const EditRecord records[] = {
        {},
        {"A.png", {CropStep{1, 2, 3, 4, 10, 10}}},
        {"B.pngr", {GridStep::of(grid), CropStep{0, 0, 5, 5, 5, 5}}},
    };
    std::vector<std::string> out;
    for (const EditRecord& record : records) {
        const auto bytes = record.encode();
        out.emplace_back(bytes.begin(), bytes.end());
    }
    return out;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> bytes(data, data + size);
    // As given, and with the checksum made right, so that mutations reach the fields.
    for (int pass = 0; pass < 2; ++pass) {
        const auto record = EditRecord::decode(bytes);
        fuzzCheck(!record || record->encode() == bytes);
        if (bytes.size() < 4) {
            break;
        }
        const auto sum = static_cast<std::uint32_t>(
            crc32(0L, bytes.data(), static_cast<uInt>(bytes.size() - 4)));
        for (int i = 0; i < 4; ++i) {
            bytes[bytes.size() - 4 + static_cast<std::size_t>(i)] =
                static_cast<std::uint8_t>(sum >> (8 * i));
        }
    }
    return 0;
}
