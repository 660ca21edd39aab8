#include "zoom/simd.h"

namespace zoom::detail {

namespace {

bool& vectorSwitch() {
    static bool on = __builtin_cpu_supports("avx2");
    return on;
}

}  // namespace

bool vectorPaths() {
    return vectorSwitch();
}

void setVectorPaths(bool on) {
    vectorSwitch() = on && __builtin_cpu_supports("avx2");
}

}  // namespace zoom::detail
