// One reader from memory, chosen at build time (KADREL_FUZZ_FORMAT).
#include <cstddef>
#include <cstdint>

#include "harness.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::decodeChecked(fuzz::bytesOf(data, size), codecs::Format::KADREL_FUZZ_FORMAT);
    return 0;
}
