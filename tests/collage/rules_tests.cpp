#include <gtest/gtest.h>

#include <vector>

#include "collage/rect.h"
#include "collage/rules.h"

namespace {

using collage::Rect;
using collage::Rules;

Rules overlapOnly(int w = 1000, int h = 1000) {
    return {true, false, w, h};
}

TEST(RectTest, TouchingAndEmptyRectanglesDoNotOverlap) {
    EXPECT_FALSE(collage::overlaps({0, 0, 100, 100}, {100, 0, 100, 100}));
    EXPECT_FALSE(collage::overlaps({0, 0, 100, 100}, {100, 100, 5, 5}));
    EXPECT_TRUE(collage::overlaps({0, 0, 100, 100}, {99, 99, 5, 5}));
    EXPECT_FALSE(collage::overlaps({10, 10, 0, 50}, {0, 0, 100, 100}));
    EXPECT_TRUE(collage::inside({0, 0, 300, 200}, 300, 200));
    EXPECT_FALSE(collage::inside({-1, 0, 10, 10}, 300, 200));
    EXPECT_FALSE(collage::inside({291, 0, 10, 10}, 300, 200));
}

TEST(MoveRuleTest, RightTenTimesStopsFlushAgainstTheNeighbour) {
    std::vector<Rect> pieces{{0, 0, 50, 50}, {60, 0, 50, 50}};
    for (int i = 0; i < 10; ++i) {
        const QPoint p = collage::moveRule(pieces, 0, pieces[0], {pieces[0].left + 1, 0}, overlapOnly());
        pieces[0].left = p.x();
    }
    EXPECT_EQ(pieces[0].left, 10);
    const QPoint again = collage::moveRule(pieces, 0, pieces[0], {11, 0}, overlapOnly());
    EXPECT_EQ(again, QPoint(10, 0));
}

TEST(MoveRuleTest, NarrowIntersectionPushesSideways) {
    const std::vector<Rect> pieces{{0, 0, 50, 50}, {60, 10, 50, 50}};
    EXPECT_EQ(collage::moveRule(pieces, 0, pieces[0], {15, 30}, overlapOnly()), QPoint(10, 30));
}

TEST(MoveRuleTest, PieceAlreadyOverlappingJumpsByItsWidth) {
    const std::vector<Rect> pieces{{0, 0, 100, 100}, {50, 0, 100, 100}};
    EXPECT_EQ(collage::moveRule(pieces, 0, pieces[0], {1, 0}, overlapOnly()), QPoint(-50, 0));
}

TEST(MoveRuleTest, PushOutsideTheCanvasIsRefused) {
    // A small piece asked into the middle of a big one is pushed up by its own height, past
    // the canvas's top edge: the move is refused and the piece stays where it stood.
    const std::vector<Rect> pieces{{100, 0, 20, 20}, {50, 0, 100, 100}};
    Rules rules{true, true, 300, 300};
    EXPECT_EQ(collage::moveRule(pieces, 0, pieces[0], {60, 10}, rules), QPoint(100, 0));
    rules.keepInside = false;
    EXPECT_EQ(collage::moveRule(pieces, 0, pieces[0], {60, 10}, rules), QPoint(100, 0));  // still overlaps
}

TEST(MoveRuleTest, TallIntersectionAndTiePushVertically) {
    const std::vector<Rect> pieces{{0, 0, 50, 50}, {0, 60, 50, 50}};
    // Moving down into the piece below: intersection 50 wide, 5 tall -> flush above it.
    EXPECT_EQ(collage::moveRule(pieces, 0, pieces[0], {0, 15}, overlapOnly()), QPoint(0, 10));
    // A square intersection counts as vertical.
    const std::vector<Rect> square{{0, 0, 10, 10}, {5, 5, 10, 10}};
    EXPECT_EQ(collage::moveRule(square, 0, square[0], {0, 0}, overlapOnly()), QPoint(0, -5));
}

TEST(MoveRuleTest, KeepInsideClampsAndWidePiecesStayAtZero) {
    const std::vector<Rect> pieces{{0, 0, 400, 50}};
    Rules rules{false, true, 300, 200};
    EXPECT_EQ(collage::moveRule(pieces, 0, pieces[0], {120, -9}, rules), QPoint(0, 0));
    const std::vector<Rect> small{{0, 0, 50, 50}};
    EXPECT_EQ(collage::moveRule(small, 0, small[0], {290, 180}, rules), QPoint(250, 150));
}

TEST(MoveRuleTest, BothRulesOffMoveExactly) {
    const std::vector<Rect> pieces{{0, 0, 50, 50}, {10, 10, 50, 50}};
    EXPECT_EQ(collage::moveRule(pieces, 0, pieces[0], {-700, 5}, Rules{}), QPoint(-700, 5));
}

TEST(TypedRuleTest, TypedLeftStopsFlushOrJumpsBeyond) {
    const std::vector<Rect> pieces{{0, 0, 50, 50}, {100, 0, 50, 50}};
    EXPECT_EQ(collage::typedLeftRule(pieces, 0, pieces[0], 80, overlapOnly()), 50);
    EXPECT_EQ(collage::typedLeftRule(pieces, 0, pieces[0], 200, overlapOnly()), 200);
    // Going left into a piece stops flush right of it, never past the old place.
    const std::vector<Rect> left{{100, 0, 50, 50}, {0, 0, 80, 50}};
    EXPECT_EQ(collage::typedLeftRule(left, 0, left[0], 60, overlapOnly()), 80);
    const std::vector<Rect> hugging{{100, 0, 50, 50}, {0, 0, 120, 50}};
    EXPECT_EQ(collage::typedLeftRule(hugging, 0, hugging[0], 60, overlapOnly()), 100);
}

TEST(TypedRuleTest, TypedTopClampsThenPushes) {
    const std::vector<Rect> pieces{{0, 0, 50, 50}, {0, 100, 50, 50}};
    EXPECT_EQ(collage::typedTopRule(pieces, 0, pieces[0], 70, overlapOnly()), 50);
    Rules rules{false, true, 300, 120};
    EXPECT_EQ(collage::typedTopRule(pieces, 0, pieces[0], 5000, rules), 70);
    EXPECT_EQ(collage::typedTopRule(pieces, 0, pieces[0], -8, rules), 0);
}

TEST(ReportTest, OverlapAndOutsideMessages) {
    const std::vector<Rect> pieces{{0, 0, 100, 100}, {50, 0, 100, 100}, {400, 0, 10, 10}, {90, 90, 10, 10}};
    EXPECT_EQ(collage::overlapReport(pieces), QStringLiteral("0/1, 0/3, 1/3が重なっています。"));
    EXPECT_EQ(collage::overlapReport(std::vector<Rect>{{0, 0, 100, 100}, {100, 0, 100, 100}}), QString());
    const std::vector<Rect> out{{0, 0, 10, 10}, {0, 0, 10, 10}, {-5, 0, 10, 10}};
    EXPECT_EQ(collage::outsideReport(out, 300, 200), QStringLiteral("2が枠外に出ています。"));
    EXPECT_EQ(collage::outsideReport({}, 300, 200), QString());
}

TEST(ReanchorTest, OnlyWhileThePointerWasOverThePiece) {
    collage::Anchor a;
    EXPECT_TRUE(collage::reanchor({5, 6}, {0, 0, 50, 50}, {10, 0}, &a));
    EXPECT_EQ(a.x, 15);
    EXPECT_EQ(a.y, 6);
    EXPECT_EQ(a.left, 10);
    EXPECT_FALSE(collage::reanchor({50, 6}, {0, 0, 50, 50}, {10, 0}, &a));
    EXPECT_FALSE(collage::reanchor({-1, 6}, {0, 0, 50, 50}, {10, 0}, &a));
}

TEST(LayerTest, TargetsAtTheEnds) {
    EXPECT_EQ(collage::layerTarget(1, 3, true), 2);
    EXPECT_EQ(collage::layerTarget(2, 3, true), -1);
    EXPECT_EQ(collage::layerTarget(0, 3, false), -1);
    EXPECT_EQ(collage::layerTarget(0, 0, true), -1);
}

}  // namespace
