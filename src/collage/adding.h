#pragma once

#include <span>

#include <QImage>
#include <QPoint>
#include <QSize>

#include "base/colour.h"
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

// Adding's table work for a new piece (BGR888 `picture`) above the pieces `below`: its rectangle
// at the place placeNewPiece() chooses, its transparent colour (the top-left pixel), and whether
// keep-inside is to be switched off (the caller shows texts::keepInsideOffOnAdd() first). Throws
// base::Error texts::tooManyPieces() when the table is full, before anything is decided.
struct NewPiece {
    Rect rect;
    base::Colour key = 0;
    bool keepInsideOff = false;
};
NewPiece newPiece(std::span<const Rect> below, const QImage& picture, const AddRules& rules);

}  // namespace collage
