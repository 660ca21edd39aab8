#pragma once

#include <QImage>

namespace bmpfilters {

// The 24-bit (BGR888) source reduced to the static palette with Floyd-Steinberg error diffusion:
// a new Format_Indexed8 picture of the same size whose colour table is the 252 static colours.
// Gives exactly the indexes of FilterBitmap(source, DitherPixel, TQuantizeToStaticColor) mapped
// through the level tables. The source is not changed. Throws base::Error only24BitMessage() for
// other formats.
QImage ReduceToStaticPalette(const QImage& source);

}  // namespace bmpfilters
