#pragma once

#include <optional>
#include <span>
#include <vector>

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

// Slot numbers of the pieces whose right (or bottom) edge lies beyond the new canvas width
// (or height), in slot order.
std::vector<int> beyondRight(std::span<const Rect> pieces, int canvasWidth);
std::vector<int> beyondBottom(std::span<const Rect> pieces, int canvasHeight);

}  // namespace collage
