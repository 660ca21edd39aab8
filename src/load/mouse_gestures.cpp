#include "load/mouse_gestures.h"

namespace load {

Span shownSpan(const Span& frame) {
    if (frame.length >= 2) return frame;
    return Span{frame.start + frame.length - 3, 4 - frame.length};
}

Release releaseDrawn(const Span& frame, int at, int anchor, int origin, int extent) {
    Span f = frame;
    if (at < anchor) {
        f = Span{origin + at - 1, anchor - at + 2};
    } else if (f.length < 2) {
        // The last move lay before the anchor but the release after it: nothing is selected
        // rather than an inverted range.
        f.length = 2;
    }
    if (f.start < origin - 1) f.start = origin - 1;
    if (f.end() >= origin + extent) f.length = origin + extent + 1 - f.start;
    const int lo = f.start - origin + 1;
    const int hi = f.end() - origin - 1;
    return Release{f, Axis{lo, hi, extent}, thumbOf(lo, f.length - 2)};
}

int dragFrame(int startAtGrab, int pointer, int anchor, int length, int origin, int extent) {
    int start = startAtGrab + pointer - anchor;
    if (start < origin - 1) start = origin - 1;
    if (start + length > origin + extent + 1) start = origin + extent + 1 - length;
    return start;
}

Release releaseFrame(const Span& frame, int origin, int extent) {
    const int lo = frame.start - origin + 1;
    const int hi = frame.end() - 1 - origin;
    return Release{frame, Axis{lo, hi, extent}, thumbOf(lo, hi - lo)};
}

}  // namespace load
