#pragma once

namespace load {

// One axis of the cut editor's selection: columns (or rows) lo <= v < hi of a picture `extent`
// pixels long. Typed edges keep 0 <= lo < hi <= extent; a drawn selection may also be empty.
struct Axis {
    int lo = 0;
    int hi = 0;
    int extent = 0;

    constexpr int width() const { return hi - lo; }
    friend bool operator==(const Axis&, const Axis&) = default;
};

// The whole picture along one axis.
constexpr Axis wholeAxis(int extent) {
    return Axis{0, extent, extent};
}

// floor(v / 2) also for negative v (C++ division truncates toward zero).
constexpr int halfDown(int v) {
    return v >= 0 ? v / 2 : -((1 - v) / 2);
}

// The slide bar's thumb while it shows a selection: lo + floor(size / 2).
constexpr int thumbOf(int lo, int size) {
    return lo + halfDown(size);
}

// The thumb after a picture arrives and after a reset: extent / 2 rounded, ties to even
// (5 gives 2, 7 gives 4).
int centredThumb(int extent);

// One axis of a rectangle in view coordinates. The length may drop below 2 while a drawn
// selection runs left of (or above) its anchor.
struct Span {
    int start = 0;
    int length = 0;

    constexpr int end() const { return start + length; }
    friend bool operator==(const Span&, const Span&) = default;
};

// The selection frame: one pixel outside the selected pixels of `a`; `origin` is where the
// picture's first pixel lies in the view.
constexpr Span frameOf(const Axis& a, int origin) {
    return Span{origin + a.lo - 1, a.width() + 2};
}

}  // namespace load
