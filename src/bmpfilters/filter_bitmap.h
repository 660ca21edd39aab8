#pragma once

#include <array>
#include <cstdint>

#include <QImage>
#include <QString>

namespace bmpfilters {

// Rows and pixels the window reaches on each side of the current pixel.
inline constexpr int kFilterReach = 5;
inline constexpr int kFilterRows = 2 * kFilterReach + 1;

// The neighbourhood of pixel (x, y): rows[kFilterReach + dy] points at pixel x of row y + dy in its
// buffer (blue, green, red). Pixels up to kFilterReach away in both directions are addressable;
// those outside the picture are zero at first and whatever lands there is thrown away.
struct FilterWindow {
    std::array<std::uint8_t*, kFilterRows> rows{};

    std::uint8_t* pixel(int dx, int dy) const { return rows[kFilterReach + dy] + 3 * dx; }
};

// Computes the output pixel (blue, green, red) for (x, y); may change pixels in the window, which
// is how a pass carries something on to pixels it has not reached yet.
using FilterCallback = void (*)(int x, int y, const FilterWindow& window, std::uint8_t* out, void* context);

// The error for a picture that is not 24 bits per pixel (BGR888).
QString only24BitMessage();

// A new BGR888 picture of the source's size, each pixel computed by the callback, rows top to
// bottom, each row left to right. Throws base::Error only24BitMessage() for other formats.
QImage FilterBitmap(const QImage& source, FilterCallback callback, void* context);

}  // namespace bmpfilters
