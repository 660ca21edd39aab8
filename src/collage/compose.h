#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
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

// The same composite a band of canvas rows at a time, for a caller that writes the rows as they
// are made: the canvas is never held whole. The layers' pictures must stay where they are while
// it lives; a layer's rows need only be there when a band reads them (pictureRows()).
class Composer {
public:
    // Throws base::Error when size is over the pixel budget.
    Composer(QSize size, const Background& background, const std::vector<Layer>& layers);
    ~Composer();
    Composer(const Composer&) = delete;
    Composer& operator=(const Composer&) = delete;

    QSize size() const;
    // The rows [first, last) of layer `layer`'s picture that canvas rows [top, bottom) show;
    // empty when they show none of it.
    std::pair<int, int> pictureRows(std::size_t layer, int top, int bottom) const;
    // Canvas rows [top, bottom), row `top` at `first` and rows `stride` bytes apart, on the worker
    // pool.
    void run(std::uint8_t* first, qsizetype stride, int top, int bottom) const;

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
    friend QImage compose(QSize, const Background&, const std::vector<Layer>&,
                          const std::function<void(std::size_t)>&);
};

}  // namespace collage
