#pragma once

#include "load/selection.h"

namespace load {

// Mouse gestures on the cut editor's picture, one axis at a time. Picture coordinates are
// pixels of the picture; view coordinates are those of the view's content, where the picture's
// first pixel lies at `origin` and the picture is `extent` pixels long.

// A Ctrl press at picture coordinate `at` starts a drawn selection: a 2-pixel frame around the
// pressed pixel, anchored one pixel before it.
struct DrawStart {
    Span frame;
    int anchor = 0;
};
constexpr DrawStart startDrawn(int at, int origin) {
    return DrawStart{Span{origin + at - 1, 2}, at - 1};
}

// The pointer moved to `at`: the frame keeps its start and stretches to include `at`. It is not
// kept inside the picture while the drag lasts.
constexpr Span dragDrawn(const Span& frame, int at, int anchor) {
    return Span{frame.start, at - anchor + 2};
}

// Where to draw a drawn frame whose length fell below 2 (the pointer is left of or above the
// anchor): the rectangle the release will make of it, so the user sees what will be selected.
Span shownSpan(const Span& frame);

// The end of a gesture: the frame as it stays, and the selection it stands for.
struct Release {
    Span frame;
    Axis axis;
    int thumb = 0;
};

// Release of a drawn selection, the pointer last at `at`. A drag that ended before the anchor
// selects from the pointer to the anchor; a frame that starts before the picture is shifted
// onto it keeping its length; one that reaches the last or second-last pixel ends at the edge.
// The result always lies inside the picture and may be empty.
Release releaseDrawn(const Span& frame, int at, int anchor, int origin, int extent);

// A frame being dragged: where its start goes when the pointer is at `pointer` (view
// coordinates), grabbed at `anchor` with the frame starting at `startAtGrab`. The selected
// pixels never leave the picture.
int dragFrame(int startAtGrab, int pointer, int anchor, int length, int origin, int extent);

// Release of a frame move: the selection under the frame, its width unchanged.
Release releaseFrame(const Span& frame, int origin, int extent);

}  // namespace load
