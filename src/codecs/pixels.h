#pragma once

#include <cstdint>

namespace codecs::detail {

// v ÷ 255 rounded to nearest, exact for every product of two bytes.
inline std::uint8_t div255(unsigned v) {
    return static_cast<std::uint8_t>((v + 128 + ((v + 128) >> 8)) >> 8);
}

// The one rule for pictures with alpha, whatever their format: drawn over black, as a bitmap
// without alpha holds them. Blue-green-red-alpha pixels to blue-green-red.
inline void bgraOverBlack(const std::uint8_t* bgra, std::uint8_t* bgr, std::uint32_t width) {
    for (std::uint32_t x = 0; x < width; ++x, bgra += 4, bgr += 3) {
        const unsigned a = bgra[3];
        bgr[0] = div255(bgra[0] * a);
        bgr[1] = div255(bgra[1] * a);
        bgr[2] = div255(bgra[2] * a);
    }
}

}  // namespace codecs::detail
