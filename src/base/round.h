#pragma once

#include <cmath>
#include <cstdint>

namespace base {

// Round to nearest, ties to even (0.5 -> 0, 1.5 -> 2, 2.5 -> 2). Relies on the default
// floating-point rounding mode, which nothing in this program changes.
inline std::int64_t roundEven(double v) {
    return static_cast<std::int64_t>(std::nearbyint(v));
}

inline int roundEvenInt(double v) {
    return static_cast<int>(std::nearbyint(v));
}

}  // namespace base
