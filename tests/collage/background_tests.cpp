#include <gtest/gtest.h>

#include "base/error.h"
#include "base/image.h"
#include "collage/background.h"

namespace {

using collage::Background;
using collage::fillBackground;

// A picture in which every pixel has its own colour: red x, green y, blue 99.
QImage numbered(int w, int h) {
    QImage img = base::makeBgr(w, h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            base::setPixel(img, x, y,
                           base::rgb(static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 99));
    return img;
}

TEST(BackgroundTest, ColourFillsEveryPixel) {
    const QImage out = fillBackground(QSize(9, 4), Background{base::rgb(1, 2, 3), {}});
    ASSERT_EQ(out.size(), QSize(9, 4));
    EXPECT_EQ(out.format(), QImage::Format_BGR888);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 9; ++x) ASSERT_EQ(base::pixelAt(out, x, y), base::rgb(1, 2, 3));
}

struct TileCase {
    int pw, ph, w, h;
};

class BackgroundTiles : public ::testing::TestWithParam<TileCase> {};

// Pixel (x, y) of the canvas is pixel (x mod pw, y mod ph) of the picture.
TEST_P(BackgroundTiles, FromTheTopLeftCorner) {
    const TileCase& c = GetParam();
    const QImage tile = numbered(c.pw, c.ph);
    const QImage out = fillBackground(QSize(c.w, c.h), Background{base::rgb(200, 0, 0), tile});
    ASSERT_EQ(out.size(), QSize(c.w, c.h));
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x)
            ASSERT_EQ(base::pixelAt(out, x, y), base::pixelAt(tile, x % c.pw, y % c.ph)) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(Sizes, BackgroundTiles,
                         ::testing::Values(TileCase{30, 20, 100, 50}, TileCase{1, 1, 13, 3},
                                           TileCase{1, 7, 100, 20}, TileCase{7, 1, 3, 9},
                                           TileCase{120, 80, 100, 50}, TileCase{100, 50, 100, 50},
                                           TileCase{33, 17, 1000, 40}));

TEST(BackgroundTest, ThirtyByTwentyOnHundredByFifty) {
    const QImage tile = numbered(30, 20);
    const QImage out = fillBackground(QSize(100, 50), Background{0, tile});
    // Tiles start at x 0, 30, 60, 90 and y 0, 20, 40; the last ones are cut at the edge.
    for (int x : {0, 30, 60, 90})
        for (int y : {0, 20, 40})
            EXPECT_EQ(base::pixelAt(out, x, y), base::pixelAt(tile, 0, 0)) << x << "," << y;
    EXPECT_EQ(base::pixelAt(out, 99, 49), base::pixelAt(tile, 9, 9));
    EXPECT_EQ(base::pixelAt(out, 89, 39), base::pixelAt(tile, 29, 19));
}

TEST(BackgroundTest, PictureInAnotherFormatTilesItsColours) {
    const QImage tile = numbered(3, 2).convertToFormat(QImage::Format_RGB32);
    const QImage out = fillBackground(QSize(7, 5), Background{0, tile});
    EXPECT_EQ(base::pixelAt(out, 6, 4), base::rgb(0, 0, 99));
    EXPECT_EQ(base::pixelAt(out, 5, 3), base::rgb(2, 1, 99));
}

TEST(BackgroundTest, RefusesSizesOverTheBudget) {
    EXPECT_THROW(fillBackground(QSize(0, 10), Background{}), base::Error);
    EXPECT_THROW(fillBackground(QSize(70000, 1), Background{0, numbered(2, 2)}), base::Error);
    EXPECT_THROW(fillBackground(QSize(20000, 20000), Background{}), base::Error);
}

}  // namespace
