#include "load/bar_moves.h"

#include <algorithm>

namespace load {

BarMove plainMove(const Axis& a, int position) {
    const int s = a.width();
    int p = position;
    int lo = p - halfDown(s);
    if (lo < 0) {
        lo = 0;
        p = halfDown(s);
    }
    int hi = lo + s;
    if (hi > a.extent) {
        hi = a.extent;
        lo = a.extent - s;
        p = lo + halfDown(s);
    }
    return BarMove{Axis{lo, hi, a.extent}, p};
}

BarMove lowEdgeMove(const Axis& a, int position) {
    int p = position;
    if (p + 1 >= a.hi) p = a.hi - 2;
    // An empty selection at the first pixel: the edge cannot go before the picture.
    p = std::max(p, -1);
    return BarMove{Axis{p + 1, a.hi, a.extent}, p};
}

BarMove highEdgeMove(const Axis& a, int position) {
    int p = position;
    if (a.lo >= p) p = a.lo + 1;
    // An empty selection at the last edge: the edge cannot pass the picture.
    p = std::min(p, a.extent);
    return BarMove{Axis{a.lo, p, a.extent}, p};
}

}  // namespace load
