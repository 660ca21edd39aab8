#pragma once

#include <vector>

#include <QPoint>
#include <QSize>

#include "collage/rect.h"

namespace collage {

// A line a dragged piece lined up with. Its place is kept in doubled canvas coordinates so that
// the centre line of an odd size (half a pixel) stays a whole number: the line stands at
// doubled ÷ 2 canvas pixels.
struct Guide {
    bool vertical = false;  // a vertical line matches on x, a horizontal one on y
    long long doubled = 0;
    friend bool operator==(const Guide&, const Guide&) = default;
};

struct Snap {
    QPoint position;            // the moving piece's top-left corner after snapping
    std::vector<Guide> guides;  // vertical lines first, then horizontal, each in increasing order
};

// How close, in canvas pixels, a line must come to catch: 8 screen pixels at `zoom` screen
// pixels per canvas pixel, at least 1.
double snapThreshold(double zoom);

// Snaps `moving` (its rectangle at the requested position) so that one of its edges or centre
// lines lands on an edge or centre line of one of `others` or of the canvas, on each axis
// independently, when the nearest such line lies within `threshold` canvas pixels. A centre line
// between two pixels cannot always be met exactly by whole-pixel moves: the piece then stops
// half a pixel before it (toward the left or the top). Of two targets equally near, the one that
// moves the piece left or up wins, so the result never depends on the order of `others`.
Snap snapPiece(const Rect& moving, const std::vector<Rect>& others, QSize canvas, double threshold);

}  // namespace collage
