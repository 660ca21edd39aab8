#pragma once

#include <QImage>

namespace codecs::detail {

// How many palette entries an Indexed8 picture needs written out: its colour table, extended
// (with black) to cover the highest index its pixels use, so no reader meets an index past the end.
int paletteEntriesNeeded(const QImage& indexed);

// The picture's colour table extended to `entries` colours with black (0xAARRGGBB values).
QList<QRgb> paddedPalette(const QImage& indexed, int entries);

}  // namespace codecs::detail
