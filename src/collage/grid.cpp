#include "collage/grid.h"

#include <algorithm>
#include <cmath>

#include "base/error.h"
#include "base/round.h"
#include "collage/texts.h"

namespace collage {

namespace {

// Round((cell − size) ÷ 2) with ties to even: a one-pixel surplus splits 0 / 1, three split 2 / 1.
std::int64_t offsetIn(std::int64_t cell, std::int64_t size, bool start, bool end) {
    if (start) return 0;
    if (end) return cell - size;
    return base::roundEven(static_cast<double>(cell - size) / 2.0);
}

}  // namespace

void checkArrangement(const Arrangement& a) {
    if (a.columns < 1 || a.columns > kMaxColumns)
        throw base::Error(texts::arrangeValueOutOfRange(texts::columnsCaption(), a.columns, 1, kMaxColumns));
    if (a.gap < 0 || a.gap > kMaxSpacing)
        throw base::Error(texts::arrangeValueOutOfRange(texts::gapCaption(), a.gap, 0, kMaxSpacing));
    if (a.margin < 0 || a.margin > kMaxSpacing)
        throw base::Error(texts::arrangeValueOutOfRange(texts::marginCaption(), a.margin, 0, kMaxSpacing));
    if (a.size != SizeMode::AsTheyAre && (a.target < 1 || a.target > kMaxTarget))
        throw base::Error(texts::arrangeValueOutOfRange(texts::targetCaption(), a.target, 1, kMaxTarget));
    if (a.kind == LayoutKind::Justified) {
        if (a.rowWidth < 1 || a.rowWidth > kMaxTarget)
            throw base::Error(
                texts::arrangeValueOutOfRange(texts::rowWidthCaption(), a.rowWidth, 1, kMaxTarget));
        if (a.rowHeight < 1 || a.rowHeight > kMaxTarget)
            throw base::Error(
                texts::arrangeValueOutOfRange(texts::rowHeightCaption(), a.rowHeight, 1, kMaxTarget));
    } else if (a.output.width() != 0 || a.output.height() != 0) {
        if (a.output.width() < 1 || a.output.width() > kMaxTarget)
            throw base::Error(
                texts::arrangeValueOutOfRange(texts::outputWidthCaption(), a.output.width(), 1, kMaxTarget));
        if (a.output.height() < 1 || a.output.height() > kMaxTarget)
            throw base::Error(texts::arrangeValueOutOfRange(texts::outputHeightCaption(), a.output.height(),
                                                            1, kMaxTarget));
    }
}

int defaultColumns(int count) {
    int c = 1;
    while (c * c < count) ++c;
    return c;
}

WideSize scaledSize(QSize size, SizeMode mode, int target) {
    const std::int64_t w = size.width(), h = size.height();
    switch (mode) {
        case SizeMode::OneHeight:
            return {std::max<std::int64_t>(
                        1, base::roundEven(static_cast<double>(w) * target / static_cast<double>(h))),
                    target};
        case SizeMode::OneWidth:
            return {target, std::max<std::int64_t>(1, base::roundEven(static_cast<double>(h) * target /
                                                                      static_cast<double>(w)))};
        case SizeMode::AsTheyAre:
            break;
    }
    return {w, h};
}

GridLayout gridLayout(const std::vector<QSize>& sizes, const Arrangement& a) {
    GridLayout g;
    const int k = static_cast<int>(sizes.size());
    if (k == 0) return g;
    g.columns = std::min(std::max(a.columns, 1), k);
    g.rows = (k + g.columns - 1) / g.columns;
    g.columnWidths.assign(static_cast<size_t>(g.columns), 0);
    g.rowHeights.assign(static_cast<size_t>(g.rows), 0);
    for (int i = 0; i < k; ++i) {
        auto& cw = g.columnWidths[static_cast<size_t>(i % g.columns)];
        auto& rh = g.rowHeights[static_cast<size_t>(i / g.columns)];
        cw = std::max<std::int64_t>(cw, sizes[static_cast<size_t>(i)].width());
        rh = std::max<std::int64_t>(rh, sizes[static_cast<size_t>(i)].height());
    }
    // Cell origins: margin, the cells before, and one gap after each of them.
    std::vector<std::int64_t> x0(static_cast<size_t>(g.columns)), y0(static_cast<size_t>(g.rows));
    std::int64_t x = a.margin;
    for (int j = 0; j < g.columns; ++j) {
        x0[static_cast<size_t>(j)] = x;
        x += g.columnWidths[static_cast<size_t>(j)] + a.gap;
    }
    std::int64_t y = a.margin;
    for (int i = 0; i < g.rows; ++i) {
        y0[static_cast<size_t>(i)] = y;
        y += g.rowHeights[static_cast<size_t>(i)] + a.gap;
    }
    g.canvasWidth = x - a.gap + a.margin;
    g.canvasHeight = y - a.gap + a.margin;
    for (int i = 0; i < k; ++i) {
        const size_t row = static_cast<size_t>(i / g.columns), col = static_cast<size_t>(i % g.columns);
        const QSize s = sizes[static_cast<size_t>(i)];
        g.left.push_back(x0[col] + offsetIn(g.columnWidths[col], s.width(),
                                            a.columnAlign == ColumnAlign::Left,
                                            a.columnAlign == ColumnAlign::Right));
        g.top.push_back(y0[row] + offsetIn(g.rowHeights[row], s.height(), a.rowAlign == RowAlign::Top,
                                           a.rowAlign == RowAlign::Bottom));
    }
    return g;
}

namespace {

// A row of justified pieces: how far its height lies beyond the band, and from the height aimed at.
struct RowCost {
    double outside = 0;
    double off = 0;
    RowCost operator+(const RowCost& o) const { return {outside + o.outside, off + o.off}; }
    bool operator<(const RowCost& o) const {
        return outside < o.outside || (outside == o.outside && off < o.off);
    }
};

// w × h over 2d, rounded half up, for non-negative values.
std::int64_t ratioHalfUp(std::int64_t w, std::int64_t h, std::int64_t d) {
    return (2 * w * h + d) / (2 * d);
}

}  // namespace

BoxLayout justifiedLayout(const std::vector<QSize>& sizes, const Arrangement& a) {
    BoxLayout out;
    const size_t n = sizes.size();
    if (n == 0) return out;
    const std::int64_t width = a.rowWidth, gap = a.gap, margin = a.margin;
    const double target = a.rowHeight;
    // The most pieces a row can hold with one pixel each.
    const std::int64_t most = (width - 2 * margin + gap) / (gap + 1);
    if (width - 2 * margin < 1 || most < 1) throw base::Error(texts::rowsTooNarrow(width));
    auto avail = [&](size_t count) {
        return width - 2 * margin - static_cast<std::int64_t>(count - 1) * gap;
    };

    std::vector<double> aspect(n), sum(n + 1, 0.0);
    for (size_t i = 0; i < n; ++i) {
        aspect[i] = static_cast<double>(sizes[i].width()) / sizes[i].height();
        sum[i + 1] = sum[i] + aspect[i];
    }
    const double low = 0.75 * target, high = 1.25 * target;
    // The height at which pieces [i, j) fill the width; a last row taller than the band stays short.
    auto fillHeight = [&](size_t i, size_t j) {
        return static_cast<double>(avail(j - i)) / (sum[j] - sum[i]);
    };
    auto shortLast = [&](size_t i, size_t j) { return j == n && fillHeight(i, j) > high; };

    std::vector<RowCost> best(n + 1);
    std::vector<size_t> from(n + 1, 0);
    for (size_t j = 1; j <= n; ++j) {
        bool found = false;
        const size_t first = j > static_cast<size_t>(most) ? j - static_cast<size_t>(most) : 0;
        for (size_t i = first; i < j; ++i) {
            RowCost c;
            if (!shortLast(i, j)) {
                const double h = fillHeight(i, j);
                const double beyond = std::max({0.0, low - h, h - high});
                c = {beyond * beyond, (h - target) * (h - target)};
            }
            const RowCost total = best[i] + c;
            if (!found || total < best[j]) {
                best[j] = total;
                from[j] = i;
                found = true;
            }
        }
    }
    std::vector<std::pair<size_t, size_t>> rows;
    for (size_t j = n; j > 0; j = from[j]) rows.emplace_back(from[j], j);
    std::reverse(rows.begin(), rows.end());

    out.boxes.resize(n);
    std::int64_t y = margin;
    for (const auto& [i, j] : rows) {
        const std::int64_t room = avail(j - i);
        std::int64_t rowHeight = 0;
        if (shortLast(i, j)) {
            rowHeight = a.rowHeight;
            std::int64_t used = static_cast<std::int64_t>(j - i - 1) * gap;
            for (size_t k = i; k < j; ++k) {
                out.boxes[k].width = scaledSize(sizes[k], SizeMode::OneHeight, a.rowHeight).width;
                used += out.boxes[k].width;
            }
            std::int64_t x =
                margin + std::max<std::int64_t>(
                             0, offsetIn(width - 2 * margin, used, a.columnAlign == ColumnAlign::Left,
                                         a.columnAlign == ColumnAlign::Right));
            for (size_t k = i; k < j; ++k) {
                out.boxes[k].left = x;
                x += out.boxes[k].width + gap;
            }
        } else {
            const double total = sum[j] - sum[i];
            rowHeight = std::max<std::int64_t>(1, base::roundEven(static_cast<double>(room) / total));
            // Widths by their running sum, so that they add up to the room exactly.
            std::int64_t before = 0;
            size_t widest = i;
            for (size_t k = i; k < j; ++k) {
                const std::int64_t upTo =
                    k + 1 == j ? room
                               : static_cast<std::int64_t>(std::floor(
                                     static_cast<double>(room) * (sum[k + 1] - sum[i]) / total + 0.5));
                out.boxes[k].width = upTo - before;
                before = upTo;
                if (out.boxes[k].width > out.boxes[widest].width) widest = k;
            }
            // A sliver narrower than a pixel still gets one, from the widest piece of its row.
            for (size_t k = i; k < j; ++k)
                if (out.boxes[k].width < 1) {
                    out.boxes[widest].width -= 1 - out.boxes[k].width;
                    out.boxes[k].width = 1;
                }
            std::int64_t x = margin;
            for (size_t k = i; k < j; ++k) {
                out.boxes[k].left = x;
                x += out.boxes[k].width + gap;
            }
        }
        for (size_t k = i; k < j; ++k) {
            out.boxes[k].top = y;
            out.boxes[k].height = rowHeight;
        }
        y += rowHeight + gap;
    }
    out.canvasWidth = width;
    out.canvasHeight = y - gap + margin;
    return out;
}

Cells fixedCells(QSize output, int columns, int rows, int gap, int margin) {
    Cells c;
    auto split = [&](std::int64_t side, int count, std::vector<std::int64_t>& start,
                     std::vector<std::int64_t>& size) {
        const std::int64_t inner = side - 2 * std::int64_t{margin} - std::int64_t{count - 1} * gap;
        if (inner < count) throw base::Error(texts::cellsTooSmall(output.width(), output.height()));
        std::int64_t at = margin;
        for (int k = 0; k < count; ++k) {
            start.push_back(at);
            size.push_back(inner / count + (k < inner % count ? 1 : 0));
            at += size.back() + gap;
        }
    };
    split(output.width(), columns, c.left, c.width);
    split(output.height(), rows, c.top, c.height);
    return c;
}

PieceBox fitIntoCell(QSize picture, std::int64_t cellLeft, std::int64_t cellTop, std::int64_t cellWidth,
                     std::int64_t cellHeight, const Arrangement& a) {
    const std::int64_t w = picture.width(), h = picture.height();
    PieceBox b;
    if (w * cellHeight <= cellWidth * h) {  // the height limits
        b.height = cellHeight;
        b.width = std::clamp<std::int64_t>(ratioHalfUp(w, cellHeight, h), 1, cellWidth);
    } else {
        b.width = cellWidth;
        b.height = std::clamp<std::int64_t>(ratioHalfUp(h, cellWidth, w), 1, cellHeight);
    }
    b.left = cellLeft + offsetIn(cellWidth, b.width, a.columnAlign == ColumnAlign::Left,
                                 a.columnAlign == ColumnAlign::Right);
    b.top =
        cellTop + offsetIn(cellHeight, b.height, a.rowAlign == RowAlign::Top, a.rowAlign == RowAlign::Bottom);
    return b;
}

PieceBox fillCell(QSize picture, std::int64_t cellLeft, std::int64_t cellTop, std::int64_t cellWidth,
                  std::int64_t cellHeight) {
    const std::int64_t w = picture.width(), h = picture.height();
    PieceBox b{cellLeft, cellTop, cellWidth, cellHeight, QRect()};
    if (w * cellHeight > cellWidth * h) {  // wider than the cell: the sides go
        const std::int64_t keep = std::clamp<std::int64_t>(ratioHalfUp(h, cellWidth, cellHeight), 1, w);
        if (keep < w)
            b.crop = QRect(static_cast<int>((w - keep) / 2), 0, static_cast<int>(keep), static_cast<int>(h));
    } else {
        const std::int64_t keep = std::clamp<std::int64_t>(ratioHalfUp(w, cellHeight, cellWidth), 1, h);
        if (keep < h)
            b.crop = QRect(0, static_cast<int>((h - keep) / 2), static_cast<int>(w), static_cast<int>(keep));
    }
    return b;
}

BoxLayout fixedLayout(const std::vector<QSize>& sizes, const Arrangement& a) {
    BoxLayout out;
    const int k = static_cast<int>(sizes.size());
    if (k == 0) return out;
    const int columns = std::min(std::max(a.columns, 1), k);
    const int rows = (k + columns - 1) / columns;
    const Cells c = fixedCells(a.output, columns, rows, a.gap, a.margin);
    for (int i = 0; i < k; ++i) {
        const size_t col = static_cast<size_t>(i % columns), row = static_cast<size_t>(i / columns);
        const QSize s = sizes[static_cast<size_t>(i)];
        out.boxes.push_back(a.fit == CellFit::Fill
                                ? fillCell(s, c.left[col], c.top[row], c.width[col], c.height[row])
                                : fitIntoCell(s, c.left[col], c.top[row], c.width[col], c.height[row], a));
    }
    out.canvasWidth = a.output.width();
    out.canvasHeight = a.output.height();
    return out;
}

}  // namespace collage
