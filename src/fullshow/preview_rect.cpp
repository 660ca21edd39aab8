#include "fullshow/preview_rect.h"

#include <algorithm>
#include <cstdint>

#include "base/round.h"

namespace fullshow {

namespace {

// Integer halving of a difference that is never negative: an odd one leaves its extra pixel
// right of or below the picture.
int half(int v) {
    return v / 2;
}

int scaledSide(int along, int other, int otherLimit) {
    return static_cast<int>(base::roundEven(static_cast<double>(std::int64_t{along} * otherLimit) / other));
}

}  // namespace

bool previewFits(QSize picture, QSize screen) {
    // Compared directly: halving a difference of -1 gives 0, which would call a picture one
    // pixel too big a fit and cut off its last column or row.
    return picture.width() <= screen.width() && picture.height() <= screen.height();
}

QRect previewRect(QSize picture, QSize screen) {
    const int sw = screen.width();
    const int sh = screen.height();
    const int w = picture.width();
    const int h = picture.height();
    if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return {};

    if (previewFits(picture, screen)) return {half(sw - w), half(sh - h), w, h};

    int dw = sw;
    int dh = scaledSide(h, w, sw);
    if (dh > sh) {
        dh = sh;
        dw = std::min(sw, scaledSide(w, h, sh));
    }
    return {half(sw - dw), half(sh - dh), dw, dh};
}

}  // namespace fullshow
