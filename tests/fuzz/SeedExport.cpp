// Linked into the libFuzzer programs: with PIXELLO_FUZZ_WRITE_SEEDS=DIR set, the program
// writes its target's seeds into DIR, one file each, and exits. The build does this once
// per target, so libFuzzer starts from well-formed inputs (every PNG colour type, JPEG with
// and without EXIF, ...) instead of having to find a file signature by chance.
#include "fuzz/FuzzTarget.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    const char* dir = std::getenv("PIXELLO_FUZZ_WRITE_SEEDS");
    if (dir == nullptr || dir[0] == '\0') {
        return 0;
    }
    const std::vector<std::string> seeds = fuzzSeeds();
    for (std::size_t i = 0; i < seeds.size(); ++i) {
        const std::string& seed = seeds[i];
        const std::string path = std::string(dir) + "/seed-" + std::to_string(i);
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr || std::fwrite(seed.data(), 1, seed.size(), file) != seed.size() ||
            std::fclose(file) != 0) {
            std::fprintf(stderr, "cannot write the seed %s\n", path.c_str());
            std::exit(1);
        }
    }
    std::printf("%zu seeds written to %s\n", seeds.size(), dir);
    std::exit(0);
}
