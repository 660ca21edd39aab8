#include "collage/rules.h"

#include <algorithm>

#include <QStringList>

namespace collage {

namespace {

struct Intersection {
    std::int64_t left, top, right, bottom;
};

Intersection intersect(const Rect& a, const Rect& b) {
    return {std::max<std::int64_t>(a.left, b.left), std::max<std::int64_t>(a.top, b.top),
            std::min(a.right(), b.right()), std::min(a.bottom(), b.bottom())};
}

}  // namespace

QPoint moveRule(std::span<const Rect> pieces, int current, const Rect& pick, QPoint requested,
                const Rules& rules) {
    std::int64_t left = requested.x(), top = requested.y();
    const int w = pick.width, h = pick.height;
    if (rules.keepInside) {
        if (left + w > rules.canvasWidth) left = rules.canvasWidth - w;
        if (left < 0) left = 0;
        if (top + h > rules.canvasHeight) top = rules.canvasHeight - h;
        if (top < 0) top = 0;
    }
    if (rules.noOverlap) {
        bool pushed = false;
        Rect r{static_cast<int>(left), static_cast<int>(top), w, h};
        for (size_t i = 0; i < pieces.size(); ++i) {
            if (static_cast<int>(i) == current || !overlaps(r, pieces[i])) continue;
            const Intersection in = intersect(r, pieces[i]);
            if (in.right - in.left < in.bottom - in.top) {
                if (left + w == in.right) left = in.left - w;
                if (left == in.left) left = in.right;
            } else {
                if (top + h == in.bottom) top = in.top - h;
                if (top == in.top) top = in.bottom;
            }
            r.left = static_cast<int>(left);
            r.top = static_cast<int>(top);
            pushed = true;
        }
        if (pushed) {
            bool refuse = rules.keepInside && !inside(r, rules.canvasWidth, rules.canvasHeight);
            for (size_t i = 0; !refuse && i < pieces.size(); ++i)
                if (static_cast<int>(i) != current && overlaps(r, pieces[i])) refuse = true;
            if (refuse) return QPoint(pick.left, pick.top);
        }
    }
    return QPoint(static_cast<int>(left), static_cast<int>(top));
}

namespace {

// One axis of the typed-position rule; `along` picks left/width or top/height of a rectangle.
template <bool Horizontal>
int typedRule(std::span<const Rect> pieces, int current, const Rect& pick, int typed, const Rules& rules) {
    const int extent = Horizontal ? pick.width : pick.height;
    const int canvas = Horizontal ? rules.canvasWidth : rules.canvasHeight;
    const int old = Horizontal ? pick.left : pick.top;
    std::int64_t a = typed;
    if (rules.keepInside) {
        if (a + extent > canvas) a = canvas - extent;
        if (a < 0) a = 0;
    }
    if (rules.noOverlap) {
        Rect r = pick;
        (Horizontal ? r.left : r.top) = static_cast<int>(a);
        for (size_t i = 0; i < pieces.size(); ++i) {
            if (static_cast<int>(i) == current || !overlaps(r, pieces[i])) continue;
            const Rect& o = pieces[i];
            const std::int64_t oStart = Horizontal ? o.left : o.top;
            const std::int64_t oEnd = Horizontal ? o.right() : o.bottom();
            if (a < old) {
                a = oEnd;
                if (a >= old) {
                    a = old;
                    break;
                }
            } else if (a > old) {
                a = oStart - extent;
                if (a <= old) {
                    a = old;
                    break;
                }
            }
            (Horizontal ? r.left : r.top) = static_cast<int>(a);
        }
    }
    return static_cast<int>(a);
}

}  // namespace

int typedLeftRule(std::span<const Rect> pieces, int current, const Rect& pick, int typed,
                  const Rules& rules) {
    return typedRule<true>(pieces, current, pick, typed, rules);
}

int typedTopRule(std::span<const Rect> pieces, int current, const Rect& pick, int typed, const Rules& rules) {
    return typedRule<false>(pieces, current, pick, typed, rules);
}

QString overlapReport(std::span<const Rect> pieces) {
    QStringList pairs;
    for (size_t i = 0; i < pieces.size(); ++i)
        for (size_t j = i + 1; j < pieces.size(); ++j)
            if (overlaps(pieces[i], pieces[j])) pairs << QStringLiteral("%1/%2").arg(i).arg(j);
    if (pairs.isEmpty()) return {};
    return pairs.join(QStringLiteral(", ")) + QStringLiteral("が重なっています。");
}

QString outsideReport(std::span<const Rect> pieces, int canvasWidth, int canvasHeight) {
    QStringList slots;
    for (size_t k = 0; k < pieces.size(); ++k)
        if (!inside(pieces[k], canvasWidth, canvasHeight)) slots << QString::number(k);
    if (slots.isEmpty()) return {};
    return slots.join(u',') + QStringLiteral("が枠外に出ています。");
}

bool reanchor(QPoint pointer, const Rect& pick, QPoint now, Anchor* anchor) {
    if (pointer.x() < 0 || pointer.x() >= pick.width || pointer.y() < 0 || pointer.y() >= pick.height)
        return false;
    *anchor = {pointer.x() + now.x(), pointer.y() + now.y(), now.x(), now.y()};
    return true;
}

int layerTarget(int pickIndex, int pieceCount, bool up) {
    if (pieceCount <= 0) return -1;
    if (up) return pickIndex >= pieceCount - 1 ? -1 : pickIndex + 1;
    return pickIndex <= 0 ? -1 : pickIndex - 1;
}

}  // namespace collage
