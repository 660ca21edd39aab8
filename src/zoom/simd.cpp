#include "zoom/simd.h"

#include "zoom/vector_paths.h"

namespace zoom::detail {

namespace {

// Whether the processor runs the vector paths; never where the build has none.
bool vectorsAvailable() {
#if KADREL_X86_64_VECTORS
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

bool& vectorSwitch() {
    static bool on = vectorsAvailable();
    return on;
}

}  // namespace

bool vectorPaths() {
    return vectorSwitch();
}

void setVectorPaths(bool on) {
    vectorSwitch() = on && vectorsAvailable();
}

}  // namespace zoom::detail
