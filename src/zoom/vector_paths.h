#pragma once

namespace zoom::detail {

// Whether the passes take their AVX2 paths: when the build has them (x86-64 without
// KADREL_SCALAR), the processor has AVX2 and setVectorPaths has not switched them off. Both paths
// give the same bits; tests compare them.
bool vectorPaths();
void setVectorPaths(bool on);

}  // namespace zoom::detail
