#pragma once

#include <QByteArray>
#include <QImage>

#include "codecs/encoded.h"

// JPEG through libjpeg. Failures throw base::Error with the bare reason (libjpeg's own text kept).
namespace codecs::detail {

// Progressive files with more scans than this are refused: each scan re-reads the whole picture.
inline constexpr int kMaxJpegScans = 1000;

QImage decodeJpeg(const QByteArray& data);

// A sequential colour JPEG from a BGR888 picture: the library's defaults, float DCT, quality with
// baseline tables. quality must already be within 1..100.
Encoded encodeJpeg(const QImage& bgr, int quality);

}  // namespace codecs::detail
