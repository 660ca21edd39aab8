#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "base/error.h"
#include "base/image.h"
#include "bmpfilters/dither_pixel.h"
#include "bmpfilters/filter_bitmap.h"
#include "bmpfilters/quantize_color.h"
#include "bmpfilters/reduce_to_static_palette.h"
#include "bmpfilters/static_palette.h"

namespace {

using namespace bmpfilters;

using Rgb = base::Colour;

QImage picture(int w, int h, const std::vector<Rgb>& pixels) {
    QImage img = base::makeBgr(w, h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) base::setPixel(img, x, y, pixels[static_cast<std::size_t>(y * w + x)]);
    return img;
}

std::vector<int> indexes(const QImage& img) {
    std::vector<int> out;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) out.push_back(img.pixelIndex(x, y));
    return out;
}

// The reduction spelled out step by step: the generic window pass with the virtual quantizer, then
// each dithered pixel mapped to its index through the level tables.
std::vector<int> stepByStep(const QImage& src) {
    TQuantizeToStaticColor quantizer;
    const QImage dithered = FilterBitmap(src, DitherPixel, &quantizer);
    const LevelTables& t = levelTables();
    std::vector<int> out;
    for (int y = 0; y < dithered.height(); ++y)
        for (int x = 0; x < dithered.width(); ++x) {
            const Rgb c = base::pixelAt(dithered, x, y);
            out.push_back(staticIndex(t.red[base::red(c)], t.green[base::green(c)], t.blue[base::blue(c)]));
        }
    return out;
}

struct HandCase {
    const char* name;
    int w, h;
    std::vector<Rgb> pixels;
    std::vector<int> expected;
};

class ReduceByHand : public ::testing::TestWithParam<HandCase> {};

TEST_P(ReduceByHand, GivesTheWorkedOutIndexes) {
    const HandCase& c = GetParam();
    const QImage src = picture(c.w, c.h, c.pixels);
    const QImage out = ReduceToStaticPalette(src);
    ASSERT_EQ(out.format(), QImage::Format_Indexed8);
    ASSERT_EQ(out.size(), src.size());
    EXPECT_EQ(indexes(out), c.expected);
    EXPECT_EQ(stepByStep(src), c.expected);
}

// Worked out from the shares: a channel c with level value q gets d = q - c, and a neighbour
// value v becomes clamp(v - trunc(k * d / 16)).
INSTANTIATE_TEST_SUITE_P(
    Cases, ReduceByHand,
    ::testing::Values(
        // (30,30,30) -> (51,43,51), d = (21,13,21); right gets -9,-5,-9: (80,68,80) -> (71,63,71),
        // all level 1 (index 49) where it alone would be index 98.
        HandCase{"RightShare", 2, 1, {base::rgb(30, 30, 30), base::rgb(80, 68, 80)}, {49, 49}},
        // (20,20,20) -> black, d = -20, right gets +8: (250,230,5) -> (255 clamped, 238, 13) = index
        // 246. The clamped red has no error left, so (230,0,0) keeps red 230 (level 4); its green
        // goes -7 and clamps at 0, its blue gets +5: index 168.
        HandCase{"ClampBeforeTheNextShare",
                 3,
                 1,
                 {base::rgb(20, 20, 20), base::rgb(250, 230, 5), base::rgb(230, 0, 0)},
                 {0, 246, 168}},
        // One pixel wide: only the 5/16 below arrives: -6,-4,-6 turns (80,68,80) into (74,64,74),
        // levels 1, 2, 1 = index 55. More than 5/16 would drop green to level 1.
        HandCase{"OnePixelWide", 1, 2, {base::rgb(30, 30, 30), base::rgb(80, 68, 80)}, {49, 55}},
        // Red only. (0,0)=30: d=21, right -9, below -6, below right -1. (1,0)=91: d=11, below left
        // -2, below -3. (0,1)=84-6-2=76: d=-25, right +10. (1,1)=130-1-3+10=136: level 3.
        HandCase{"AllFourNeighbours",
                 2,
                 2,
                 {base::rgb(30, 0, 0), base::rgb(100, 0, 0), base::rgb(84, 0, 0), base::rgb(130, 0, 0)},
                 {42, 84, 42, 126}}),
    [](const ::testing::TestParamInfo<HandCase>& row) { return std::string(row.param.name); });

class ReduceSolid : public ::testing::TestWithParam<std::pair<Rgb, int>> {};

TEST_P(ReduceSolid, GivesOneIndexEverywhere) {
    const QImage out = ReduceToStaticPalette(base::makeBgr(37, 23, GetParam().first));
    EXPECT_EQ(indexes(out), std::vector<int>(37 * 23, GetParam().second));
    EXPECT_EQ(out.colorTable(), staticPalette());
}

INSTANTIATE_TEST_SUITE_P(Colours, ReduceSolid,
                         ::testing::Values(std::pair<Rgb, int>{base::rgb(0, 0, 0), 0},
                                           std::pair<Rgb, int>{base::rgb(255, 255, 255), 251},
                                           std::pair<Rgb, int>{base::rgb(51, 43, 102), 50},
                                           std::pair<Rgb, int>{base::rgb(255, 0, 0), 210}));

TEST(ReduceToStaticPaletteTest, PaletteColoursComeOutUnchanged) {
    std::mt19937 rng(7);
    const int w = 19, h = 11;
    std::vector<Rgb> pixels;
    std::vector<int> expected;
    for (int i = 0; i < w * h; ++i) {
        const int index = static_cast<int>(rng() % 252);
        pixels.push_back(base::fromQRgb(staticPalette()[index]));
        expected.push_back(index);
    }
    EXPECT_EQ(indexes(ReduceToStaticPalette(picture(w, h, pixels))), expected);
}

TEST(ReduceToStaticPaletteTest, AlwaysCarriesAll252ColoursAndLeavesTheSource) {
    const QImage src = base::makeBgr(1, 1, base::rgb(10, 200, 90));
    const QImage before = src.copy();
    const QImage out = ReduceToStaticPalette(src);
    ASSERT_EQ(out.colorCount(), 252);
    EXPECT_EQ(out.colorTable(), staticPalette());
    EXPECT_EQ(src, before);
}

// A large result comes from the picture allocator's own mapping, palette and all.
TEST(ReduceToStaticPaletteTest, LargeResultIsMapped) {
    const QImage out = ReduceToStaticPalette(base::makeBgr(1500, 1500, base::rgb(0, 43, 255)));
    EXPECT_TRUE(base::isMapped(out));
    EXPECT_EQ(out.colorTable(), staticPalette());
    EXPECT_EQ(out.constScanLine(1499)[1499], 0 * 42 + 1 * 6 + 5);
}

// The fast pass against the step-by-step one on noise, which reaches every clamp and margin.
class ReduceMatchesStepByStep : public ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(ReduceMatchesStepByStep, OnNoise) {
    const auto [w, h] = GetParam();
    std::mt19937 rng(static_cast<unsigned>(w * 1000 + h));
    QImage src = base::makeBgr(w, h, 0);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = src.scanLine(y);
        // Half the rows near the extremes, so that shares push past 0 and 255.
        for (int i = 0; i < 3 * w; ++i) {
            const unsigned v = rng() % 256;
            row[i] = static_cast<std::uint8_t>(y % 2 ? v : (v < 128 ? v % 12 : 255 - v % 12));
        }
    }
    EXPECT_EQ(indexes(ReduceToStaticPalette(src)), stepByStep(src));
}

INSTANTIATE_TEST_SUITE_P(Sizes, ReduceMatchesStepByStep,
                         ::testing::Values(std::pair{1, 1}, std::pair{1, 9}, std::pair{9, 1}, std::pair{2, 2},
                                           std::pair{13, 7}, std::pair{64, 33}, std::pair{257, 3}));

class ReduceRefuses : public ::testing::TestWithParam<QImage::Format> {};

TEST_P(ReduceRefuses, OtherFormatsWithTheFilterMessage) {
    const QImage src = base::makeBgr(3, 2, 0).convertToFormat(GetParam());
    try {
        ReduceToStaticPalette(src);
        FAIL() << "accepted format " << GetParam();
    } catch (const base::Error& e) {
        EXPECT_EQ(e.text(), QStringLiteral("BitmapFiletr accepts only 24Bit DIB"));
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, ReduceRefuses,
                         ::testing::Values(QImage::Format_RGB32, QImage::Format_Indexed8,
                                           QImage::Format_RGB888, QImage::Format_Invalid));

}  // namespace
