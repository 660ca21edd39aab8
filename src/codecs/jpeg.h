#pragma once

#include <memory>

#include <QByteArray>
#include <QImage>
#include <QSize>

#include "codecs/encoded.h"
#include "codecs/rows.h"

// JPEG through libjpeg. Failures throw base::Error with the bare reason (libjpeg's own text kept).
namespace codecs::detail {

// Progressive files with more scans than this are refused: each scan re-reads the whole picture.
inline constexpr int kMaxJpegScans = 1000;
// Each scan of a progressive file passes over every coefficient of the picture, so the work grows
// with scans × pixels: a file is stopped when the scan about to start would take it past this
// (about two seconds of decoding). 32 scans of the largest picture the budget admits fit; the
// usual progressive files have about 10.
inline constexpr long long kMaxJpegScanPixels = 1LL << 32;

QImage decodeJpeg(const QByteArray& data);

// A sequential colour JPEG from a BGR888 picture: the library's defaults, float DCT, quality with
// baseline tables. quality must already be within 1..100.
Encoded encodeJpeg(const QImage& bgr, int quality);

// The same file for a picture of `size` fed a band of rows at a time.
std::unique_ptr<RowWriter> jpegRowWriter(QSize size, int quality);

}  // namespace codecs::detail
