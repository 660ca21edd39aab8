#include <gtest/gtest.h>

#include <vector>

#include "base/error.h"
#include "base/image.h"
#include "collage/adding.h"
#include "collage/fit.h"
#include "collage/rect.h"
#include "collage/texts.h"

namespace {

using collage::AddRules;
using collage::Rect;

// Adds pieces one after another the way the window does, returning their places.
std::vector<Rect> addAll(const std::vector<QSize>& sizes, const AddRules& rules) {
    std::vector<Rect> placed;
    for (QSize s : sizes) {
        const auto p = collage::placeNewPiece(placed, s, rules);
        placed.push_back({p.position.x(), p.position.y(), s.width(), s.height()});
    }
    return placed;
}

TEST(AddingTest, PiecesGoSideBySideUnderAutoSize) {
    AddRules rules;
    rules.screenWidth = 1920;
    const auto placed = addAll({{100, 50}, {100, 50}, {100, 50}}, rules);
    EXPECT_EQ(placed[0], (Rect{0, 0, 100, 50}));
    EXPECT_EQ(placed[1], (Rect{100, 0, 100, 50}));
    EXPECT_EQ(placed[2], (Rect{200, 0, 100, 50}));
    const auto box = collage::fitBox(placed);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->width, 300);
    EXPECT_EQ(box->height, 50);
}

TEST(AddingTest, AutoSizeOffWrapsOnlyWhenKeepInsideAsksForIt) {
    AddRules rules;
    rules.autoSize = false;
    rules.canvasWidth = 250;
    rules.canvasHeight = 200;
    auto placed = addAll({{100, 50}, {100, 50}, {100, 50}}, rules);
    EXPECT_EQ(placed[2], (Rect{200, 0, 100, 50}));

    rules.keepInside = true;
    placed.pop_back();
    const auto p = collage::placeNewPiece(placed, {100, 50}, rules);
    EXPECT_EQ(p.position, QPoint(0, 50));  // wrapped, met piece 0, dropped below it
    EXPECT_FALSE(p.leavesFrame);
}

TEST(AddingTest, WrapsAtTheScreenWidthUnderAutoSize) {
    AddRules rules;
    rules.screenWidth = 250;
    const auto placed = addAll({{100, 50}, {100, 50}, {100, 50}, {100, 50}}, rules);
    EXPECT_EQ(placed[2], (Rect{200, 0, 100, 50}));  // 200 < 250: stays, sticking out
    EXPECT_EQ(placed[3], (Rect{0, 50, 100, 50}));   // 300 >= 250: wraps and drops
}

TEST(AddingTest, OnePassDropCanStillOverlapAnEarlierPiece) {
    // Slot 0 low down, slot 1 at the top: the new piece drops below slot 1 into slot 0,
    // which was already tested and is not looked at again.
    std::vector<Rect> below{{0, 40, 50, 50}, {0, 0, 50, 30}, {50, 0, 10, 10}};
    AddRules rules;
    rules.screenWidth = 55;  // 60 >= 55: wraps to x = 0
    const auto p = collage::placeNewPiece(below, {50, 20}, rules);
    EXPECT_EQ(p.position, QPoint(0, 30));
    EXPECT_TRUE(collage::overlaps({0, 30, 50, 20}, below[0]));
}

TEST(AddingTest, FrameCheckOnlyWithKeepInsideAndAutoSizeOff) {
    AddRules rules;
    rules.autoSize = false;
    rules.canvasWidth = 80;
    rules.canvasHeight = 80;
    EXPECT_FALSE(collage::placeNewPiece({}, {100, 50}, rules).leavesFrame);
    rules.keepInside = true;
    EXPECT_TRUE(collage::placeNewPiece({}, {100, 50}, rules).leavesFrame);
    EXPECT_TRUE(collage::placeNewPiece({}, {50, 90}, rules).leavesFrame);
    rules.autoSize = true;
    EXPECT_FALSE(collage::placeNewPiece({}, {100, 50}, rules).leavesFrame);
}

TEST(FitTest, ShiftsToTheBoundingBox) {
    std::vector<Rect> pieces{{30, 40, 100, 100}, {200, 10, 50, 300}};
    const auto box = collage::fitBox(pieces);
    ASSERT_TRUE(box);
    collage::shift(pieces, box->dx, box->dy);
    EXPECT_EQ(pieces[0], (Rect{0, 30, 100, 100}));
    EXPECT_EQ(pieces[1], (Rect{170, 0, 50, 300}));
    EXPECT_EQ(box->width, 220);
    EXPECT_EQ(box->height, 300);
}

TEST(FitTest, NegativePlacesShiftRightAndDown) {
    std::vector<Rect> pieces{{-50, -20, 10, 10}, {0, 0, 10, 10}};
    const auto box = collage::fitBox(pieces);
    EXPECT_EQ(box->dx, 50);
    EXPECT_EQ(box->dy, 20);
    EXPECT_FALSE(collage::fitBox({}));
}

TEST(FitTest, ABoxOverTheBudgetThrowsBeforeAnythingMoves) {
    std::vector<Rect> pieces{{-10, 0, 10, 10}, {70000, 0, 10, 10}};
    EXPECT_THROW(collage::fitPieces(pieces), base::Error);
    EXPECT_EQ(pieces[0].left, -10);
    pieces[1].left = 20;
    EXPECT_EQ(collage::fitPieces(pieces), QSize(40, 10));
    EXPECT_EQ(pieces[0].left, 0);
}

TEST(AddingTest, NewPieceTakesItsTopLeftColourAndAFullTableRefusesIt) {
    QImage picture = base::makeBgr(4, 2, base::rgb(1, 2, 3));
    base::setPixel(picture, 0, 0, base::rgb(9, 8, 7));
    AddRules rules;
    rules.screenWidth = 1000;
    std::vector<Rect> below{{0, 0, 5, 5}};
    const collage::NewPiece piece = collage::newPiece(below, picture, rules);
    EXPECT_EQ(piece.rect, (Rect{5, 0, 4, 2}));
    EXPECT_EQ(piece.key, base::rgb(9, 8, 7));
    below.resize(collage::kMaxPieces);
    EXPECT_THROW(collage::newPiece(below, picture, rules), base::Error);
}

TEST(CanvasSizeTest, ReportsPiecesBeyondTheNewEdge) {
    const std::vector<Rect> pieces{{100, 0, 100, 10}, {0, 0, 150, 10}, {60, 0, 100, 200}};
    EXPECT_EQ(collage::beyondRight(pieces, 150), (std::vector<int>{0, 2}));
    EXPECT_EQ(collage::texts::piecesOutside({0, 2}),
              QStringLiteral("0,2が枠外に出ます。｢枠外に出さない」をOFFにします。"));
    EXPECT_EQ(collage::beyondBottom(pieces, 10), (std::vector<int>{2}));
    EXPECT_TRUE(collage::beyondBottom(pieces, 200).empty());
}

}  // namespace
