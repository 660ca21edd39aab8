#pragma once

#include <optional>
#include <span>
#include <vector>

#include <QSize>
#include <QString>

#include "collage/rect.h"

namespace collage {

// The bounding box of all pieces: every piece moves by (dx, dy) so the box starts at (0, 0),
// and the canvas becomes width x height. Empty when there are no pieces (the canvas stays).
struct Fit {
    int dx = 0;
    int dy = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
};
std::optional<Fit> fitBox(std::span<const Rect> pieces);

// Applies a fit's shift to the rectangles.
void shift(std::span<Rect> pieces, int dx, int dy);

// fitClick's work on the table: shifts every piece so that their bounding box starts at (0, 0)
// and returns the canvas size the box makes; nullopt (nothing moves) with no pieces. A box over
// the pixel budget throws base::Error texts::canvasTooLarge() before anything moves.
std::optional<QSize> fitPieces(std::span<Rect> pieces);

// Slot numbers of the pieces whose right (or bottom) edge lies beyond the new canvas width
// (or height), in slot order.
std::vector<int> beyondRight(std::span<const Rect> pieces, int canvasWidth);
std::vector<int> beyondBottom(std::span<const Rect> pieces, int canvasHeight);

}  // namespace collage
