#include "collage/fit.h"

#include <algorithm>

#include "base/error.h"
#include "base/image.h"
#include "collage/texts.h"

namespace collage {

std::optional<Fit> fitBox(std::span<const Rect> pieces) {
    if (pieces.empty()) return std::nullopt;
    std::int64_t minX = pieces[0].left, minY = pieces[0].top;
    std::int64_t maxX = pieces[0].right(), maxY = pieces[0].bottom();
    for (const Rect& r : pieces.subspan(1)) {
        minX = std::min<std::int64_t>(minX, r.left);
        minY = std::min<std::int64_t>(minY, r.top);
        maxX = std::max(maxX, r.right());
        maxY = std::max(maxY, r.bottom());
    }
    Fit f;
    f.dx = static_cast<int>(-minX);
    f.dy = static_cast<int>(-minY);
    f.width = maxX - minX;
    f.height = maxY - minY;
    return f;
}

void shift(std::span<Rect> pieces, int dx, int dy) {
    for (Rect& r : pieces) {
        r.left += dx;
        r.top += dy;
    }
}

std::optional<QSize> fitPieces(std::span<Rect> pieces) {
    const auto box = fitBox(pieces);
    if (!box) return std::nullopt;
    if (!base::sizeAllowed(box->width, box->height))
        throw base::Error(texts::canvasTooLarge(box->width, box->height));
    shift(pieces, box->dx, box->dy);
    return QSize(static_cast<int>(box->width), static_cast<int>(box->height));
}

std::vector<int> beyondRight(std::span<const Rect> pieces, int canvasWidth) {
    std::vector<int> out;
    for (size_t i = 0; i < pieces.size(); ++i)
        if (pieces[i].right() > canvasWidth) out.push_back(static_cast<int>(i));
    return out;
}

std::vector<int> beyondBottom(std::span<const Rect> pieces, int canvasHeight) {
    std::vector<int> out;
    for (size_t i = 0; i < pieces.size(); ++i)
        if (pieces[i].bottom() > canvasHeight) out.push_back(static_cast<int>(i));
    return out;
}

}  // namespace collage
