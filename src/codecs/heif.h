#pragma once

#include <QByteArray>

#include "codecs/photo.h"

// HEIC/HEIF and AVIF through libheif. Failures throw base::Error with the bare reason (libheif's
// own text kept).
namespace codecs::detail {

// The primary picture, turned and cut by the file's own transformations (libheif applies them,
// so the orientation is left at 1), with its colour profile (ICC or colour primaries).
Decoded decodeHeif(const QByteArray& data);

}  // namespace codecs::detail
