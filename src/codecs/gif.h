#pragma once

#include <QByteArray>
#include <QImage>

#include "codecs/encoded.h"

// GIF: read through giflib; written by our own LZW coder, which gives the bytes giflib would.
// Failures throw base::Error with the bare reason (giflib's own text kept when reading).
namespace codecs::detail {

// The first frame drawn on its logical screen.
QImage decodeGif(const QByteArray& data);

// One frame from an Indexed8 picture, keeping its palette (padded to a power of two).
Encoded encodeGif(const QImage& indexed);

}  // namespace codecs::detail
