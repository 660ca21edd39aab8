#pragma once

#include <array>
#include <cstdint>

#include <QList>
#include <QRgb>

namespace bmpfilters {

// The fixed GIF palette: 6 levels of red, 7 of green, 6 of blue; index = r * 42 + g * 6 + b.
inline constexpr int kStaticPaletteSize = 252;
inline constexpr std::array<std::uint8_t, 6> kRedValues = {0, 51, 102, 153, 204, 255};
inline constexpr std::array<std::uint8_t, 7> kGreenValues = {0, 43, 85, 128, 171, 214, 255};
inline constexpr std::array<std::uint8_t, 6> kBlueValues = {0, 51, 102, 153, 204, 255};

constexpr int staticIndex(int redLevel, int greenLevel, int blueLevel) {
    return redLevel * 42 + greenLevel * 6 + blueLevel;
}

// Channel value -> level, by runs; every level value falls in its own run.
struct LevelTables {
    std::array<std::uint8_t, 256> red{};
    std::array<std::uint8_t, 256> green{};
    std::array<std::uint8_t, 256> blue{};
};

struct StaticTables {
    LevelTables levels;
    QList<QRgb> palette;  // 252 opaque entries, index 0 black, 251 white
};

// Built on the first call and kept for the program's life.
const StaticTables& staticTables();

// Builds the tables; the program calls it once at start-up so no reduction pays for it.
void initStaticPalette();

inline const LevelTables& levelTables() {
    return staticTables().levels;
}
inline const QList<QRgb>& staticPalette() {
    return staticTables().palette;
}

}  // namespace bmpfilters
