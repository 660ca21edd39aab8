#pragma once

#include <cstdint>

namespace base {

// 0x00BBGGRR: red in the low byte. Two colours are equal only when all three bytes are.
using Colour = std::uint32_t;

constexpr Colour rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return Colour{r} | (Colour{g} << 8) | (Colour{b} << 16);
}
constexpr std::uint8_t red(Colour c) {
    return static_cast<std::uint8_t>(c & 0xFF);
}
constexpr std::uint8_t green(Colour c) {
    return static_cast<std::uint8_t>((c >> 8) & 0xFF);
}
constexpr std::uint8_t blue(Colour c) {
    return static_cast<std::uint8_t>((c >> 16) & 0xFF);
}

// From a 24-bit pixel as it lies in memory (blue, green, red).
constexpr Colour fromBgr(const std::uint8_t* p) {
    return rgb(p[2], p[1], p[0]);
}

// From Qt's 0xAARRGGBB.
constexpr Colour fromQRgb(std::uint32_t argb) {
    return rgb(static_cast<std::uint8_t>((argb >> 16) & 0xFF), static_cast<std::uint8_t>((argb >> 8) & 0xFF),
               static_cast<std::uint8_t>(argb & 0xFF));
}
constexpr std::uint32_t toQRgb(Colour c) {
    return 0xFF000000u | (std::uint32_t{red(c)} << 16) | (std::uint32_t{green(c)} << 8) | blue(c);
}

}  // namespace base
