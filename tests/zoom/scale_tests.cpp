// zoomup, zoomdown and the choice between them, on small pictures worked by hand.

#include <gtest/gtest.h>

#include <vector>

#include "base/error.h"
#include "base/image.h"
#include "test_support.h"
#include "zoom/messages.h"
#include "zoom/scale.h"
#include "zoom/zoom_down.h"
#include "zoom/zoom_up.h"
#include "zoom_test_util.h"

namespace {

using namespace zoom;
using base::Colour;
using base::rgb;
using zoomtest::coloursOf;
using zoomtest::redRow;
using zoomtest::redsOf;
using zoomtest::row;

constexpr KeyOptions kOff{};
constexpr Colour kKey = rgb(0, 255, 0);
constexpr Colour kInk = rgb(200, 100, 50);

KeyOptions keyed(int fill) {
    return KeyOptions{true, kKey, fill};
}

TEST(ZoomUp, SamplesAtAlignedCentresAndClampsAtTheBorder) {
    // Sample points −0.25, 0.25, 0.75, 1.25.
    EXPECT_EQ(redsOf(zoomup(redRow({0, 255}), {4, 1}, kOff)), (std::vector<int>{0, 64, 191, 255}));
    // 0.5 and 1.5 round to the even neighbour.
    EXPECT_EQ(redsOf(zoomup(redRow({0, 2}), {4, 1}, kOff)), (std::vector<int>{0, 0, 2, 2}));
}

TEST(ZoomUp, OnePixelFillsAnySize) {
    const QImage out = zoomup(testsupport::solid(1, 1, kInk), {5, 3}, kOff);
    ASSERT_EQ(out.size(), QSize(5, 3));
    EXPECT_EQ(out.format(), QImage::Format_BGR888);
    for (int y = 0; y < 3; ++y) EXPECT_EQ(coloursOf(out, y), std::vector<Colour>(5, kInk));
}

TEST(ZoomUp, ChannelsAreInterpolatedApart) {
    const QImage out = zoomup(row({rgb(0, 10, 255), rgb(255, 30, 0)}), {4, 1}, kOff);
    EXPECT_EQ(coloursOf(out),
              (std::vector<Colour>{rgb(0, 10, 255), rgb(64, 15, 191), rgb(191, 25, 64), rgb(255, 30, 0)}));
}

// From [key, ink] to 4 × 1 the coverages are 0, 25 %, 75 % and 100 %, so each fill keeps a
// different share; the kept pixels copy the ink (the right column is the only one taking part).
struct FillCase {
    int fill;
    std::vector<Colour> expected;
};
class ZoomUpFill : public ::testing::TestWithParam<FillCase> {};

TEST_P(ZoomUpFill, KeepsThePixelsCoveredEnough) {
    EXPECT_EQ(coloursOf(zoomup(row({kKey, kInk}), {4, 1}, keyed(GetParam().fill))), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Fills, ZoomUpFill,
    ::testing::Values(FillCase{0, {kKey, kKey, kKey, kInk}}, FillCase{50, {kKey, kKey, kInk, kInk}},
                      FillCase{100, {kKey, kInk, kInk, kInk}}, FillCase{150, {kKey, kInk, kInk, kInk}},
                      FillCase{-10, {kKey, kKey, kKey, kKey}}),
    [](const ::testing::TestParamInfo<FillCase>& p) {
        return p.param.fill < 0 ? "Minus" + std::to_string(-p.param.fill) : std::to_string(p.param.fill);
    });

TEST(ZoomUp, NegativeFillKeysOutEverythingEvenWithTransparencyOff) {
    const QImage out = zoomup(redRow({10, 20}), {3, 2}, KeyOptions{false, kKey, -1});
    for (int y = 0; y < 2; ++y) EXPECT_EQ(coloursOf(out, y), std::vector<Colour>(3, kKey));
}

TEST(ZoomUp, KeyPixelsAreLeftOutOfTheMix) {
    // Off, the key colour would be mixed in; on, only the ink is.
    const QImage source = row({kInk, kKey, kInk});
    EXPECT_NE(coloursOf(zoomup(source, {6, 1}, kOff))[1], kInk);
    const std::vector<Colour> on = coloursOf(zoomup(source, {6, 1}, keyed(50)));
    EXPECT_EQ(on[0], kInk);
    EXPECT_EQ(on[1], kInk);
    EXPECT_EQ(on[2], kKey);
    EXPECT_EQ(on[3], kKey);
    EXPECT_EQ(on[4], kInk);
}

TEST(ZoomDown, AveragesTheBoxes) {
    EXPECT_EQ(redsOf(zoomdown(redRow({0, 0, 255, 255}), {2, 1}, kOff)), (std::vector<int>{0, 255}));
    EXPECT_EQ(redsOf(zoomdown(redRow({0, 100, 200, 255}), {2, 1}, kOff)), (std::vector<int>{50, 227}));
}

TEST(ZoomDown, KeepsAPixelHalfCoveredAtFiftyButNotAtForty) {
    const QImage source = row({kKey, kKey, kKey, kInk});
    EXPECT_EQ(coloursOf(zoomdown(source, {2, 1}, keyed(50))), (std::vector<Colour>{kKey, kInk}));
    EXPECT_EQ(coloursOf(zoomdown(source, {2, 1}, keyed(40))), (std::vector<Colour>{kKey, kKey}));
}

TEST(ZoomDown, KeyedOutSourceGivesKeyEverywhere) {
    const QImage out = zoomdown(testsupport::solid(6, 4, kKey), {3, 2}, keyed(100));
    for (int y = 0; y < 2; ++y) EXPECT_EQ(coloursOf(out, y), std::vector<Colour>(3, kKey));
}

TEST(ZoomDown, FillZeroNeedsFullCoverAndNegativeKeysAll) {
    const QImage source = row({kInk, kInk, kInk, kKey, kInk, kInk});
    EXPECT_EQ(coloursOf(zoomdown(source, {3, 1}, keyed(0))), (std::vector<Colour>{kInk, kKey, kInk}));
    EXPECT_EQ(coloursOf(zoomdown(source, {3, 1}, keyed(-10))), (std::vector<Colour>(3, kKey)));
    EXPECT_EQ(coloursOf(zoomdown(source, {3, 1}, KeyOptions{false, kKey, -10})),
              (std::vector<Colour>(3, kKey)));
}

TEST(ZoomDown, GrowingOneSideAndShrinkingTheOtherTakesHalfColumnsAndAveragesRows) {
    // 4 × 2 to 8 × 1: column x reads source column x / 2, each row the mean of both rows.
    QImage source = base::makeBgr(4, 2);
    for (int x = 0; x < 4; ++x) {
        base::setPixel(source, x, 0, rgb(static_cast<std::uint8_t>(40 * x), 0, 0));
        base::setPixel(source, x, 1, rgb(static_cast<std::uint8_t>(40 * x + 100), 0, 0));
    }
    EXPECT_EQ(scalePass({4, 2}, {8, 1}), ScalePass::Down);
    EXPECT_EQ(redsOf(zoomdown(source, {8, 1}, kOff)), (std::vector<int>{50, 50, 90, 90, 130, 130, 170, 170}));
}

TEST(ZoomDown, WhiteStaysWhiteAndBlackStaysBlack) {
    // The boxes end 1e-6 short of the next pixel, and the weight they are divided by is single
    // precision: neither may move a flat picture off its colour, for small or large factors.
    for (Colour c : {rgb(255, 255, 255), rgb(0, 0, 0)}) {
        EXPECT_EQ(coloursOf(zoomdown(testsupport::solid(3, 3, c), {1, 1}, kOff)), std::vector<Colour>{c});
        EXPECT_EQ(coloursOf(zoomdown(testsupport::solid(999, 7, c), {1, 1}, kOff)), std::vector<Colour>{c});
        EXPECT_EQ(coloursOf(zoomdown(testsupport::solid(7, 5, c), {3, 2}, kOff)), std::vector<Colour>(3, c));
    }
}

TEST(ScalePass, ShrinkingEitherSideChoosesTheAreaAverage) {
    EXPECT_EQ(scalePass({10, 10}, {10, 10}), ScalePass::None);
    EXPECT_EQ(scalePass({10, 10}, {11, 10}), ScalePass::Up);
    EXPECT_EQ(scalePass({10, 10}, {11, 11}), ScalePass::Up);
    EXPECT_EQ(scalePass({10, 10}, {9, 20}), ScalePass::Down);
    EXPECT_EQ(scalePass({10, 10}, {20, 9}), ScalePass::Down);
}

TEST(Scale, RefusesTheSameSizeAndSizesOutsideTheBudget) {
    const QImage source = testsupport::solid(4, 4, kInk);
    try {
        scale(source, {4, 4}, kOff);
        FAIL() << "same size accepted";
    } catch (const base::Error& e) {
        EXPECT_EQ(e.text(), QStringLiteral("サイズを変えてください"));
        EXPECT_EQ(e.text(), sameSizeText());
    }
    EXPECT_THROW(scale(source, {0, 4}, kOff), base::Error);
    EXPECT_THROW(scale(source, {4, -3}, kOff), base::Error);
    EXPECT_THROW(scale(source, {70000, 4}, kOff), base::Error);
    EXPECT_THROW(scale(source, {20000, 20000}, kOff), base::Error);
}

TEST(Scale, ReportsEveryRowAndEndsAtHundred) {
    std::vector<int> seen;
    scale(testsupport::solid(2, 2, kInk), {3, 3}, kOff, [&](int p) { seen.push_back(p); });
    EXPECT_EQ(seen, (std::vector<int>{33, 67, 100}));
    seen.clear();
    scale(testsupport::solid(8, 8, kInk), {3, 8}, kOff, [&](int p) { seen.push_back(p); });
    EXPECT_EQ(seen, (std::vector<int>{12, 25, 38, 50, 62, 75, 88, 100}));
}

TEST(Scale, ReadsAnyPictureFormatAsTwentyFourBits) {
    const QImage bgr = zoomtest::redRow({0, 255, 30});
    const QImage rgb32 = bgr.convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(scale(rgb32, {7, 2}, kOff), scale(bgr, {7, 2}, kOff));
    EXPECT_EQ(scale(rgb32, {2, 1}, kOff), scale(bgr, {2, 1}, kOff));
}

// The ratio rule of the size edits: a typed side far past the budget makes the other side a
// value no int holds (1000 × 1 and a typed height of 3000000 gives a width of 3e9).
TEST(RatioSide, FollowsTheRatioAndRefusesSidesPastTheBudget) {
    EXPECT_EQ(ratioHeight(151, 1.5), 101);  // 100.67
    EXPECT_EQ(ratioWidth(102, 1.5), 153);
    EXPECT_EQ(ratioHeight(5, 2.0), 2);  // 2.5 to the even 2
    EXPECT_EQ(ratioWidth(65535, 1.0), 65535);
    EXPECT_EQ(ratioHeight(-10, 1.0), -10);  // left for the preview's own refusal
    const auto refusal = [](auto work) {
        try {
            (void)work();
        } catch (const base::Error& e) {
            return e.text();
        }
        return QStringLiteral("accepted");
    };
    EXPECT_TRUE(refusal([] {
                    return ratioWidth(3000000, 1000.0);
                }).startsWith(QStringLiteral("画像が大きすぎるか空です (3000000000 × 3000000)")));
    EXPECT_TRUE(refusal([] {
                    return ratioHeight(2000000000, 1e-9);
                }).startsWith(QStringLiteral("画像が大きすぎるか空です (2000000000 × ")));
    EXPECT_TRUE(
        refusal([] { return ratioWidth(65536, 1.0); }).startsWith(QStringLiteral("画像が大きすぎる")));
    EXPECT_TRUE(refusal([] { return ratioWidth(-3000000, 1000.0); }).startsWith(QStringLiteral("画像が")));
}

}  // namespace
