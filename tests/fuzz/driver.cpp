// Runs a fuzz target without libFuzzer: a seeded stream of random and mutated inputs, so that
// every build exercises the target the same way. Usage: fuzz_xxx [iterations]
#include "fuzz/FuzzTarget.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::string;

const char* const kTokens[] = {"\n", "\n\n",       "-1",          "0",     "..",
                               ".",  "/",          "\r\n",        "1e999", "nan",
                               "\0", "2147483648", "-2147483649", "\xff",  "\xc3",
                               " ",  "\t",         ".png",        ".pngr", "99999999999999999999"};

Bytes mutate(Bytes input, std::mt19937_64& rng, const std::vector<Bytes>& pool) {
    const auto pick = [&](std::size_t n) {
        return static_cast<std::size_t>(rng() % (n == 0 ? 1 : n));
    };
    const int steps = 1 + static_cast<int>(rng() % 4);
    for (int s = 0; s < steps; ++s) {
        switch (rng() % 7) {
        case 0: // flip a bit
            if (!input.empty()) {
                input[pick(input.size())] ^= static_cast<char>(1u << (rng() % 8));
            }
            break;
        case 1: // insert a random byte
            input.insert(input.begin() + static_cast<std::ptrdiff_t>(pick(input.size() + 1)),
                         static_cast<char>(rng()));
            break;
        case 2: // erase a range
            if (!input.empty()) {
                const std::size_t at = pick(input.size());
                input.erase(at, 1 + pick(input.size() - at));
            }
            break;
        case 3: { // insert a token
            const std::string token = std::string(kTokens[pick(std::size(kTokens))]);
            input.insert(pick(input.size() + 1), token.empty() ? std::string(1, '\0') : token);
            break;
        }
        case 4: // duplicate a range
            if (!input.empty()) {
                const std::size_t at = pick(input.size());
                input.insert(pick(input.size() + 1), input.substr(at, 1 + pick(16)));
            }
            break;
        case 5: // splice with another input
            if (!pool.empty()) {
                const Bytes& other = pool[pick(pool.size())];
                input =
                    input.substr(0, pick(input.size() + 1)) + other.substr(pick(other.size() + 1));
            }
            break;
        default: // overwrite a byte with a digit or a line feed
            if (!input.empty()) {
                input[pick(input.size())] = "0123456789\n-."[pick(13)];
            }
            break;
        }
    }
    if (input.size() > 4096) {
        input.resize(4096);
    }
    return input;
}

} // namespace

int main(int argc, char** argv) {
    const long iterations = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 10000;
    std::mt19937_64 rng(0x5049584Cu);
    std::vector<Bytes> pool = {Bytes()};
    const std::vector<Bytes> seeds = fuzzSeeds();
    pool.insert(pool.end(), seeds.begin(), seeds.end());
    for (const Bytes& seed : std::vector<Bytes>(pool)) {
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(seed.data()), seed.size());
    }
    for (long i = 0; i < iterations; ++i) {
        Bytes input;
        if (rng() % 8 == 0) {
            input.resize(rng() % 256);
            for (char& c : input) {
                c = static_cast<char>(rng());
            }
        } else {
            input = mutate(pool[rng() % pool.size()], rng, pool);
        }
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
        if (pool.size() < 512 && rng() % 4 == 0) {
            pool.push_back(std::move(input));
        }
    }
    std::printf("%ld inputs\n", iterations);
    return 0;
}
