#pragma once

#include <span>

#include <QPoint>
#include <QString>

#include "collage/rect.h"

namespace collage {

// The two placement options and the canvas they refer to.
struct Rules {
    bool noOverlap = false;   // "パーツを重ねない"
    bool keepInside = false;  // "パーツを枠外に出さない"
    int canvasWidth = 0;
    int canvasHeight = 0;
};

// A mouse or cursor-key move of the current piece: `pieces` are the slots as recorded (the
// current slot `current` is skipped), `pick` is where the current piece stands now with its
// size, `requested` where it is asked to go. Clamps inside, pushes flush against the pieces it
// enters, and refuses (returns pick's own place) when the push leaves it outside or overlapping.
QPoint moveRule(std::span<const Rect> pieces, int current, const Rect& pick, QPoint requested,
                const Rules& rules);

// A typed left (horizontal) or top (vertical): clamped inside, then pushed back toward the old
// place at each piece it would overlap; never passes the old place, never validated.
int typedLeftRule(std::span<const Rect> pieces, int current, const Rect& pick, int typed, const Rules& rules);
int typedTopRule(std::span<const Rect> pieces, int current, const Rect& pick, int typed, const Rules& rules);

// "0/1, 0/3が重なっています。", or empty when no two pieces overlap.
QString overlapReport(std::span<const Rect> pieces);
// "0,2が枠外に出ています。", or empty when every piece is inside.
QString outsideReport(std::span<const Rect> pieces, int canvasWidth, int canvasHeight);

// After a drag step that a rule changed: where the anchor goes. `pointer` is the pointer
// relative to the piece as it stood before the step (size from pick); `now` the new place.
struct Anchor {
    int x = 0, y = 0, left = 0, top = 0;
};
// True (and *anchor set) when the pointer was over the piece, so the piece follows it again at once.
bool reanchor(QPoint pointer, const Rect& pick, QPoint now, Anchor* anchor);

// Layer moves: the slot the current piece exchanges with, or -1 when it is already at that end.
int layerTarget(int pickIndex, int pieceCount, bool up);

}  // namespace collage
