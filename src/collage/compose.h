#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include <QImage>
#include <QPoint>
#include <QSize>

#include "base/colour.h"
#include "collage/background.h"

namespace collage {

// One piece as composition sees it, in layer order (first = bottom).
struct Layer {
    const QImage* picture = nullptr;  // BGR888
    QPoint topLeft;                   // canvas position; may be negative or beyond the canvas
    bool transparent = false;         // when set, pixels exactly equal to `key` are left out
    base::Colour key = 0;
};

// The composite: a canvas of `size` filled with `background` (as fillBackground() fills it) with
// every layer drawn over it in order, opaque or with its exact colour key, clipped to the canvas.
// The background is written only where no opaque layer covers it; no full background is made.
// Throws base::Error when size is over the pixel budget or memory runs out.
QImage compose(QSize size, const Background& background, const std::vector<Layer>& layers);

// The same for a caller that lets the pictures go as they are drawn: `drawn(i)` is called once
// for every layer i, as soon as compose no longer reads its picture (at once for a layer off
// the canvas or without a picture), in the order their last rows are drawn. Releasing the
// picture there keeps the canvas and all the pieces from being held at once.
QImage compose(QSize size, const Background& background, const std::vector<Layer>& layers,
               const std::function<void(std::size_t)>& drawn);

// The same over a ready background picture, which gives the canvas its size.
QImage compose(const QImage& background, const std::vector<Layer>& layers);

}  // namespace collage
