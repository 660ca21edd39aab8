// zoomcalc over every set of neighbours, the coverage sum and the keep test.

#include <gtest/gtest.h>

#include "zoom/pass.h"
#include "zoom/zoom_calc.h"

namespace {

using namespace zoom;

struct CalcCase {
    unsigned flags;
    int expected;
};

class ZoomCalcFlags : public ::testing::TestWithParam<CalcCase> {};

// a = 10, b = 50, c = 90, d = 200 at fx = 0.25, fy = 0.5, worked by hand for each set of
// neighbours. The halves 77.5, 42.5 and 117.5 round to the even neighbour.
TEST_P(ZoomCalcFlags, GivesTheHandWorkedValue) {
    EXPECT_EQ(zoomcalc(10, 50, 90, 200, 0.25, 0.5, GetParam().flags), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(AllFlagCases, ZoomCalcFlags,
                         ::testing::Values(CalcCase{0b1111, 69}, CalcCase{0b1110, 60}, CalcCase{0b1101, 95},
                                           CalcCase{0b1011, 78}, CalcCase{0b0111, 42}, CalcCase{0b1100, 20},
                                           CalcCase{0b1010, 50}, CalcCase{0b0101, 125}, CalcCase{0b0011, 118},
                                           CalcCase{0b1001, 81}, CalcCase{0b0110, 75}, CalcCase{0b1000, 10},
                                           CalcCase{0b0100, 50}, CalcCase{0b0010, 90}, CalcCase{0b0001, 200}),
                         [](const ::testing::TestParamInfo<CalcCase>& p) {
                             std::string name = "Flags";
                             for (unsigned bit : {8u, 4u, 2u, 1u}) name += (p.param.flags & bit) ? '1' : '0';
                             return name;
                         });

TEST(ZoomCalc, PlanesThatExtrapolateAreClampedIntoAByte) {
    // Plane through TL, TR, BL far past the diagonal: 0 + 0.9 × 255 + 0.9 × 255 = 459.
    EXPECT_EQ(zoomcalc(0, 255, 255, 0, 0.9, 0.9, kTopLeft | kTopRight | kBottomLeft), 255);
    // Plane through TR, BL, BR at the missing corner: 0 + 0 − 255.
    EXPECT_EQ(zoomcalc(0, 0, 0, 255, 0, 0, kTopRight | kBottomLeft | kBottomRight), 0);
}

TEST(ZoomCalc, ExactHalvesRoundToEven) {
    EXPECT_EQ(zoomcalc(0, 1, 0, 1, 0.5, 0, kAllNeighbours), 0);
    EXPECT_EQ(zoomcalc(1, 2, 1, 2, 0.5, 0, kAllNeighbours), 2);
    EXPECT_EQ(zoomcalc(2, 3, 2, 3, 0.5, 0.75, kAllNeighbours), 2);
}

TEST(Coverage, SumsTheSharesOfTheNeighboursTakingPart) {
    EXPECT_DOUBLE_EQ(coverageOf(kAllNeighbours, 0.3, 0.6), 1.0);
    EXPECT_DOUBLE_EQ(coverageOf(kTopLeft, 0.25, 0.5), 0.375);
    EXPECT_DOUBLE_EQ(coverageOf(kTopRight | kBottomRight, 0.25, 0.5), 0.25);
    EXPECT_EQ(coverageOf(0, 0.25, 0.5), 0.0);
}

TEST(KeepTest, NeedsRoundedCoverageOfAtLeastHundredLessFillAndNeverZero) {
    EXPECT_TRUE(kept(0.5, 50));
    EXPECT_FALSE(kept(0.494, 50));
    EXPECT_TRUE(kept(0.995, 0));  // rounds to 100
    EXPECT_FALSE(kept(0.994, 0));
    EXPECT_TRUE(kept(1.0, 0));
    // Fill 100 and above let through all but P = 0; 0.5 % rounds to the even 0.
    EXPECT_TRUE(kept(0.0051, 100));
    EXPECT_FALSE(kept(0.005, 100));
    EXPECT_FALSE(kept(0.0, 1000));
    EXPECT_TRUE(kept(0.02, 1000));
    // A negative fill lets nothing through, not even whole cover.
    EXPECT_FALSE(kept(1.0, -10));
}

TEST(Progress, IsTheRoundedShareOfRowsDone) {
    EXPECT_EQ(percentDone(0, 3), 33);
    EXPECT_EQ(percentDone(1, 3), 67);
    EXPECT_EQ(percentDone(2, 3), 100);
    EXPECT_EQ(percentDone(0, 8), 12);  // 12.5 to even
    EXPECT_EQ(percentDone(2, 8), 38);  // 37.5 to even
}

}  // namespace
