#pragma once

#include "load/selection.h"

namespace load {

// A user's move of a slide bar to `position` (a value in -1..extent), and what it makes of the
// selection along that bar's axis. `thumb` is the corrected position the bar shows afterwards.
struct BarMove {
    Axis axis;
    int thumb = 0;
};

// Plain mode: the whole selection moves, keeping its width, centred on the thumb where the
// picture allows and pushed back inside it where not.
BarMove plainMove(const Axis& a, int position);

// Left (top) edge mode: the thumb stands one pixel before the edge (so -1 means an edge at 0)
// and stops where one pixel would still stay selected. The edge marker lies at origin + thumb.
BarMove lowEdgeMove(const Axis& a, int position);

// Right (bottom) edge mode: the thumb is the edge itself and stops one pixel after lo.
BarMove highEdgeMove(const Axis& a, int position);

// Where the thumb goes when an edge mode starts.
constexpr int lowEdgeThumb(const Axis& a) {
    return a.lo - 1;
}
constexpr int highEdgeThumb(const Axis& a) {
    return a.hi;
}

}  // namespace load
