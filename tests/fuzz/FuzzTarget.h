#pragma once

#include <cstddef>
#include <cstdint>

// What a fuzz target defines. libFuzzer calls the first; a target may offer well-formed
// examples to start the mutations from through the other two (weak, so a target without
// seeds still links with the driver).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" __attribute__((weak)) std::size_t PixelloFuzzSeedCount();
extern "C" __attribute__((weak)) const char* PixelloFuzzSeed(std::size_t index, std::size_t* size);
