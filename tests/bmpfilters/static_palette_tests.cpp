#include <gtest/gtest.h>

#include "base/colour.h"
#include "bmpfilters/quantize_color.h"
#include "bmpfilters/static_palette.h"

namespace {

using namespace bmpfilters;

TEST(StaticPaletteTest, HasTheLevelColoursInIndexOrder) {
    const QList<QRgb>& p = staticPalette();
    ASSERT_EQ(p.size(), 252);
    EXPECT_EQ(p[0], qRgb(0, 0, 0));
    EXPECT_EQ(p[251], qRgb(255, 255, 255));
    EXPECT_EQ(p[50], qRgb(51, 43, 102));  // levels 1, 1, 2
    EXPECT_EQ(p[5], qRgb(0, 0, 255));
    EXPECT_EQ(p[6], qRgb(0, 43, 0));
    EXPECT_EQ(p[42], qRgb(51, 0, 0));
    EXPECT_EQ(p[41], qRgb(0, 255, 255));
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 7; ++g)
            for (int b = 0; b < 6; ++b)
                ASSERT_EQ(p[r * 42 + g * 6 + b], qRgb(kRedValues[r], kGreenValues[g], kBlueValues[b]));
}

struct LevelCase {
    int value;
    int redBlueLevel;
    int greenLevel;
};

class LevelTableTest : public ::testing::TestWithParam<LevelCase> {};

TEST_P(LevelTableTest, MapsRunsToLevels) {
    const LevelTables& t = levelTables();
    EXPECT_EQ(t.red[GetParam().value], GetParam().redBlueLevel);
    EXPECT_EQ(t.blue[GetParam().value], GetParam().redBlueLevel);
    EXPECT_EQ(t.green[GetParam().value], GetParam().greenLevel);
}

// The edges of every run, and 230, which belongs to 204 rather than to 255.
INSTANTIATE_TEST_SUITE_P(RunEdges, LevelTableTest,
                         ::testing::Values(LevelCase{0, 0, 0}, LevelCase{21, 0, 0}, LevelCase{22, 0, 1},
                                           LevelCase{25, 0, 1}, LevelCase{26, 1, 1}, LevelCase{63, 1, 1},
                                           LevelCase{64, 1, 2}, LevelCase{76, 1, 2}, LevelCase{77, 2, 2},
                                           LevelCase{106, 2, 2}, LevelCase{107, 2, 3}, LevelCase{127, 2, 3},
                                           LevelCase{128, 3, 3}, LevelCase{149, 3, 3}, LevelCase{150, 3, 4},
                                           LevelCase{178, 3, 4}, LevelCase{179, 4, 4}, LevelCase{192, 4, 4},
                                           LevelCase{193, 4, 5}, LevelCase{230, 4, 5}, LevelCase{231, 5, 5},
                                           LevelCase{233, 5, 5}, LevelCase{234, 5, 6}, LevelCase{255, 5, 6}));

TEST(LevelTableTest, EveryLevelValueMapsBackToItsLevel) {
    const LevelTables& t = levelTables();
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(t.red[kRedValues[i]], i);
        EXPECT_EQ(t.blue[kBlueValues[i]], i);
    }
    for (int i = 0; i < 7; ++i) EXPECT_EQ(t.green[kGreenValues[i]], i);
}

TEST(QuantizeToStaticColorTest, GivesTheLevelValueOfEachChannel) {
    const TQuantizeToStaticColor q;
    const TQuantizeColor& rule = q;
    EXPECT_EQ(rule.QuantizeColor(base::rgb(230, 233, 26)), base::rgb(204, 214, 51));
    EXPECT_EQ(rule.QuantizeColor(base::rgb(231, 234, 25)), base::rgb(255, 255, 0));
    EXPECT_EQ(rule.QuantizeColor(base::rgb(51, 43, 102)), base::rgb(51, 43, 102));
}

}  // namespace
