#pragma once

#include <span>

#include <QPoint>
#include <QSize>

#include "collage/rect.h"

namespace collage {

// The most pieces the table holds: the count is eight bits wide and must never wrap.
inline constexpr int kMaxPieces = 255;

struct AddRules {
    bool autoSize = true;
    bool keepInside = false;  // "パーツを枠外に出さない"
    int canvasWidth = 0;
    int canvasHeight = 0;
    int screenWidth = 0;
};

struct Placement {
    QPoint position;
    // The new piece sticks out of the canvas while keep-inside is checked and auto size is
    // off: the caller tells the user and switches keep-inside off; the piece stays where it is.
    bool leavesFrame = false;
};

// Where a new piece of `size` goes, given the pieces already in slots 0..n-1 (`below`): right of
// the piece in slot n-1, wrapping to x = 0 at the canvas (or screen) width, then dropped once
// below each piece in the way, in slot order.
Placement placeNewPiece(std::span<const Rect> below, QSize size, const AddRules& rules);

}  // namespace collage
