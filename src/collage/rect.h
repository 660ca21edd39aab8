#pragma once

#include <cstdint>

namespace collage {

// A piece's place on the canvas: the half-open area from (left, top) to (left + width,
// top + height). Positions may be negative or beyond the canvas.
struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    std::int64_t right() const { return std::int64_t{left} + width; }
    std::int64_t bottom() const { return std::int64_t{top} + height; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// True when the intersection is not empty: pieces that only touch do not overlap, and a
// rectangle without area overlaps nothing.
inline bool overlaps(const Rect& a, const Rect& b) {
    return a.left < b.right() && b.left < a.right() && a.top < b.bottom() && b.top < a.bottom() &&
           a.width > 0 && a.height > 0 && b.width > 0 && b.height > 0;
}

// Inside a W x H canvas: left >= 0, top >= 0, right <= W, bottom <= H.
inline bool inside(const Rect& r, int canvasWidth, int canvasHeight) {
    return r.left >= 0 && r.top >= 0 && r.right() <= canvasWidth && r.bottom() <= canvasHeight;
}

}  // namespace collage
