#include <gtest/gtest.h>

#include "base/error.h"
#include "base/image.h"
#include "collage/grid.h"
#include "collage/history.h"
#include "collage/piece_table.h"

namespace {

using collage::Arrangement;
using collage::ColumnAlign;
using collage::Options;
using collage::Piece;
using collage::PieceTable;
using collage::Rect;
using collage::RowAlign;
using collage::SizeMode;

const Options screen{false, false, 1024};

PieceTable tableOf(const std::vector<QSize>& sizes, bool autoSize = true) {
    PieceTable t(QSize(1024, 768), autoSize);
    for (const QSize s : sizes) {
        Piece p;
        p.picture = base::makeBgr(s.width(), s.height(), base::rgb(10, 20, 30));
        t.add(p, screen);
    }
    return t;
}

Arrangement grid(int columns, int gap = 0, int margin = 0) {
    Arrangement a;
    a.columns = columns;
    a.gap = gap;
    a.margin = margin;
    return a;
}

TEST(Grid, FivePiecesInTwoCentredColumnsWithGapAndMargin) {
    // Slot order, row by row: row 0 = pieces 0, 1; row 1 = 2, 3; row 2 = 4.
    //   column 0 holds 100, 30, 45 wide -> 100; column 1 holds 60, 90 -> 90.
    //   row 0 holds 50, 80 high -> 80; row 1 holds 32, 41 -> 41; row 2 holds 20 -> 20.
    //   cells start at x = 5 and 5 + 100 + 10 = 115; y = 5, 5 + 80 + 10 = 95, 95 + 41 + 10 = 146.
    //   piece 0: x 5 + (100 - 100) / 2 = 5,    y 5 + (80 - 50) / 2 = 20
    //   piece 1: x 115 + (90 - 60) / 2 = 130,  y 5 + 0 = 5
    //   piece 2: x 5 + (100 - 30) / 2 = 40,    y 95 + Round(4.5) = 95 + 4 = 99 (tie to even, down)
    //   piece 3: x 115 + 0 = 115,              y 95 + 0 = 95
    //   piece 4: x 5 + Round(27.5) = 5 + 28 = 33 (tie to even, up), y 146 + 0 = 146
    //   canvas: 2 x 5 + 100 + 90 + 10 = 210 wide, 2 x 5 + 80 + 41 + 20 + 2 x 10 = 171 high.
    PieceTable t = tableOf({{100, 50}, {60, 80}, {30, 32}, {90, 41}, {45, 20}});
    Arrangement a = grid(2, 10, 5);
    a.rowAlign = RowAlign::Middle;
    a.columnAlign = ColumnAlign::Center;
    const collage::Effects e = t.arrange(a, screen);
    EXPECT_TRUE(e.notices.isEmpty());
    EXPECT_EQ(
        t.rects(),
        (std::vector<Rect>{
            {5, 20, 100, 50}, {130, 5, 60, 80}, {40, 99, 30, 32}, {115, 95, 90, 41}, {33, 146, 45, 20}}));
    EXPECT_EQ(t.canvas(), QSize(210, 171));
    // Auto size would trim the margin at the next refit.
    EXPECT_FALSE(t.autoSize());
}

TEST(Grid, OneColumnStacksThePiecesAndKeepsAutoSizeWithoutMargin) {
    PieceTable t = tableOf({{40, 10}, {20, 30}, {30, 5}});
    Arrangement a = grid(1);
    a.columnAlign = ColumnAlign::Right;
    t.arrange(a, screen);
    EXPECT_EQ(t.rects(), (std::vector<Rect>{{0, 0, 40, 10}, {20, 10, 20, 30}, {10, 40, 30, 5}}));
    EXPECT_EQ(t.canvas(), QSize(40, 45));
    EXPECT_TRUE(t.autoSize());

    PieceTable typed = tableOf({{40, 10}, {20, 30}}, false);
    typed.arrange(grid(1, 3), screen);
    EXPECT_FALSE(typed.autoSize());
    EXPECT_EQ(typed.canvas(), QSize(40, 43));
}

TEST(Grid, MoreColumnsThanPiecesGiveOneRow) {
    PieceTable t = tableOf({{10, 10}, {20, 30}, {5, 7}});
    Arrangement a = grid(255, 2);
    a.rowAlign = RowAlign::Bottom;
    t.arrange(a, screen);
    EXPECT_EQ(t.rects(), (std::vector<Rect>{{0, 20, 10, 10}, {12, 0, 20, 30}, {34, 23, 5, 7}}));
    EXPECT_EQ(t.canvas(), QSize(39, 30));
}

TEST(Grid, TheLastRowMayBeShortAndColumnsFollowTheirOwnPieces) {
    const collage::GridLayout g = collage::gridLayout({{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}}, grid(3, 1));
    EXPECT_EQ(g.columns, 3);
    EXPECT_EQ(g.rows, 2);
    EXPECT_EQ(g.columnWidths, (std::vector<std::int64_t>{4, 5, 3}));
    EXPECT_EQ(g.rowHeights, (std::vector<std::int64_t>{3, 5}));
    EXPECT_EQ(g.left, (std::vector<std::int64_t>{0, 5, 11, 0, 5}));
    EXPECT_EQ(g.top, (std::vector<std::int64_t>{0, 0, 0, 4, 4}));
    EXPECT_EQ(g.canvasWidth, 4 + 5 + 3 + 2);
    EXPECT_EQ(g.canvasHeight, 3 + 5 + 1);
}

TEST(Grid, DefaultColumnsAreTheCeilingOfTheSquareRoot) {
    const std::vector<std::pair<int, int>> cases = {{1, 1}, {2, 2},  {4, 2},   {5, 3},
                                                    {9, 3}, {10, 4}, {255, 16}};
    for (const auto& [count, columns] : cases) EXPECT_EQ(collage::defaultColumns(count), columns) << count;
}

TEST(Grid, ScaledSizesRoundTiesToEvenAndStayAtLeastOne) {
    using collage::scaledSize;
    using W = collage::WideSize;
    EXPECT_EQ(scaledSize({100, 40}, SizeMode::OneHeight, 1), (W{2, 1}));  // 2.5 -> 2
    EXPECT_EQ(scaledSize({140, 40}, SizeMode::OneHeight, 1), (W{4, 1}));  // 3.5 -> 4
    EXPECT_EQ(scaledSize({1, 300}, SizeMode::OneHeight, 1), (W{1, 1}));
    EXPECT_EQ(scaledSize({300, 200}, SizeMode::OneWidth, 75), (W{75, 50}));
    EXPECT_EQ(scaledSize({300, 200}, SizeMode::AsTheyAre, 75), (W{300, 200}));
    // Far over the budget, and still exact: the caller refuses it.
    EXPECT_EQ(scaledSize({65535, 1}, SizeMode::OneHeight, 65535), (W{std::int64_t{65535} * 65535, 65535}));
}

TEST(Grid, OneHeightScalesEachPieceAndAKeyedPieceKeepsItsKey) {
    const base::Colour key = base::rgb(255, 0, 255);
    const base::Colour blue = base::rgb(0, 0, 200);
    // Left half key, right half blue, 8 x 4; shrunk to height 2 it is 4 x 2.
    QImage halves = base::makeBgr(8, 4, blue);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) base::setPixel(halves, x, y, key);
    // Odd columns put a key pixel and a blue one into one destination pixel.
    QImage stripes = base::makeBgr(6, 4, blue);
    for (int y = 0; y < 4; ++y) base::setPixel(stripes, 2, y, key), base::setPixel(stripes, 3, y, key);

    PieceTable t(QSize(1024, 768));
    Piece keyed;
    keyed.picture = stripes;
    t.add(keyed, screen);
    t.setTransparent(true);
    t.setTransColor(key);
    Piece plain;
    plain.picture = stripes;
    t.add(plain, screen);
    Piece atSize;
    atSize.picture = base::makeBgr(3, 2, blue);
    t.add(atSize, screen);
    const qint64 untouched = t.piece(2).picture.cacheKey();

    Arrangement a = grid(3);
    a.size = SizeMode::OneHeight;
    a.target = 2;
    t.arrange(a, screen);
    ASSERT_EQ(t.piece(0).picture.size(), QSize(3, 2));
    EXPECT_TRUE(t.piece(0).transparent);
    EXPECT_EQ(t.piece(0).pieceTransColor, key);
    // Destination column 1 covers source columns 2 and 3, both key: it takes exactly the key.
    EXPECT_EQ(base::pixelAt(t.piece(0).picture, 1, 0), key);
    EXPECT_EQ(base::pixelAt(t.piece(0).picture, 0, 1), blue);
    EXPECT_EQ(base::pixelAt(t.piece(0).picture, 2, 1), blue);
    EXPECT_EQ(base::pixelAt(t.piece(1).picture, 1, 0), key);
    EXPECT_FALSE(t.piece(1).transparent);
    // A piece already at the height is left as it is.
    EXPECT_EQ(t.piece(2).picture.cacheKey(), untouched);
    EXPECT_EQ(t.rects(), (std::vector<Rect>{{0, 0, 3, 2}, {3, 0, 3, 2}, {6, 0, 3, 2}}));

    // Where key and colour share a destination pixel, the keyed piece keeps it whole (50 % is
    // enough to keep) without mixing in the key, and the unkeyed one mixes them.
    PieceTable u(QSize(1024, 768));
    Piece k2;
    k2.picture = halves.copy(2, 0, 4, 4);  // key, key, blue, blue
    u.add(k2, screen);
    u.setTransparent(true);
    u.setTransColor(key);
    Piece p2;
    p2.picture = halves.copy(2, 0, 4, 4);
    u.add(p2, screen);
    Arrangement w = grid(2);
    w.size = SizeMode::OneWidth;
    w.target = 3;  // 4 x 4 -> 3 x 3: the middle column takes half a key pixel and half a blue
    u.arrange(w, screen);
    EXPECT_EQ(base::pixelAt(u.piece(0).picture, 1, 1), blue);
    EXPECT_EQ(base::pixelAt(u.piece(0).picture, 0, 1), key);
    EXPECT_NE(base::pixelAt(u.piece(1).picture, 1, 1), blue);
    EXPECT_NE(base::pixelAt(u.piece(1).picture, 1, 1), key);
}

TEST(Grid, RefusalsLeaveEverythingAsItWas) {
    PieceTable t = tableOf({{40000, 2}, {40000, 2}, {3, 3}});
    const PieceTable before = t;
    auto refused = [&](const Arrangement& a) {
        EXPECT_THROW(t.arrange(a, screen), base::Error);
        EXPECT_TRUE(t == before);
    };
    refused(grid(3));  // 80003 wide
    Arrangement high = grid(1);
    high.size = SizeMode::OneHeight;
    high.target = 60000;  // each wide piece would be 1.2e9 wide
    refused(high);
    refused(grid(0));
    refused(grid(256));
    refused(grid(1, 1001));
    refused(grid(1, 0, -1));
    Arrangement zero = grid(1);
    zero.size = SizeMode::OneWidth;
    zero.target = 0;
    refused(zero);

    PieceTable empty(QSize(100, 100));
    EXPECT_THROW(empty.arrange(grid(1), screen), base::Error);
    EXPECT_EQ(empty.canvas(), QSize(100, 100));
}

TEST(Grid, UndoReturnsTheArrangementBeforeExactly) {
    PieceTable t = tableOf({{30, 20}, {10, 40}, {25, 25}});
    t.pick(1);
    t.setTransparent(true);
    collage::History h;
    const PieceTable before = t;
    Arrangement a = grid(2, 4, 3);
    a.size = SizeMode::OneHeight;
    a.target = 10;
    t.arrange(a, screen);
    h.record(before, t);
    EXPECT_FALSE(t == before);
    ASSERT_TRUE(h.undo(t));
    EXPECT_TRUE(t == before);
    EXPECT_TRUE(t.autoSize());
    ASSERT_TRUE(h.redo(t));
    EXPECT_EQ(t.canvas(), QSize(3 + 15 + 4 + 2 + 3, 3 + 10 + 4 + 10 + 3));
}

TEST(Grid, TheRulesAreNotBrokenSoNoOptionIsSwitchedOff) {
    // Overlapping pieces, sticking out of a typed canvas: the grid puts them apart and inside.
    PieceTable t = tableOf({{50, 50}, {50, 50}}, false);
    t.pick(1);
    t.typeLeft(-10, {});
    const Options both{true, true, 1024};
    const collage::Effects e = t.arrange(grid(2), both);
    EXPECT_TRUE(e.notices.isEmpty());
    EXPECT_FALSE(e.noOverlapOff || e.keepInsideOff);
    EXPECT_FALSE(collage::overlaps(t.pieceRect(0), t.pieceRect(1)));
}

TEST(Grid, TheCacheSparesScalingTheSamePiecesAgain) {
    PieceTable t = tableOf({{40, 20}, {30, 30}});
    collage::ScaledPictures cache;
    Arrangement a = grid(2);
    a.size = SizeMode::OneHeight;
    a.target = 10;
    PieceTable first = t;
    first.arrange(a, screen, &cache);
    PieceTable second = t;
    a.gap = 5;
    second.arrange(a, screen, &cache);
    EXPECT_EQ(first.piece(0).picture.cacheKey(), second.piece(0).picture.cacheKey());
    EXPECT_EQ(second.pieceRect(1), (Rect{25, 0, 10, 10}));
    // Without the cache the same pixels come out.
    PieceTable third = t;
    third.arrange(a, screen);
    EXPECT_TRUE(third == second);
}

}  // namespace

namespace {

// Every pixel its own colour, so that a crop shows where it came from.
QImage numbered(int w, int h) {
    QImage p = base::makeBgr(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            base::setPixel(p, x, y, base::rgb(static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 7));
    return p;
}

PieceTable tableOfPictures(const std::vector<QImage>& pictures) {
    PieceTable t(QSize(1024, 768), true);
    for (const QImage& picture : pictures) {
        Piece p;
        p.picture = picture;
        t.add(p, screen);
    }
    return t;
}

}  // namespace

TEST(FixedSize, FilledCellsCropCentredAndUndoBringsThePictureBack) {
    // Two 6 × 4 cells in 14 × 4 with a gap of 2 and no margin (6 + 2 + 6): the 9 × 4 picture
    // loses 3 columns, 1 before and 2 after; the 3 × 8 one keeps rows 3 and 4, scaled to 6 × 4.
    PieceTable t = tableOfPictures({numbered(9, 4), numbered(3, 8)});
    collage::History h;
    const PieceTable before = t;
    Arrangement a = grid(2, 2);
    a.output = QSize(14, 4);
    a.fit = collage::CellFit::Fill;
    t.arrange(a, screen);
    h.record(before, t);
    EXPECT_EQ(t.canvas(), QSize(14, 4));
    EXPECT_FALSE(t.autoSize());
    EXPECT_EQ(t.rects(), (std::vector<Rect>{{0, 0, 6, 4}, {8, 0, 6, 4}}));
    EXPECT_EQ(t.piece(0).picture, numbered(9, 4).copy(1, 0, 6, 4));
    EXPECT_EQ(t.piece(1).picture.size(), QSize(6, 4));
    ASSERT_TRUE(h.undo(t));
    EXPECT_TRUE(t == before);
}

TEST(FixedSize, FittedPiecesKeepTheirKeyAndJustifiedRowsFillTheWidth) {
    PieceTable t = tableOf({{40, 20}, {20, 20}, {30, 60}});
    t.pick(0);
    t.setTransparent(true);
    t.setTransColor(base::rgb(10, 20, 30));
    Arrangement a = grid(3, 0, 5);
    a.output = QSize(200, 100);
    a.rowAlign = RowAlign::Middle;
    t.arrange(a, screen);
    // Cells of 64 / 63 / 63 × 90 from (5, 5); the 40 × 20 piece is 64 × 32, middle: 5 + 29.
    EXPECT_EQ(t.pieceRect(0), (Rect{5, 34, 64, 32}));
    EXPECT_EQ(t.pieceRect(2), (Rect{5 + 64 + 63, 5, 45, 90}));
    EXPECT_TRUE(t.piece(0).transparent);
    EXPECT_EQ(t.piece(0).pieceTransColor, base::rgb(10, 20, 30));

    Arrangement j;
    j.kind = collage::LayoutKind::Justified;
    j.rowWidth = 300;
    j.rowHeight = 85;
    j.gap = 4;
    t.arrange(j, screen);
    // One row: 300 − 8 over the aspects 2 + 1 + 0.5 gives 83.4 high; widths 167, 83, 42 by their
    // running sums 166.9, 250.3, 292. (At H = 100 the first two make a row of 98.7 and the last
    // stands alone at H.)
    EXPECT_EQ(t.canvas(), QSize(300, 83));
    EXPECT_EQ(t.rects(), (std::vector<Rect>{{0, 0, 167, 83}, {171, 0, 83, 83}, {258, 0, 42, 83}}));
    EXPECT_EQ(t.piece(1).picture.size(), QSize(83, 83));
}

TEST(FixedSize, OverTheBudgetOrWithoutRoomTheWholeIsRefused) {
    PieceTable t = tableOf({{40, 20}, {20, 20}});
    const PieceTable before = t;
    Arrangement a = grid(2);
    a.output = QSize(65535, 65535);
    EXPECT_THROW(t.arrange(a, screen), base::Error);
    EXPECT_TRUE(t == before);
    a.output = QSize(10, 10);
    a.margin = 5;
    EXPECT_THROW(t.arrange(a, screen), base::Error);
    EXPECT_TRUE(t == before);
    a.output = QSize(0, 10);
    EXPECT_THROW(t.arrange(a, screen), base::Error);
    Arrangement j;
    j.kind = collage::LayoutKind::Justified;
    j.rowWidth = 65535;
    j.rowHeight = 65535;
    EXPECT_THROW(t.arrange(j, screen), base::Error);
    EXPECT_TRUE(t == before);
}
