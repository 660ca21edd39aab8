#pragma once

#include <QImage>
#include <QSize>

#include "base/colour.h"

namespace collage {

// The canvas background: a plain colour, or a picture tiled from the canvas's top-left corner.
struct Background {
    base::Colour colour = 0;
    QImage picture;  // BGR888; used when not null
};

// Fills a 24-bit bitmap of `size` with the background: pixel (x, y) takes the picture's pixel
// (x mod pw, y mod ph), or the colour. Throws base::Error when size is over the pixel budget.
QImage fillBackground(QSize size, const Background& background);

}  // namespace collage
