#pragma once

// Small pieces the pass files share. Only for files compiled with -ffp-contract=off.

#include <cstdint>
#include <optional>
#include <vector>

#include <QImage>
#include <QSize>

#include "base/colour.h"
#include "zoom/simd.h"

namespace zoom::detail {

// The source as a pass reads it: BGR888, the first byte of every row by row (rows are read out of
// order), and the reader of the vector paths when they run.
struct Source {
    QImage picture;
    std::vector<const std::uint8_t*> rows;
#if KADREL_X86_64_VECTORS
    std::optional<PixelReader> vectorRead;
#endif
};

// Throws as bgrSource does.
Source passSource(const QImage& picture);

// A new BGR888 picture of `size`, checked against the budget and left unwritten: the passes write
// every pixel once, which also spares a large picture's memory a second pass.
QImage blankPicture(QSize size);

// Round to nearest, ties to even, for |v| < 2^51: adding and taking away 1.5 × 2^52 leaves the
// value rounded by the current (default) rounding mode, without -ffast-math. Cheaper than a call
// to nearbyint, and it vectorises.
inline double roundHalfEven(double v) {
    constexpr double kShift = 6755399441055744.0;
    return (v + kShift) - kShift;
}

// The channel byte of a value that may leave 0..255 (three-neighbour planes, a light weight).
inline std::uint8_t channelByte(double v) {
    const double r = roundHalfEven(v);
    return static_cast<std::uint8_t>(r < 0 ? 0 : r > 255 ? 255 : r);
}

inline bool sameColour(const std::uint8_t* bgr, base::Colour c) {
    return bgr[0] == base::blue(c) && bgr[1] == base::green(c) && bgr[2] == base::red(c);
}

inline void putColour(std::uint8_t* bgr, base::Colour c) {
    bgr[0] = base::blue(c);
    bgr[1] = base::green(c);
    bgr[2] = base::red(c);
}

}  // namespace zoom::detail
