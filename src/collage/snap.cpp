#include "collage/snap.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

namespace collage {

namespace {

// Start, centre and end of the span [start, start + length) in doubled coordinates.
void linesOf(long long start, long long length, std::vector<long long>& out) {
    out.push_back(2 * start);
    out.push_back(2 * start + length);
    out.push_back(2 * (start + length));
}

// Floor division by two, also for negative numbers.
long long halfDown(long long v) {
    return v >= 0 ? v / 2 : -((-v + 1) / 2);
}

// One axis: the whole-pixel shift of the piece, and the target lines it meets with that shift.
std::optional<long long> snapAxis(long long start, long long length, const std::vector<long long>& targets,
                                  double threshold, bool vertical, std::vector<Guide>& guides) {
    std::vector<long long> own;
    linesOf(start, length, own);
    // The nearest pair in doubled units; equal distances prefer the negative difference.
    std::optional<long long> best;
    const double reach = 2.0 * threshold;
    for (const long long t : targets)
        for (const long long o : own) {
            const long long d = t - o;
            if (static_cast<double>(std::llabs(d)) > reach) continue;
            if (!best || std::llabs(d) < std::llabs(*best) ||
                (std::llabs(d) == std::llabs(*best) && d < *best))
                best = d;
        }
    if (!best) return std::nullopt;
    const long long shift = halfDown(*best);
    std::vector<long long> met;
    for (const long long t : targets)
        for (const long long o : own) {
            const long long d = t - o;
            if (static_cast<double>(std::llabs(d)) <= reach && halfDown(d) == shift) met.push_back(t);
        }
    std::sort(met.begin(), met.end());
    met.erase(std::unique(met.begin(), met.end()), met.end());
    for (const long long t : met) guides.push_back({vertical, t});
    return shift;
}

}  // namespace

double snapThreshold(double zoom) {
    if (!(zoom > 0)) return 1.0;
    return std::max(1.0, 8.0 / zoom);
}

Snap snapPiece(const Rect& moving, const std::vector<Rect>& others, QSize canvas, double threshold) {
    threshold = std::max(threshold, 1.0);
    std::vector<long long> xs, ys;
    linesOf(0, canvas.width(), xs);
    linesOf(0, canvas.height(), ys);
    for (const Rect& r : others) {
        linesOf(r.left, r.width, xs);
        linesOf(r.top, r.height, ys);
    }
    Snap s;
    s.position = QPoint(moving.left, moving.top);
    if (const auto dx = snapAxis(moving.left, moving.width, xs, threshold, true, s.guides))
        s.position.setX(static_cast<int>(moving.left + *dx));
    if (const auto dy = snapAxis(moving.top, moving.height, ys, threshold, false, s.guides))
        s.position.setY(static_cast<int>(moving.top + *dy));
    return s;
}

}  // namespace collage
