// Feeds arbitrary bytes to everything that reads the storage file: the digest framing, the
// UTF-8 check and the editor's payload parser, both directly and through a storage file on
// disk (as a main file, and with a correct digest so that the parser is reached).
#include "Pixello/PixelloModel.h"
#include "ZevkoCore/ZVKMD5.h"
#include "ZevkoCore/ZVKString.h"
#include "fuzz/FuzzTarget.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace {

const char* const kSeeds[] = {
    "0\n-1\n0.110000\n28.000000\n10.000000\n10.000000\n",
    ("2\n1\n0A1B2C3D-0000-4000-8000-000000000001.pngr\n0A1B2C3D-0000-4000-8000-000000000002.png\n"
     "0.110000\n28.000000\n10.000000\n10.000000\n"),
    "1\n0\nA.png\n0.2\n50\n15\n5\n",
};

struct Harness : FuzzDocuments {
    // Truncating an existing file makes ext4 flush it to disk; a new file each time does not.
    void writeStorage(const std::string& text) const {
        std::remove(storage.c_str());
        std::FILE* f = std::fopen(storage.c_str(), "wb");
        if (f != nullptr) {
            std::fwrite(text.data(), 1, text.size(), f);
            std::fclose(f);
        }
    }

    std::unique_ptr<PixelloModel> model = std::make_unique<PixelloModel>();
};

} // namespace

std::vector<std::string> fuzzSeeds() {
    return {std::begin(kSeeds), std::end(kSeeds)};
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Harness h;
    const std::string text(reinterpret_cast<const char*>(data), size);

    ZVKMD5ExtractMD5FromString(text);
    ZVKMD5ExtractDataFromString(text);
    ZVKMD5CheckConsistence(text);
    ZVKStringIsValidUTF8(text);
    ZVKStringReverse(text);

    // Whatever the parser accepts must stay inside its own invariants.
    PixelloModel& model = *h.model;
    if (model.loadFromData(text)) {
        const auto& names = model.imageFileNames();
        const int current = model.currentImage();
        const bool sound = names.empty()
                               ? current == -1
                               : current >= 0 && static_cast<std::size_t>(current) < names.size();
        for (const std::string& name : names) {
            fuzzCheck(PixelloModel::isValidImageFileName(name));
        }
        fuzzCheck(sound);
        // What was accepted saves and loads back to the same payload.
        const std::string saved = model.saveToData();
        fuzzCheck(model.loadFromData(saved) && model.saveToData() == saved);
    }

    // Through the file: once as it is, once framed with its correct digest.
    h.writeStorage(text);
    model.loadFromStorageFile(h.storage);
    h.writeStorage(text + ZVKMD5ForString(text));
    model.loadFromStorageFile(h.storage);
    return 0;
}
