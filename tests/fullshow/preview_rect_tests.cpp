#include <gtest/gtest.h>

#include "fullshow/preview_rect.h"

namespace {

using fullshow::previewFits;
using fullshow::previewRect;

constexpr QSize kScreen{1024, 768};

struct Case {
    const char* name;
    QSize picture;
    QSize screen;
    QRect expected;
};

class PreviewRect : public ::testing::TestWithParam<Case> {};

TEST_P(PreviewRect, PlacesThePicture) {
    const Case& c = GetParam();
    EXPECT_EQ(previewRect(c.picture, c.screen), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PreviewRect,
    ::testing::Values(Case{"WideScaledToTheWidth", {2048, 512}, kScreen, {0, 256, 1024, 256}},
                      Case{"TallScaledToTheHeight", {800, 1600}, kScreen, {320, 0, 384, 768}},
                      Case{"ExactlyTheScreenUnscaled", {1024, 768}, kScreen, {0, 0, 1024, 768}},
                      Case{"SmallCentredNotEnlarged", {200, 100}, kScreen, {412, 334, 200, 100}},
                      Case{"OddMarginsHalvedDown", {201, 101}, kScreen, {411, 333, 201, 101}},
                      // One pixel too big must be scaled, not shown at (0, 0) with its last column cut off.
                      Case{"OnePixelTooWideScaled", {1025, 768}, kScreen, {0, 0, 1024, 767}},
                      Case{"OnePixelTooHighScaled", {1024, 769}, kScreen, {0, 0, 1023, 768}},
                      // 1024 * 300 / 2000 = 153.6 rounds to 154.
                      Case{"ScaledHeightRounded", {2000, 300}, kScreen, {0, 307, 1024, 154}},
                      Case{"BothTooBigSameAspectFillsTheScreen", {4096, 3072}, kScreen, {0, 0, 1024, 768}},
                      Case{"TooBigBothWaysTallerThanTheScreen", {3000, 6000}, kScreen, {320, 0, 384, 768}},
                      // 100 * 5 / 200 = 2.5 and 100 * 3 / 200 = 1.5: halves go to the even neighbour.
                      Case{"TieRoundsDownToEven", {200, 5}, {100, 4}, {0, 1, 100, 2}},
                      Case{"TieRoundsUpToEven", {200, 3}, {100, 4}, {0, 1, 100, 2}},
                      Case{"EmptyPictureDrawsNothing", {0, 2000}, kScreen, {}},
                      Case{"EmptyScreenDrawsNothing", {10, 10}, {0, 0}, {}}),
    [](const ::testing::TestParamInfo<Case>& row) { return std::string(row.param.name); });

TEST(PreviewFits, OnlyWhenBothSidesFit) {
    EXPECT_TRUE(previewFits({1024, 768}, kScreen));
    EXPECT_FALSE(previewFits({1025, 10}, kScreen));
    EXPECT_FALSE(previewFits({10, 769}, kScreen));
}

TEST(PreviewRect, ScaledPictureStaysInsideTheScreen) {
    for (int w : {1, 7, 1023, 1025, 3000, 65535})
        for (int h : {1, 5, 767, 769, 2500, 65535}) {
            const QRect r = previewRect({w, h}, kScreen);
            EXPECT_TRUE(QRect(QPoint(0, 0), kScreen).contains(r) || r.isEmpty()) << w << "x" << h;
            EXPECT_LE(r.width(), w);
            EXPECT_LE(r.height(), h);
        }
}

}  // namespace
