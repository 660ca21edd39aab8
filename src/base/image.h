#pragma once

#include <cstdint>

#include <QImage>
#include <QSize>

#include "base/colour.h"

namespace base {

// One budget for every picture the program holds: each side 1..65535 and at most 2^27 pixels.
// That admits 108-megapixel phone photos and keeps the few copies an edit holds near 2 GiB.
inline constexpr std::int64_t kMaxSide = 65535;
inline constexpr std::int64_t kMaxPixels = std::int64_t{1} << 27;

bool sizeAllowed(std::int64_t width, std::int64_t height);

// Throws base::Error naming the size when sizeAllowed() is false.
void checkSize(std::int64_t width, std::int64_t height);

// A new 24-bit picture (Format_BGR888), checked against the budget, filled with colour.
QImage makeBgr(int width, int height, Colour fill = 0);

// A new 8-bit picture (Format_Indexed8) with no colour table yet, checked like makeBgr.
QImage makeIndexed(int width, int height);

// The picture as 24 bits (BGR888); alpha is dropped (drawn over black, as a bitmap holds it).
QImage toBgr(const QImage& image);

// Pixel (x, y) of a BGR888 picture.
inline Colour pixelAt(const QImage& bgr, int x, int y) {
    return fromBgr(bgr.constScanLine(y) + 3 * x);
}

inline void setPixel(QImage& bgr, int x, int y, Colour c) {
    std::uint8_t* p = bgr.scanLine(y) + 3 * x;
    p[0] = blue(c);
    p[1] = green(c);
    p[2] = red(c);
}

}  // namespace base
