#pragma once

#include <vector>

#include <QImage>
#include <QPoint>

#include "base/colour.h"

namespace collage {

// One piece as composition sees it, in layer order (first = bottom).
struct Layer {
    const QImage* picture = nullptr;  // BGR888
    QPoint topLeft;                   // canvas position; may be negative or beyond the canvas
    bool transparent = false;         // when set, pixels exactly equal to `key` are left out
    base::Colour key = 0;
};

// The composite: the filled canvas `background` (BGR888) with every layer drawn over it in order,
// opaque or with its exact colour key, clipped to the canvas.
QImage compose(const QImage& background, const std::vector<Layer>& layers);

}  // namespace collage
