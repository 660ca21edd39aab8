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

}  // namespace collage
