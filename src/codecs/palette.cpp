#include "codecs/palette.h"

#include <algorithm>
#include <cstdint>

namespace codecs::detail {

int paletteEntriesNeeded(const QImage& indexed) {
    const int width = indexed.width();
    std::uint8_t highest = 0;
    for (int y = 0; y < indexed.height() && highest != 255; ++y) {
        const std::uint8_t* row = indexed.constScanLine(y);
        for (int x = 0; x < width; ++x) highest = std::max(highest, row[x]);
    }
    return std::max(static_cast<int>(indexed.colorCount()), highest + 1);
}

QList<QRgb> paddedPalette(const QImage& indexed, int entries) {
    QList<QRgb> table = indexed.colorTable();
    table.resize(entries, qRgb(0, 0, 0));
    return table;
}

}  // namespace codecs::detail
