#include "bmpfilters/static_palette.h"

#include <cstddef>

namespace bmpfilters {

namespace {

// The runs are not centred on the level values (230 belongs to 204, not 255), so they are
// written out rather than derived from the nearest level.
constexpr std::array<int, 6> kRedBlueRuns = {26, 51, 51, 51, 52, 25};
constexpr std::array<int, 7> kGreenRuns = {22, 42, 43, 43, 43, 41, 22};

template <std::size_t N>
void fillByRuns(std::array<std::uint8_t, 256>& table, const std::array<int, N>& runs) {
    int value = 0;
    for (std::size_t level = 0; level < N; ++level)
        for (int i = 0; i < runs[level]; ++i) table[value++] = static_cast<std::uint8_t>(level);
}

StaticTables build() {
    StaticTables t;
    fillByRuns(t.levels.red, kRedBlueRuns);
    fillByRuns(t.levels.green, kGreenRuns);
    fillByRuns(t.levels.blue, kRedBlueRuns);
    t.palette.resize(kStaticPaletteSize);
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 7; ++g)
            for (int b = 0; b < 6; ++b)
                t.palette[staticIndex(r, g, b)] = qRgb(kRedValues[r], kGreenValues[g], kBlueValues[b]);
    return t;
}

}  // namespace

const StaticTables& staticTables() {
    static const StaticTables tables = build();
    return tables;
}

void initStaticPalette() {
    static_cast<void>(staticTables());
}

}  // namespace bmpfilters
