#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

namespace base {

// Round to nearest, ties to even (0.5 -> 0, 1.5 -> 2, 2.5 -> 2). Relies on the default
// floating-point rounding mode, which nothing in this program changes.
// The rounded value when the integer type holds it; nothing for a value outside it or not a
// number (a cast of such a value would be undefined).
template <class Int>
std::optional<Int> roundEvenTo(double v) {
    const double r = std::nearbyint(v);
    // Both limits are exact doubles: -2^(n-1) and 2^(n-1).
    constexpr double low = static_cast<double>(std::numeric_limits<Int>::min());
    constexpr double high = -low;
    if (!(r >= low && r < high)) return std::nullopt;
    return static_cast<Int>(r);
}

// The same, throwing base::Error "数値 … は扱える範囲を超えています" outside the type.
std::int64_t roundEven(double v);
int roundEvenInt(double v);

}  // namespace base
