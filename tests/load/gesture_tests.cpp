#include <gtest/gtest.h>

#include "load/mouse_gestures.h"

namespace {

using load::Axis;
using load::Span;

constexpr int kOriginX = 27;
constexpr int kOriginY = 25;

// A whole drawn gesture along one axis: press at `press`, moves through `moves`, release at
// `release`, on a picture `extent` long at `origin`.
load::Release draw(int press, std::initializer_list<int> moves, int release, int extent, int origin) {
    const load::DrawStart s = load::startDrawn(press, origin);
    Span frame = s.frame;
    for (int at : moves) frame = load::dragDrawn(frame, at, s.anchor);
    return load::releaseDrawn(frame, release, s.anchor, origin, extent);
}

TEST(DrawnSelectionTest, PressStartsATwoPixelFrameAroundThePressedPixel) {
    const load::DrawStart s = load::startDrawn(10, kOriginX);
    EXPECT_EQ(s.frame, (Span{36, 2}));
    EXPECT_EQ(s.anchor, 9);
}

TEST(DrawnSelectionTest, DragDownRightIncludesPressAndLastColumn) {
    const load::Release x = draw(10, {30, 49}, 49, 200, kOriginX);
    EXPECT_EQ(x.axis, (Axis{10, 50, 200}));
    EXPECT_EQ(x.thumb, 30);
    EXPECT_EQ(x.frame, (Span{36, 42}));
    const load::Release y = draw(20, {59}, 59, 100, kOriginY);
    EXPECT_EQ(y.axis, (Axis{20, 60, 100}));
}

TEST(DrawnSelectionTest, ReverseDragSelectsFromThePointerToBeforeTheAnchor) {
    EXPECT_EQ(draw(50, {35, 20}, 20, 200, kOriginX).axis, (Axis{20, 49, 200}));
    EXPECT_EQ(draw(50, {30}, 30, 100, kOriginY).axis, (Axis{30, 49, 100}));
}

TEST(DrawnSelectionTest, NoMoveGivesAnEmptySelectionAtThePress) {
    const load::Release r = draw(10, {}, 10, 200, kOriginX);
    EXPECT_EQ(r.axis, (Axis{10, 10, 200}));
    EXPECT_EQ(r.thumb, 10);
    EXPECT_EQ(r.frame, (Span{36, 2}));
}

TEST(DrawnSelectionTest, OneBeforeThePressIsEmptyTooAndTwoBeforeSelectsOne) {
    EXPECT_EQ(draw(10, {9}, 9, 200, kOriginX).axis, (Axis{10, 10, 200}));
    EXPECT_EQ(draw(10, {8}, 8, 200, kOriginX).axis, (Axis{8, 9, 200}));
}

TEST(DrawnSelectionTest, TheLastColumnIsTheLastMoveNotTheRelease) {
    EXPECT_EQ(draw(10, {40}, 45, 200, kOriginX).axis, (Axis{10, 41, 200}));
}

TEST(DrawnSelectionTest, EndingOnTheLastOrSecondLastColumnReachesTheEdge) {
    EXPECT_EQ(draw(150, {198}, 198, 200, kOriginX).axis, (Axis{150, 200, 200}));
    EXPECT_EQ(draw(150, {199}, 199, 200, kOriginX).axis, (Axis{150, 200, 200}));
    EXPECT_EQ(draw(150, {197}, 197, 200, kOriginX).axis, (Axis{150, 198, 200}));
    EXPECT_EQ(draw(150, {500}, 500, 200, kOriginX).axis, (Axis{150, 200, 200}));
}

TEST(DrawnSelectionTest, ARectangleLeftOfThePictureIsShiftedOntoItKeepingItsWidth) {
    // Anchor 9, pointer at -10: 19 columns wide, moved to start at 0.
    const load::Release r = draw(10, {-10}, -10, 200, kOriginX);
    EXPECT_EQ(r.axis, (Axis{0, 19, 200}));
    EXPECT_EQ(r.frame, (Span{26, 21}));
    // A press on the frame's border left of the picture.
    EXPECT_EQ(draw(-1, {5}, 5, 200, kOriginX).axis, (Axis{0, 7, 200}));
}

TEST(DrawnSelectionTest, ReleaseAfterTheAnchorFollowingAMoveBeforeItIsEmptyNotInverted) {
    const load::Release r = draw(10, {5}, 12, 200, kOriginX);
    EXPECT_EQ(r.axis, (Axis{10, 10, 200}));
}

TEST(DrawnSelectionTest, ShownFrameBeforeTheAnchorIsWhatTheReleaseWillSelect) {
    const load::DrawStart s = load::startDrawn(50, kOriginX);
    for (int at : {49, 48, 30, 2}) {
        const Span dragged = load::dragDrawn(s.frame, at, s.anchor);
        const load::Release r = load::releaseDrawn(dragged, at, s.anchor, kOriginX, 1000);
        EXPECT_EQ(load::shownSpan(dragged), r.frame) << at;
    }
    const Span forward = load::dragDrawn(s.frame, 60, s.anchor);
    EXPECT_EQ(load::shownSpan(forward), forward);
}

TEST(FrameDragTest, StopsAtTheLeftAndRightOfThePicture) {
    // A 40-wide selection at 50 on a 200-wide picture: frame start 76, length 42.
    EXPECT_EQ(load::dragFrame(76, 100, 300, 42, kOriginX, 200), kOriginX - 1);
    EXPECT_EQ(load::dragFrame(76, 300, 100, 42, kOriginX, 200), kOriginX + 200 + 1 - 42);
    EXPECT_EQ(load::dragFrame(76, 110, 100, 42, kOriginX, 200), 86);
}

TEST(FrameDragTest, AFrameAroundTheWholePictureCannotMove) {
    for (int pointer : {0, 50, 400}) EXPECT_EQ(load::dragFrame(26, pointer, 100, 202, kOriginX, 200), 26);
}

TEST(FrameDragTest, ReleaseKeepsTheWidth) {
    const load::Release r = load::releaseFrame(Span{kOriginX - 1, 42}, kOriginX, 200);
    EXPECT_EQ(r.axis, (Axis{0, 40, 200}));
    EXPECT_EQ(r.thumb, 20);
    const load::Release moved = load::releaseFrame(Span{86, 42}, kOriginX, 200);
    EXPECT_EQ(moved.axis, (Axis{60, 100, 200}));
    EXPECT_EQ(moved.thumb, 80);
}

}  // namespace
