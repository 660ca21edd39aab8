#include <gtest/gtest.h>

#include <optional>

#include "load/bar_moves.h"
#include "load/commits.h"
#include "load/load_source.h"
#include "load/selection.h"

namespace {

using load::Axis;

TEST(ThumbTest, CentredThumbRoundsHalvesToEven) {
    EXPECT_EQ(load::centredThumb(5), 2);
    EXPECT_EQ(load::centredThumb(7), 4);
    EXPECT_EQ(load::centredThumb(200), 100);
    EXPECT_EQ(load::centredThumb(1), 0);
    EXPECT_EQ(load::centredThumb(0), 0);
}

TEST(ThumbTest, CommittedThumbRoundsDownAndDiffersFromTheCentredOneForOddWidths) {
    EXPECT_EQ(load::thumbOf(10, 7), 13);
    EXPECT_EQ(load::thumbOf(0, 7), 3);
    EXPECT_EQ(load::thumbOf(0, 3), 1);
    EXPECT_EQ(load::centredThumb(3), 2);
    EXPECT_EQ(load::halfDown(-5), -3);
    EXPECT_EQ(load::halfDown(-4), -2);
}

TEST(FrameTest, LiesOnePixelOutsideTheSelection) {
    EXPECT_EQ(load::frameOf(load::wholeAxis(5), 27), (load::Span{26, 7}));
    EXPECT_EQ(load::frameOf(Axis{30, 31, 100}, 27), (load::Span{56, 3}));
}

TEST(TypedNumberTest, NonNumbersCountAsMinusOne) {
    EXPECT_EQ(load::typedNumber(QStringLiteral(" 42")), 42);
    EXPECT_EQ(load::typedNumber(QStringLiteral("$1E")), 30);
    EXPECT_EQ(load::typedNumber(QStringLiteral("abc")), -1);
    EXPECT_EQ(load::typedNumber(QString()), -1);
}

// One row per commit case: which commit, the axis before, the number typed, and what follows.
struct CommitCase {
    const char* name;
    enum Which { Low, High, Size } which;
    Axis before;
    int typed;
    std::optional<Axis> after;  // nullopt: rejected
    int thumb = 0;
    std::optional<int> lowText = std::nullopt;
    std::optional<int> sizeText = std::nullopt;
    std::optional<int> highText = std::nullopt;
};

class CommitTest : public ::testing::TestWithParam<CommitCase> {};

TEST_P(CommitTest, GivesTheSelectionAndRewritesOnlyTheEditsItShould) {
    const CommitCase& c = GetParam();
    std::optional<load::Commit> r;
    switch (c.which) {
        case CommitCase::Low:
            r = load::commitLow(c.before, c.typed);
            break;
        case CommitCase::High:
            r = load::commitHigh(c.before, c.typed);
            break;
        case CommitCase::Size:
            r = load::commitSize(c.before, c.typed);
            break;
    }
    ASSERT_EQ(r.has_value(), c.after.has_value());
    if (!r) return;
    EXPECT_EQ(r->axis, *c.after);
    EXPECT_EQ(r->thumb, c.thumb);
    EXPECT_EQ(r->lowText, c.lowText);
    EXPECT_EQ(r->sizeText, c.sizeText);
    EXPECT_EQ(r->highText, c.highText);
}

INSTANTIATE_TEST_SUITE_P(
    Commits, CommitTest,
    ::testing::Values(
        CommitCase{"RightEdgeBeyondThePictureShowsItsWidth", CommitCase::High, Axis{0, 100, 100}, 120,
                   Axis{0, 100, 100}, 50, std::nullopt, 100, 100},
        CommitCase{"LeftEdge30", CommitCase::Low, Axis{0, 100, 100}, 30, Axis{30, 100, 100}, 65, std::nullopt,
                   70},
        CommitCase{"RightEdgeBeforeTheLeftStopsOnePixelAfterIt", CommitCase::High, Axis{30, 100, 100}, 20,
                   Axis{30, 31, 100}, 30, std::nullopt, 1, 31},
        CommitCase{"LeftEdgeAtTheRightIsPulledBack", CommitCase::Low, Axis{0, 100, 100}, 100,
                   Axis{99, 100, 100}, 99, 99, 1},
        CommitCase{"WidthPastThePictureIsCut", CommitCase::Size, Axis{40, 100, 100}, 150, Axis{40, 100, 100},
                   70, std::nullopt, 60, 100},
        CommitCase{"WidthSevenPutsTheThumbAtThree", CommitCase::Size, Axis{10, 100, 100}, 7,
                   Axis{10, 17, 100}, 13, std::nullopt, std::nullopt, 17},
        CommitCase{"ZeroWidthIsIgnored", CommitCase::Size, Axis{40, 100, 100}, 0, std::nullopt},
        CommitCase{"LettersInTheWidthAreIgnored", CommitCase::Size, Axis{40, 100, 100}, -1, std::nullopt},
        CommitCase{"NegativeLeftEdgeIsIgnored", CommitCase::Low, Axis{10, 100, 100}, -3, std::nullopt},
        CommitCase{"ZeroRightEdgeIsIgnored", CommitCase::High, Axis{0, 100, 100}, 0, std::nullopt},
        CommitCase{"LeftEdgeZeroIsAccepted", CommitCase::Low, Axis{10, 20, 100}, 0, Axis{0, 20, 100}, 10,
                   std::nullopt, 20},
        // Drawn selections can be empty; a commit must not turn them inside out.
        CommitCase{"EmptyAtTheFirstPixelHasNoLeftEdge", CommitCase::Low, Axis{0, 0, 100}, 0, std::nullopt},
        CommitCase{"EmptyAtTheLastEdgeHasNoRightEdge", CommitCase::High, Axis{100, 100, 100}, 100,
                   std::nullopt},
        CommitCase{"EmptyAtTheLastEdgeHasNoWidth", CommitCase::Size, Axis{100, 100, 100}, 5, std::nullopt},
        CommitCase{"EmptyInsideGetsAWidth", CommitCase::Size, Axis{50, 50, 100}, 5, Axis{50, 55, 100}, 52,
                   std::nullopt, std::nullopt, 55}),
    [](const ::testing::TestParamInfo<CommitCase>& row) { return std::string(row.param.name); });

// Plain-mode moves on a 200-pixel picture with the selection 50..90 (width 40).
struct MoveCase {
    const char* name;
    int position;
    Axis after;
    int thumb;
};

class PlainMoveTest : public ::testing::TestWithParam<MoveCase> {};

TEST_P(PlainMoveTest, MovesTheWholeSelectionInsideThePicture) {
    const load::BarMove m = load::plainMove(Axis{50, 90, 200}, GetParam().position);
    EXPECT_EQ(m.axis, GetParam().after);
    EXPECT_EQ(m.thumb, GetParam().thumb);
}

INSTANTIATE_TEST_SUITE_P(Bars, PlainMoveTest,
                         ::testing::Values(MoveCase{"OneRight", 71, Axis{51, 91, 200}, 71},
                                           MoveCase{"End", 200, Axis{160, 200, 200}, 180},
                                           MoveCase{"Home", -1, Axis{0, 40, 200}, 20},
                                           MoveCase{"JustInside", 180, Axis{160, 200, 200}, 180},
                                           MoveCase{"OnePastTheEnd", 181, Axis{160, 200, 200}, 180}),
                         [](const ::testing::TestParamInfo<MoveCase>& row) {
                             return std::string(row.param.name);
                         });

TEST(EdgeMoveTest, LeftEdgeStopsOnePixelBeforeTheRightAndReachesZero) {
    const Axis a{50, 91, 200};
    EXPECT_EQ(load::lowEdgeThumb(a), 49);
    load::BarMove m = load::lowEdgeMove(a, 95);
    EXPECT_EQ(m.thumb, 89);
    EXPECT_EQ(m.axis, (Axis{90, 91, 200}));
    m = load::lowEdgeMove(a, -1);
    EXPECT_EQ(m.thumb, -1);
    EXPECT_EQ(m.axis, (Axis{0, 91, 200}));
    m = load::lowEdgeMove(a, 60);
    EXPECT_EQ(m.axis, (Axis{61, 91, 200}));
}

TEST(EdgeMoveTest, RightEdgeStopsOnePixelAfterTheLeftAndReachesTheEnd) {
    const Axis a{50, 91, 200};
    EXPECT_EQ(load::highEdgeThumb(a), 91);
    load::BarMove m = load::highEdgeMove(a, 10);
    EXPECT_EQ(m.thumb, 51);
    EXPECT_EQ(m.axis, (Axis{50, 51, 200}));
    m = load::highEdgeMove(a, 200);
    EXPECT_EQ(m.axis, (Axis{50, 200, 200}));
}

TEST(EdgeMoveTest, EmptySelectionsAtTheEdgesStayInsideThePicture) {
    EXPECT_EQ(load::lowEdgeMove(Axis{0, 0, 10}, 5).axis, (Axis{0, 0, 10}));
    EXPECT_EQ(load::highEdgeMove(Axis{10, 10, 10}, 3).axis, (Axis{10, 10, 10}));
}

TEST(LoadActionTest, CtrlMattersOnlyForTheButton) {
    using load::LoadAction;
    using load::LoadSender;
    EXPECT_EQ(load::loadAction(LoadSender::Loadpic, false), LoadAction::Reload);
    EXPECT_EQ(load::loadAction(LoadSender::Loadpic, true), LoadAction::LoadAnother);
    EXPECT_EQ(load::loadAction(LoadSender::reloadmenu, true), LoadAction::Reload);
    EXPECT_EQ(load::loadAction(LoadSender::loadmenu, false), LoadAction::LoadAnother);
}

}  // namespace
