#pragma once

#include <QByteArray>
#include <QImage>

// GIF through giflib. Failures throw base::Error with the bare reason (giflib's own text kept).
namespace codecs::detail {

// The first frame drawn on its logical screen.
QImage decodeGif(const QByteArray& data);

// One frame from an Indexed8 picture, keeping its palette (padded to a power of two).
QByteArray encodeGif(const QImage& indexed);

}  // namespace codecs::detail
