#include "collage/adding.h"

#include "base/error.h"
#include "base/image.h"
#include "collage/texts.h"

namespace collage {

Placement placeNewPiece(std::span<const Rect> below, QSize size, const AddRules& rules) {
    const int w = size.width();
    const int h = size.height();
    std::int64_t x = 0;
    if (!below.empty()) {
        x = below.back().right();
        if (!rules.autoSize) {
            if (x >= rules.canvasWidth || (rules.keepInside && x + w > rules.canvasWidth)) x = 0;
        } else if (x >= rules.screenWidth) {
            x = 0;
        }
    }
    int y = 0;
    Rect r{static_cast<int>(x), 0, w, h};
    // One pass: a piece tested earlier is not looked at again after the new one moved down.
    for (const Rect& other : below) {
        if (overlaps(r, other)) {
            y = static_cast<int>(other.bottom());
            r.top = y;
        }
    }
    Placement p;
    p.position = QPoint(r.left, y);
    p.leavesFrame = rules.keepInside && !rules.autoSize &&
                    (r.right() > rules.canvasWidth || r.bottom() > rules.canvasHeight);
    return p;
}

NewPiece newPiece(std::span<const Rect> below, const QImage& picture, const AddRules& rules) {
    if (below.size() >= static_cast<size_t>(kMaxPieces)) throw base::Error(texts::tooManyPieces());
    const Placement place = placeNewPiece(below, picture.size(), rules);
    NewPiece piece;
    piece.rect = Rect{place.position.x(), place.position.y(), picture.width(), picture.height()};
    piece.key = picture.isNull() ? 0 : base::pixelAt(picture, 0, 0);
    piece.keepInsideOff = place.leavesFrame;
    return piece;
}

}  // namespace collage
