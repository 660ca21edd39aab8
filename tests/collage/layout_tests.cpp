#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>

#include "base/error.h"
#include "collage/grid.h"
#include "collage/snap.h"

namespace {

using collage::Arrangement;
using collage::BoxLayout;
using collage::ColumnAlign;
using collage::Guide;
using collage::PieceBox;
using collage::Rect;

// --- snapping -----------------------------------------------------------------------------------

// The lines of a span in doubled coordinates: start, centre, end.
std::vector<long long> spanLines(long long start, long long length) {
    return {2 * start, 2 * start + length, 2 * start + 2 * length};
}

// The expected snapped coordinate on one axis, found by trying every final position near the
// requested one: a position counts when one of the piece's lines meets a target exactly or stops
// half a pixel before it; the nearest (by the distance from the requested lines) wins, then the
// one further left or up.
struct AxisExpect {
    long long position;
    std::vector<long long> lines;
};
AxisExpect expectAxis(long long start, long long length, const std::vector<long long>& targets,
                      double threshold) {
    long long bestPos = start;
    long long bestDist = -1, bestSigned = 0;
    const long long reach = static_cast<long long>(threshold) + 2;
    for (long long p = start - reach; p <= start + reach; ++p)
        for (const long long o : spanLines(p, length))
            for (const long long t : targets) {
                if (o != t && o + 1 != t) continue;
                const long long moved = o - 2 * (p - start);  // where this line was before the move
                const long long d = t - moved;
                if (static_cast<double>(std::llabs(d)) > 2 * threshold) continue;
                if (bestDist < 0 || std::llabs(d) < bestDist ||
                    (std::llabs(d) == bestDist && d < bestSigned)) {
                    bestDist = std::llabs(d);
                    bestSigned = d;
                    bestPos = p;
                }
            }
    AxisExpect e{bestPos, {}};
    if (bestDist >= 0)
        for (const long long o : spanLines(bestPos, length))
            for (const long long t : targets)
                if ((o == t || o + 1 == t) && std::find(e.lines.begin(), e.lines.end(), t) == e.lines.end() &&
                    static_cast<double>(std::llabs(t - (o - 2 * (bestPos - start)))) <= 2 * threshold)
                    e.lines.push_back(t);
    std::sort(e.lines.begin(), e.lines.end());
    return e;
}

TEST(Snap, MatchesAnIndependentSearchAtSeveralZooms) {
    std::mt19937 rng(20261209);
    auto between = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    int snapped = 0, free = 0;
    for (const double zoom : {0.25, 0.5, 1.0, 1.5, 3.0, 8.0, 16.0}) {
        const double threshold = collage::snapThreshold(zoom);
        for (int round = 0; round < 400; ++round) {
            const QSize canvas(between(50, 400), between(50, 400));
            std::vector<Rect> others;
            for (int i = between(0, 4); i > 0; --i)
                others.push_back({between(-20, 300), between(-20, 300), between(1, 120), between(1, 120)});
            const Rect moving{between(-40, 400), between(-40, 400), between(1, 121), between(1, 121)};
            const collage::Snap s = collage::snapPiece(moving, others, canvas, threshold);

            std::vector<long long> xs = spanLines(0, canvas.width()), ys = spanLines(0, canvas.height());
            for (const Rect& r : others) {
                for (const long long v : spanLines(r.left, r.width)) xs.push_back(v);
                for (const long long v : spanLines(r.top, r.height)) ys.push_back(v);
            }
            const AxisExpect ex = expectAxis(moving.left, moving.width, xs, threshold);
            const AxisExpect ey = expectAxis(moving.top, moving.height, ys, threshold);
            ASSERT_EQ(s.position, QPoint(static_cast<int>(ex.position), static_cast<int>(ey.position)))
                << "zoom " << zoom << " round " << round;
            std::vector<Guide> guides;
            for (const long long v : ex.lines) guides.push_back({true, v});
            for (const long long v : ey.lines) guides.push_back({false, v});
            ASSERT_EQ(s.guides, guides) << "zoom " << zoom << " round " << round;
            (s.guides.empty() ? free : snapped)++;
        }
    }
    // Both outcomes are exercised.
    EXPECT_GT(snapped, 200);
    EXPECT_GT(free, 200);
}

TEST(Snap, ThresholdFollowsTheZoomAndCentresOfOddSizesStopHalfAPixelShort) {
    EXPECT_EQ(collage::snapThreshold(1.0), 8.0);
    EXPECT_EQ(collage::snapThreshold(4.0), 2.0);
    EXPECT_EQ(collage::snapThreshold(0.5), 16.0);
    EXPECT_EQ(collage::snapThreshold(32.0), 1.0);
    // A 100 × 100 canvas; a 31-wide piece centred would start at 34.5: it stops at 34, and the
    // canvas's centre line (doubled 100) is the guide.
    const collage::Snap c = collage::snapPiece({30, 200, 31, 10}, {}, QSize(100, 100), 8.0);
    EXPECT_EQ(c.position, QPoint(34, 200));
    EXPECT_EQ(c.guides, (std::vector<Guide>{{true, 100}}));
    // Far from every line nothing moves; 9 pixels right of a piece's right edge is out of reach at
    // zoom 1 (8 canvas pixels) and caught at zoom 0.5 (16).
    EXPECT_EQ(collage::snapPiece({-300, -300, 10, 10}, {{0, 0, 50, 50}}, QSize(400, 400), 8.0).position,
              QPoint(-300, -300));
    EXPECT_EQ(collage::snapPiece({59, -300, 10, 10}, {{0, 0, 50, 50}}, QSize(400, 400), 8.0).position,
              QPoint(59, -300));
    EXPECT_EQ(collage::snapPiece({59, -300, 10, 10}, {{0, 0, 50, 50}}, QSize(400, 400), 16.0).position,
              QPoint(50, -300));
    // Equally near on both sides: the move to the left wins, whatever the order of the pieces.
    const std::vector<Rect> two{{0, 0, 10, 10}, {30, 0, 10, 10}};
    EXPECT_EQ(collage::snapPiece({15, 100, 10, 10}, two, QSize(400, 400), 8.0).position.x(), 10);
    EXPECT_EQ(collage::snapPiece({15, 100, 10, 10}, {two[1], two[0]}, QSize(400, 400), 8.0).position.x(), 10);
}

// --- justified rows -----------------------------------------------------------------------------

// The rows of a layout: the pieces sharing a top.
std::vector<std::pair<size_t, size_t>> rowsOf(const BoxLayout& l) {
    std::vector<std::pair<size_t, size_t>> rows;
    for (size_t i = 0; i < l.boxes.size(); ++i)
        if (i == 0 || l.boxes[i].top != l.boxes[i - 1].top)
            rows.emplace_back(i, i + 1);
        else
            rows.back().second = i + 1;
    return rows;
}

// The cost the rows are chosen by, from the pieces of each row: squared distance beyond the
// band, then squared distance from H; a last row that would be taller than the band costs nothing.
std::pair<double, double> rowsCost(const std::vector<QSize>& sizes, const std::vector<size_t>& ends,
                                   const Arrangement& a) {
    std::pair<double, double> cost{0, 0};
    size_t start = 0;
    for (const size_t end : ends) {
        double aspects = 0;
        for (size_t k = start; k < end; ++k) aspects += double(sizes[k].width()) / sizes[k].height();
        const double room = a.rowWidth - 2.0 * a.margin - double(end - start - 1) * a.gap;
        const double h = room / aspects, H = a.rowHeight;
        if (!(end == sizes.size() && h > 1.25 * H)) {
            const double beyond = h < 0.75 * H ? 0.75 * H - h : h > 1.25 * H ? h - 1.25 * H : 0.0;
            cost.first += beyond * beyond;
            cost.second += (h - H) * (h - H);
        }
        start = end;
    }
    return cost;
}

TEST(JustifiedRows, FillTheWidthExactlyAndBreakAsWellAsEveryOtherWay) {
    std::mt19937 rng(27);
    auto between = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    int inBand = 0, shortLast = 0;
    for (int round = 0; round < 300; ++round) {
        std::vector<QSize> sizes;
        for (int i = between(1, 9); i > 0; --i) {
            const int h = between(20, 400);
            sizes.emplace_back(std::max(1, int(h * std::uniform_real_distribution<double>(0.3, 3.5)(rng))),
                               h);
        }
        Arrangement a;
        a.kind = collage::LayoutKind::Justified;
        a.rowWidth = between(200, 2000);
        a.rowHeight = between(40, 400);
        a.gap = between(0, 12);
        a.margin = between(0, 20);
        a.columnAlign = static_cast<ColumnAlign>(between(0, 2));
        const BoxLayout l = collage::justifiedLayout(sizes, a);
        ASSERT_EQ(l.boxes.size(), sizes.size());
        EXPECT_EQ(l.canvasWidth, a.rowWidth);
        const auto rows = rowsOf(l);
        std::vector<size_t> ends;
        std::int64_t y = a.margin;
        for (const auto& [i, j] : rows) {
            ends.push_back(j);
            std::int64_t sum = 2 * a.margin + std::int64_t(j - i - 1) * a.gap;
            for (size_t k = i; k < j; ++k) {
                const PieceBox& b = l.boxes[k];
                ASSERT_EQ(b.top, y);
                ASSERT_EQ(b.height, l.boxes[i].height);
                ASSERT_GE(b.width, 1);
                if (k > i) {
                    ASSERT_EQ(b.left, l.boxes[k - 1].left + l.boxes[k - 1].width + a.gap);
                }
                sum += b.width;
                // The aspect, within what whole pixels cost.
                const double aspect = double(sizes[k].width()) / sizes[k].height();
                ASSERT_LE(std::abs(double(b.width) - aspect * double(b.height)), 1 + aspect / 2 + 1e-9)
                    << round;
            }
            const bool full = sum == a.rowWidth;
            if (full) {
                ASSERT_EQ(l.boxes[i].left, a.margin);
            } else {
                // Only the last row may stay short, at height H.
                ASSERT_EQ(j, sizes.size()) << round;
                ASSERT_EQ(l.boxes[i].height, a.rowHeight);
                ASSERT_LT(sum, a.rowWidth);
                ++shortLast;
            }
            y += l.boxes[i].height + a.gap;
        }
        EXPECT_EQ(l.canvasHeight, y - a.gap + a.margin);

        // Every other way to break the rows costs at least as much.
        const auto chosen = rowsCost(sizes, ends, a);
        const size_t n = sizes.size();
        auto bestCost = chosen;
        for (unsigned mask = 0; mask < (1u << (n - 1)); ++mask) {
            std::vector<size_t> other;
            for (size_t k = 1; k < n; ++k)
                if (mask & (1u << (k - 1))) other.push_back(k);
            other.push_back(n);
            bool fits = true;
            size_t s = 0;
            for (const size_t e : other) {
                fits = fits &&
                       a.rowWidth - 2 * a.margin - std::int64_t(e - s - 1) * a.gap >= std::int64_t(e - s);
                s = e;
            }
            if (fits) bestCost = std::min(bestCost, rowsCost(sizes, other, a));
        }
        EXPECT_NEAR(chosen.first, bestCost.first, 1e-6 * (1 + bestCost.first)) << round;
        if (chosen.first == bestCost.first || std::abs(chosen.first - bestCost.first) < 1e-9) {
            EXPECT_NEAR(chosen.second, bestCost.second, 1e-6 * (1 + bestCost.second)) << round;
        }
        // Where the pieces allow rows inside the band, every filled row is inside it.
        if (bestCost.first == 0) {
            ++inBand;
            for (const auto& [i, j] : rows) {
                ASSERT_GE(l.boxes[i].height, 0.75 * a.rowHeight - 0.5);
                ASSERT_LE(l.boxes[i].height, 1.25 * a.rowHeight + 0.5);
            }
        }
    }
    EXPECT_GT(inBand, 50);
    EXPECT_GT(shortLast, 20);
}

TEST(JustifiedRows, AWidthWithoutRoomIsRefused) {
    Arrangement a;
    a.kind = collage::LayoutKind::Justified;
    a.rowWidth = 20;
    a.rowHeight = 10;
    a.margin = 10;
    EXPECT_THROW(collage::justifiedLayout({QSize(5, 5)}, a), base::Error);
    a.margin = 9;  // two pixels: with a gap of one, one piece per row
    a.gap = 1;
    const BoxLayout l = collage::justifiedLayout({QSize(5, 5), QSize(5, 5)}, a);
    EXPECT_EQ(rowsOf(l).size(), 2u);
}

// --- cells of a fixed size ----------------------------------------------------------------------

TEST(FixedCells, PartitionTheCanvasAndHoldFittedOrCentredFilledPieces) {
    std::mt19937 rng(3508);
    auto between = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int round = 0; round < 500; ++round) {
        Arrangement a;
        a.output = QSize(between(160, 4000), between(160, 4000));
        a.gap = between(0, 10);
        a.margin = between(0, 10);
        a.rowAlign = static_cast<collage::RowAlign>(between(0, 2));
        a.columnAlign = static_cast<ColumnAlign>(between(0, 2));
        const int count = between(1, 12);
        a.columns = between(1, count);
        const int rows = (count + a.columns - 1) / a.columns;
        const collage::Cells c = collage::fixedCells(a.output, a.columns, rows, a.gap, a.margin);
        // Cells, gaps and margins tile each side exactly; the first cells take the spare pixels.
        for (const auto& [start, size, side] : {std::tuple{&c.left, &c.width, a.output.width()},
                                                std::tuple{&c.top, &c.height, a.output.height()}}) {
            std::int64_t at = a.margin;
            for (size_t k = 0; k < size->size(); ++k) {
                ASSERT_EQ((*start)[k], at);
                ASSERT_GE((*size)[k], 1);
                if (k > 0) {
                    ASSERT_TRUE((*size)[k] == (*size)[k - 1] || (*size)[k] + 1 == (*size)[k - 1]);
                }
                at += (*size)[k] + (k + 1 < size->size() ? a.gap : 0);
            }
            ASSERT_EQ(at + a.margin, side);
        }
        for (int i = 0; i < count; ++i) {
            const QSize pic(between(1, 3000), between(1, 3000));
            const std::int64_t cl = c.left[size_t(i % a.columns)], ct = c.top[size_t(i / a.columns)];
            const std::int64_t cw = c.width[size_t(i % a.columns)], ch = c.height[size_t(i / a.columns)];
            const PieceBox fit = collage::fitIntoCell(pic, cl, ct, cw, ch, a);
            // Inside the cell, touching both sides on one axis, the aspect kept to half a pixel.
            ASSERT_GE(fit.left, cl);
            ASSERT_GE(fit.top, ct);
            ASSERT_LE(fit.left + fit.width, cl + cw);
            ASSERT_LE(fit.top + fit.height, ct + ch);
            ASSERT_TRUE(fit.width == cw || fit.height == ch);
            const double exactW = double(pic.width()) * double(fit.height) / pic.height();
            const double exactH = double(pic.height()) * double(fit.width) / pic.width();
            ASSERT_TRUE((fit.height == ch && std::abs(double(fit.width) - exactW) <= 0.5 + 1e-9) ||
                        (fit.width == cw && std::abs(double(fit.height) - exactH) <= 0.5 + 1e-9) ||
                        fit.width == 1 || fit.height == 1)
                << round;
            // The free space splits by the alignment: all after, even (to a pixel), all before.
            const std::int64_t before = fit.left - cl, after = cl + cw - fit.left - fit.width;
            if (a.columnAlign == ColumnAlign::Left) {
                ASSERT_EQ(before, 0);
            }
            if (a.columnAlign == ColumnAlign::Right) {
                ASSERT_EQ(after, 0);
            }
            if (a.columnAlign == ColumnAlign::Center) {
                ASSERT_LE(std::abs(before - after), 1);
            }

            const PieceBox fill = collage::fillCell(pic, cl, ct, cw, ch);
            ASSERT_EQ(fill, (PieceBox{cl, ct, cw, ch, fill.crop}));
            const QRect crop = fill.crop.isEmpty() ? QRect(QPoint(0, 0), pic) : fill.crop;
            ASSERT_TRUE(QRect(QPoint(0, 0), pic).contains(crop));
            // One side whole, the other centred (an odd leftover puts its extra pixel after the crop).
            ASSERT_TRUE(crop.width() == pic.width() || crop.height() == pic.height());
            const int leftOver = pic.width() - crop.width(), topOver = pic.height() - crop.height();
            ASSERT_EQ(crop.x(), leftOver / 2);
            ASSERT_EQ(crop.y(), topOver / 2);
            // The crop has the cell's aspect within half a pixel of the side that was cut.
            if (crop.width() < pic.width() && crop.width() > 1) {
                ASSERT_LE(std::abs(crop.width() - double(crop.height()) * double(cw) / double(ch)),
                          0.5 + 1e-9);
            }
            if (crop.height() < pic.height() && crop.height() > 1) {
                ASSERT_LE(std::abs(crop.height() - double(crop.width()) * double(ch) / double(cw)),
                          0.5 + 1e-9);
            }
        }
    }
}

TEST(FixedCells, ASizeWithoutRoomForACellIsRefused) {
    EXPECT_THROW(collage::fixedCells(QSize(22, 100), 3, 1, 10, 0), base::Error);
    EXPECT_NO_THROW(collage::fixedCells(QSize(23, 100), 3, 1, 10, 0));
}

}  // namespace
