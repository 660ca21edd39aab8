#pragma once

#include <QByteArray>
#include <QImage>

#include "codecs/encoded.h"

// Windows bitmaps. Failures throw base::Error with the bare reason; codecs.h adds the context.
namespace codecs::detail {

QImage decodeBmp(const QByteArray& data);

// An uncompressed bottom-up file: 24-bit from BGR888, 8-bit with its palette from Indexed8.
Encoded encodeBmp(const QImage& image);

}  // namespace codecs::detail
