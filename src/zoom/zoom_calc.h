#pragma once

#include <cstdint>

namespace zoom {

// neighbourFlags as bits: 1 means that neighbour takes part. Written as the four bits TL TR BL
// BR, "1 1 1 0" is kTopLeft | kTopRight | kBottomLeft.
enum NeighbourFlag : unsigned {
    kTopLeft = 8,
    kTopRight = 4,
    kBottomLeft = 2,
    kBottomRight = 1,
    kAllNeighbours = 15,
};

// One channel from the neighbours a (top-left), b (top-right), c (bottom-left), d (bottom-right)
// that `flags` lets take part, at the fractions fx (right) and fy (down): bilinear with all four,
// the plane through three, the line through two, a copy of one. Rounded half to even and
// clamped into 0..255 (a plane can extrapolate out of it). Flags 0 gives 0; no pass asks it.
std::uint8_t zoomcalc(int a, int b, int c, int d, double fx, double fy, unsigned flags);

// Coverage: the share of the sample that falls on neighbours taking part.
double coverageOf(unsigned flags, double fx, double fy);

}  // namespace zoom
