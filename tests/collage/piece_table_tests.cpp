#include <random>

#include <gtest/gtest.h>

#include "base/error.h"
#include "base/image.h"
#include "collage/adding.h"
#include "collage/history.h"
#include "collage/piece_table.h"
#include "table_checks.h"

namespace {

using collage::Options;
using collage::Piece;
using collage::PieceTable;
using collage::Rect;
using testsupport::expectInvariants;

// A 1024-pixel screen, no placement options.
const Options screen{false, false, 1024};

Piece pieceOf(int w, int h, base::Colour c = base::rgb(10, 20, 30), const QString& file = {}) {
    Piece p;
    p.picture = base::makeBgr(w, h, c);
    p.pieceFile = file;
    return p;
}

TEST(PieceTable, AddPlacesKeysAndFitsUnderAutoSize) {
    PieceTable t(QSize(1024, 768));
    Piece a = pieceOf(100, 50, base::rgb(1, 2, 3), QStringLiteral("a.bmp"));
    t.add(a, screen);
    t.add(pieceOf(30, 80), screen);
    ASSERT_EQ(t.pieceCount(), 2);
    EXPECT_EQ(t.pieceRect(1), (Rect{100, 0, 30, 80}));
    EXPECT_EQ(t.piece(0).pieceTransColor, base::rgb(1, 2, 3));
    EXPECT_FALSE(t.piece(0).transparent);
    EXPECT_EQ(t.piece(0).pieceFile, QStringLiteral("a.bmp"));
    EXPECT_EQ(t.pickIndex(), 1);
    EXPECT_EQ(t.canvas(), QSize(130, 80));
}

TEST(PieceTable, RefusedEditsChangeNothing) {
    PieceTable t(QSize(1024, 768));
    t.add(pieceOf(2, 2), screen);
    t.add(pieceOf(2, 2), screen);
    const PieceTable before = t;
    // A canvas that auto size would make over the budget: 65539 wide.
    EXPECT_THROW(t.add(pieceOf(65535, 1), screen), base::Error);
    EXPECT_TRUE(t == before);
    // A typed position whose refit would be over the budget.
    EXPECT_THROW(t.typeLeft(70000, {}), base::Error);
    EXPECT_TRUE(t == before);
    // Positions that would overflow the arithmetic.
    t.setAutoSize(false);
    const PieceTable off = t;
    EXPECT_THROW(t.typeLeft(INT32_MAX, {}), base::Error);
    EXPECT_THROW(t.typeTop(INT32_MIN, {}), base::Error);
    EXPECT_THROW(t.setCanvasWidth(99999, {}), base::Error);
    EXPECT_TRUE(t == off);
    // Out of the canvas is allowed without auto size.
    t.typeLeft(70000, {});
    EXPECT_EQ(t.pieceRect(1).left, 70000);
    EXPECT_EQ(t.canvas(), QSize(4, 2));
}

// A table composed for the last time gives the same canvas and lets every picture go.
TEST(PieceTable, ComposingReleasingGivesTheSameCanvasAndFreesThePictures) {
    PieceTable t(QSize(300, 200), false);
    t.setBackground(collage::Background{base::rgb(1, 2, 3), {}});
    std::vector<QImage> held;
    const int sides[][2] = {{50, 40}, {120, 30}, {7, 90}, {60, 60}};
    for (int i = 0; i < 4; ++i) {
        Piece p = pieceOf(sides[i][0], sides[i][1], base::rgb(static_cast<std::uint8_t>(40 * i), 9, 9));
        held.push_back(p.picture);
        t.add(std::move(p), screen);
        t.setTransparent(i % 2 == 1);
    }
    t.typeLeft(250, screen);  // the last one partly off the canvas
    for (const QImage& h : held) EXPECT_FALSE(h.isDetached());
    const QImage expected = collage::composeTable(t);
    const QImage out = std::move(t).composeReleasing();
    EXPECT_TRUE(out == expected);
    EXPECT_EQ(t.pieceCount(), 0);
    for (const QImage& h : held) EXPECT_TRUE(h.isDetached());  // the table holds none of them
}

// A top piece that is opaque and exactly the canvas is the composite itself, without a copy; keyed,
// moved or not on top, it is composed as usual.
TEST(PieceTable, AnOpaquePieceThatIsTheWholeCanvasIsTheComposite) {
    const auto table = [](bool keyed, int left, bool coveredBelow) {
        PieceTable t(QSize(40, 30), false);
        t.setBackground(collage::Background{base::rgb(1, 2, 3), {}});
        if (coveredBelow) t.add(pieceOf(20, 10, base::rgb(9, 9, 9)), screen);
        Piece top = pieceOf(40, 30, base::rgb(200, 100, 0));
        base::setPixel(top.picture, 0, 0, base::rgb(7, 7, 7));  // the key when keyed
        t.add(std::move(top), screen);
        t.setTransparent(keyed);
        t.typeLeft(left, screen);
        t.typeTop(0, screen);
        return t;
    };
    for (bool keyed : {false, true})
        for (int left : {0, 5})
            for (bool below : {false, true}) {
                PieceTable t = table(keyed, left, below);
                const QImage top = t.slots().back().picture;
                const QImage expected = collage::composeTable(t);
                const QImage out = std::move(t).composeReleasing();
                EXPECT_TRUE(out == expected) << keyed << left << below;
                const bool shared = out.constBits() == top.constBits();
                EXPECT_EQ(shared, !keyed && left == 0) << keyed << left << below;
            }
}

TEST(PieceTable, TheTableHoldsAtMost255Pieces) {
    PieceTable t(QSize(100, 100), false);
    for (int i = 0; i < collage::kMaxPieces; ++i) t.add(pieceOf(1, 1), {});
    const PieceTable full = t;
    EXPECT_THROW(t.add(pieceOf(1, 1), {}), base::Error);
    EXPECT_TRUE(t == full);
}

TEST(PieceTable, EditsReportWhatTheyBreak) {
    PieceTable t(QSize(100, 100), false);
    t.add(pieceOf(60, 10), {});
    t.add(pieceOf(60, 10), {});
    Options keep;
    keep.keepInside = true;
    const collage::Effects e = t.setCanvasWidth(50, keep);
    EXPECT_TRUE(e.keepInsideOff);
    ASSERT_EQ(e.notices.size(), 1);
    EXPECT_TRUE(e.notices[0].startsWith(QStringLiteral("0,1が枠外に出ます")));
    EXPECT_EQ(t.canvas(), QSize(50, 100));

    Options noOverlap;
    noOverlap.noOverlap = true;
    t.pick(0);
    const collage::Effects grown = t.replaceCurrent(base::makeBgr(80, 10), {}, base::rgb(1, 1, 1), noOverlap);
    EXPECT_TRUE(grown.noOverlapOff);
    EXPECT_TRUE(t.piece(0).transparent);
    EXPECT_EQ(t.piece(0).pieceTransColor, base::rgb(1, 1, 1));
    EXPECT_EQ(t.pieceRect(0), (Rect{0, 0, 80, 10}));
}

TEST(PieceTable, LayerMovesAndDeletionKeepEachPieceWhole) {
    PieceTable t(QSize(1000, 1000));
    t.add(pieceOf(10, 10, base::rgb(1, 0, 0), QStringLiteral("a")), screen);
    t.add(pieceOf(20, 20, base::rgb(2, 0, 0), QStringLiteral("b")), screen);
    t.add(pieceOf(30, 30, base::rgb(3, 0, 0), QStringLiteral("c")), screen);
    t.pick(0);
    t.raise(true);
    EXPECT_EQ(t.pickIndex(), 1);
    EXPECT_EQ(t.piece(1).pieceFile, QStringLiteral("a"));
    EXPECT_EQ(t.pieceRect(1), (Rect{0, 0, 10, 10}));
    EXPECT_EQ(t.piece(0).pieceFile, QStringLiteral("b"));
    t.pick(2);
    t.removeCurrent();
    EXPECT_EQ(t.pickIndex(), 1);
    EXPECT_EQ(t.canvas(), QSize(30, 20));
    t.clear();
    EXPECT_EQ(t.pieceCount(), 0);
    EXPECT_EQ(t.current(), nullptr);
}

TEST(History, NudgesOfOnePieceInARowAreOneStep) {
    PieceTable t(QSize(100, 100), false);
    t.add(pieceOf(10, 10), {});
    t.add(pieceOf(10, 10), {});
    collage::History h;
    const PieceTable start = t;
    for (int i = 0; i < 5; ++i) {
        const PieceTable before = t;
        t.nudge(1, 0, {});
        h.record(before, t, collage::StepKind::Nudge);
    }
    EXPECT_EQ(h.undoSteps(), 1u);
    // Another piece starts a new run.
    t.pick(0);
    PieceTable before = t;
    t.nudge(0, 1, {});
    h.record(before, t, collage::StepKind::Nudge);
    EXPECT_EQ(h.undoSteps(), 2u);
    // Something else in between ends the run.
    h.breakRun();
    before = t;
    t.nudge(0, 1, {});
    h.record(before, t, collage::StepKind::Nudge);
    EXPECT_EQ(h.undoSteps(), 3u);
    // A change of the current piece alone is no step.
    before = t;
    t.pick(1);
    h.record(before, t);
    EXPECT_EQ(h.undoSteps(), 3u);
    while (h.undo(t)) {
    }
    EXPECT_TRUE(t == start);
}

TEST(History, BoundedInStepsAndInThePicturesItAloneKeeps) {
    PieceTable t(QSize(100, 100), false);
    collage::History h(3, 1 << 20);
    for (int i = 0; i < 5; ++i) {
        const PieceTable before = t;
        t.add(pieceOf(10, 10), {});
        h.record(before, t);
    }
    EXPECT_EQ(h.undoSteps(), 3u);
    // Each replaced picture of 400 x 400 (480 000 bytes) is kept only by the history.
    collage::History small(100, 1 << 20);
    for (int i = 0; i < 4; ++i) {
        const PieceTable before = t;
        t.replaceCurrent(base::makeBgr(400, 400, base::rgb(static_cast<std::uint8_t>(i), 0, 0)), {}, {}, {});
        small.record(before, t);
        EXPECT_LE(small.retainedBytes(t), 1 << 20);
    }
    EXPECT_EQ(small.undoSteps(), 2u);
}

// A seeded run of edits, many of them refused: after each the invariants hold, a refusal leaves the
// table as it was, and undoing every step gives the first state back, redoing every step the last.
TEST(PieceTable, RandomEditsKeepTheRulesAndUndoExactly) {
    std::mt19937 rng(20261208);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    PieceTable t(QSize(1920, 1080));
    collage::History h(100000, INT64_MAX);
    std::vector<PieceTable> states{t};
    int refused = 0;
    for (int step = 0; step < 3000; ++step) {
        Options o;
        o.noOverlap = pick(0, 3) == 0;
        o.keepInside = pick(0, 3) == 0;
        o.screenWidth = 1920;
        const PieceTable before = t;
        try {
            switch (pick(0, 15)) {
                case 0:
                case 1: {
                    const bool wide = pick(0, 20) == 0;  // wide enough to push the canvas over the budget
                    t.add(pieceOf(wide ? 40000 : pick(1, 300), wide ? 1 : pick(1, 200),
                                  base::rgb(static_cast<std::uint8_t>(pick(0, 255)), 0, 0)),
                          o);
                    break;
                }
                case 2:
                    t.fit();
                    break;
                case 3:
                    t.setCanvasWidth(pick(0, 3) == 0 ? pick(-5, 99999) : pick(1, 3000), o);
                    break;
                case 4:
                    t.setCanvasHeight(pick(0, 3) == 0 ? pick(-5, 99999) : pick(1, 3000), o);
                    break;
                case 5:
                    t.setAutoSize(pick(0, 1) == 1);
                    break;
                case 6:
                    t.pick(pick(-1, t.pieceCount()));
                    break;
                case 7:
                    t.nudge(pick(-1, 1), pick(-1, 1), o);
                    break;
                case 8:
                    t.typeLeft(pick(0, 5) == 0 ? pick(INT32_MIN, INT32_MAX) : pick(-1800, 1800), o);
                    break;
                case 9:
                    t.typeTop(pick(0, 5) == 0 ? pick(-100000, 100000) : pick(-1600, 1600), o);
                    break;
                case 10:
                    t.offsetBy(pick(-1, 1), 0, o);
                    break;
                case 11:
                    t.raise(pick(0, 1) == 1);
                    break;
                case 12:
                    if (pick(0, 10) == 0)
                        t.clear();
                    else
                        t.removeCurrent();
                    break;
                case 13:
                    t.setTransparent(pick(0, 1) == 1);
                    t.setTransColor(base::rgb(static_cast<std::uint8_t>(pick(0, 255)), 1, 2));
                    break;
                case 14:
                    t.setBackground({base::rgb(0, static_cast<std::uint8_t>(pick(0, 255)), 0),
                                     pick(0, 1) ? base::makeBgr(3, 3, 7) : QImage()});
                    break;
                case 15:
                    t.replaceCurrent(pick(0, 10) == 0 ? base::makeBgr(40000, 1)
                                                      : base::makeBgr(pick(1, 200), pick(1, 200)),
                                     {}, pick(0, 1) ? std::optional<base::Colour>(5) : std::nullopt, o);
                    break;
            }
        } catch (const base::Error&) {
            ++refused;
            ASSERT_TRUE(t == before) << "step " << step;
        }
        expectInvariants(t);
        if (::testing::Test::HasFailure()) FAIL() << "step " << step;
        h.record(before, t);
        if (!before.sameContent(t)) states.push_back(t);
    }
    EXPECT_GT(refused, 30);
    EXPECT_EQ(h.undoSteps(), states.size() - 1);
    const PieceTable last = t;
    while (h.undo(t)) {
    }
    // Undo gives back the first content; the current piece is that of the state before each step.
    EXPECT_TRUE(t.sameContent(states.front()));
    EXPECT_TRUE(t == states.front());
    while (h.redo(t)) {
    }
    EXPECT_TRUE(t == last);
}

}  // namespace

namespace {

// The refusal of a canvas past the budget says where the budget ends.
TEST(CanvasBudget, TheRefusalNamesTheLimit) {
    try {
        collage::PieceTable table(QSize(11000, 12202), false);
        FAIL() << "a canvas of 11000 x 12202 was accepted";
    } catch (const base::Error& e) {
        const QString text = QString::fromUtf8(e.what());
        EXPECT_TRUE(text.startsWith(QStringLiteral("キャンバスが大きすぎます (11000 × 12202)"))) << e.what();
        EXPECT_TRUE(text.contains(QString::number(base::kMaxSide))) << e.what();
        EXPECT_TRUE(text.contains(QString::number(base::kMaxPixels))) << e.what();
    }
}

}  // namespace
