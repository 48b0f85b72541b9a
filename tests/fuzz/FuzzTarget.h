#pragma once

#include "ZevkoCore/ZVKApplicationModel.h"
#include "platform/base/Paths.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

// What a fuzz target defines: libFuzzer calls the first; the second gives well-formed
// examples to start the mutations from.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
std::vector<std::string> fuzzSeeds();

// A broken invariant stops the run, so that libFuzzer and the driver keep the input.
inline void fuzzCheck(bool sound) {
    if (!sound) {
        std::abort();
    }
}

// A fresh documents folder for a target's files, removed again at the end: in memory where
// /dev/shm exists (flushes to disk cost nothing there, and a crash is simulated, not real),
// else under $PIXELLO_TEST_TMP or /tmp.
struct FuzzDocuments {
    FuzzDocuments() {
        const char* base = std::getenv("PIXELLO_TEST_TMP");
        const std::filesystem::path root = std::filesystem::is_directory("/dev/shm") ? "/dev/shm"
                                           : (base != nullptr && base[0] != '\0')    ? base
                                                                                     : "/tmp";
        std::string pattern = (root / "pixello-fuzz-XXXXXX").string();
        fuzzCheck(::mkdtemp(pattern.data()) != nullptr);
        dir = pattern;
        platform::Paths::setDocumentsDirectory(dir);
        storage = *ZVKApplicationModel::storagePath();
    }
    ~FuzzDocuments() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    std::filesystem::path dir;
    std::string storage;
};
