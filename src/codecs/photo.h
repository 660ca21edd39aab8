#pragma once

#include <QByteArray>
#include <QImage>

#include "codecs/colour.h"

// What a reader of photo formats hands on: the stored pixels with what the file says about them.
namespace codecs::detail {

struct Decoded {
    QImage picture;       // Format_BGR888, or Format_ARGB32 (not premultiplied) with alpha
    ColourSource colour;  // sRGB when empty; a reader that converted already leaves it empty
    int orientation = 1;  // Exif orientation, 1..8
};

// The picture the program holds: colours turned into sRGB, alpha drawn over black, turned
// upright, and checked against the budget in its upright size. BGR888.
QImage finish(Decoded decoded);

}  // namespace codecs::detail
