#pragma once

#include <QByteArray>
#include <QImage>

#include "codecs/photo.h"

// WebP through libwebp. Failures throw base::Error with the bare reason (libwebp's status kept).
namespace codecs::detail {

// The largest side libwebp writes.
inline constexpr int kMaxWebpSide = 16383;

// A still picture, or the first frame of an animation composed on its canvas; with its ICCP
// profile and Exif orientation.
Decoded decodeWebp(const QByteArray& data);

// From a BGR888 picture: lossless at quality 100, lossy at that quality otherwise (1..100).
QByteArray encodeWebp(const QImage& bgr, int quality);

}  // namespace codecs::detail
