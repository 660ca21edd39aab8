#pragma once

#include <QByteArray>
#include <QImage>

// PNG through libpng. Failures throw base::Error with the bare reason (libpng's own text kept).
namespace codecs::detail {

// Alpha is drawn over black, 16-bit samples are scaled to 8, gamma chunks are not applied.
QImage decodePng(const QByteArray& data);

// libpng's default settings: 24-bit RGB from BGR888, a palette PNG from Indexed8.
QByteArray encodePng(const QImage& image);

}  // namespace codecs::detail
