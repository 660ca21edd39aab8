#pragma once

#include <memory>

#include <QByteArray>
#include <QImage>
#include <QSize>

#include "codecs/encoded.h"
#include "codecs/photo.h"
#include "codecs/rows.h"

// PNG through libpng; 24-bit files are written here, their rows deflated with libdeflate. Failures
// throw base::Error with the bare reason (libpng's own text kept).
namespace codecs::detail {

// Alpha is drawn over black, 16-bit samples are scaled to 8; colours are converted to sRGB by the
// iCCP chunk, or by cHRM and gAMA where there is no profile (not where sRGB says it is sRGB).
// The picture comes as stored, with the orientation of its eXIf chunk for finish().
Decoded decodePng(const QByteArray& data);

// 24-bit RGB from BGR888, each row's filter chosen as libpng chooses it by default; a palette PNG
// from Indexed8, its rows not filtered; with an sRGB chunk, since the program's pictures are sRGB.
Encoded encodePng(const QImage& image);

// The same file for a 24-bit picture of `size` fed a band of rows at a time: full bands of rows
// are filtered and deflated on worker threads while the next rows come, a few at most at once.
std::unique_ptr<RowWriter> pngRowWriter(QSize size);

}  // namespace codecs::detail
