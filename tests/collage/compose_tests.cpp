#include <algorithm>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "base/error.h"
#include "base/image.h"
#include "collage/background.h"
#include "collage/compose.h"

namespace {

using base::rgb;
using collage::compose;
using collage::Layer;

constexpr base::Colour kBack = rgb(10, 20, 30);
constexpr base::Colour kRed = rgb(255, 0, 0);
constexpr base::Colour kBlue = rgb(0, 0, 255);

QImage solid(int w, int h, base::Colour c) {
    return base::makeBgr(w, h, c);
}

// Every pixel of `img` inside [x0, x1) x [y0, y1) is `inside`, every other one `outside`.
void expectRect(const QImage& img, int x0, int y0, int x1, int y1, base::Colour inside,
                base::Colour outside) {
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const bool in = x >= x0 && x < x1 && y >= y0 && y < y1;
            ASSERT_EQ(base::pixelAt(img, x, y), in ? inside : outside) << x << "," << y;
        }
}

TEST(ComposeTest, NoLayersGiveTheBackgroundAlone) {
    const QImage back = solid(7, 5, kBack);
    const QImage out = compose(back, {});
    EXPECT_EQ(out.format(), QImage::Format_BGR888);
    EXPECT_EQ(out, back);
}

TEST(ComposeTest, HigherLayerWinsTheOverlapAndTheBackgroundStays) {
    const QImage back = solid(10, 8, kBack);
    const QImage lower = solid(5, 4, kRed), upper = solid(4, 4, kBlue);
    const QImage before = back.copy();
    const QImage out = compose(back, {Layer{&lower, {1, 1}}, Layer{&upper, {4, 2}}});
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x) {
            base::Colour expected = kBack;
            if (x >= 1 && x < 6 && y >= 1 && y < 5) expected = kRed;
            if (x >= 4 && x < 8 && y >= 2 && y < 6) expected = kBlue;
            ASSERT_EQ(base::pixelAt(out, x, y), expected) << x << "," << y;
        }
    EXPECT_EQ(back, before);
}

struct ClipCase {
    const char* name;
    int left, top;
};

class ComposeClips : public ::testing::TestWithParam<ClipCase> {};

// A 6 x 4 piece on a 10 x 8 canvas anywhere: it shows exactly where it overlaps the canvas.
TEST_P(ComposeClips, AtEveryEdge) {
    const QImage piece = solid(6, 4, kRed);
    const ClipCase& c = GetParam();
    const QImage out = compose(solid(10, 8, kBack), {Layer{&piece, {c.left, c.top}}});
    expectRect(out, std::max(0, c.left), std::max(0, c.top), std::min(10, c.left + 6), std::min(8, c.top + 4),
               kRed, kBack);
}

INSTANTIATE_TEST_SUITE_P(Positions, ComposeClips,
                         ::testing::Values(ClipCase{"Inside", 2, 2}, ClipCase{"TopLeftNegative", -2, -1},
                                           ClipCase{"RightEdge", 7, 1}, ClipCase{"BottomEdge", 1, 6},
                                           ClipCase{"BottomRight", 8, 7}, ClipCase{"Touching", -6, 0},
                                           ClipCase{"WhollyLeft", -20, -10}, ClipCase{"WhollyBelow", 0, 8},
                                           ClipCase{"FarAway", 2147483000, -2147483000},
                                           ClipCase{"ExactlyCoveringCorner", 4, 4}),
                         [](const ::testing::TestParamInfo<ClipCase>& row) {
                             return std::string(row.param.name);
                         });

TEST(ComposeTest, ColourKeyDropsOnlyExactMatches) {
    const base::Colour white = rgb(255, 255, 255);
    // Row 0: white, then white off by one in each channel in turn, then red.
    QImage piece = solid(5, 2, white);
    base::setPixel(piece, 1, 0, rgb(254, 255, 255));
    base::setPixel(piece, 2, 0, rgb(255, 254, 255));
    base::setPixel(piece, 3, 0, rgb(255, 255, 254));
    base::setPixel(piece, 4, 0, kRed);
    const QImage out = compose(solid(7, 3, kBack), {Layer{&piece, {1, 0}, true, white}});
    EXPECT_EQ(base::pixelAt(out, 0, 0), kBack);
    EXPECT_EQ(base::pixelAt(out, 1, 0), kBack);  // pure white is left out
    EXPECT_EQ(base::pixelAt(out, 2, 0), rgb(254, 255, 255));
    EXPECT_EQ(base::pixelAt(out, 3, 0), rgb(255, 254, 255));
    EXPECT_EQ(base::pixelAt(out, 4, 0), rgb(255, 255, 254));
    EXPECT_EQ(base::pixelAt(out, 5, 0), kRed);
    for (int x = 0; x < 7; ++x) EXPECT_EQ(base::pixelAt(out, x, 1), kBack) << x;
}

TEST(ComposeTest, KeyedLayerShowsWhatLiesBelowThroughItsHoles) {
    const QImage lower = solid(4, 1, kBlue);
    QImage upper = solid(4, 1, kRed);
    base::setPixel(upper, 0, 0, 0);
    base::setPixel(upper, 3, 0, 0);
    const QImage out = compose(solid(6, 1, kBack), {Layer{&lower, {0, 0}}, Layer{&upper, {-1, 0}, true, 0}});
    EXPECT_EQ(base::pixelAt(out, 0, 0), kRed);   // upper column 1
    EXPECT_EQ(base::pixelAt(out, 1, 0), kRed);   // upper column 2
    EXPECT_EQ(base::pixelAt(out, 2, 0), kBlue);  // upper column 3 is the key
    EXPECT_EQ(base::pixelAt(out, 3, 0), kBlue);
    EXPECT_EQ(base::pixelAt(out, 4, 0), kBack);
}

TEST(ComposeTest, KeyedLayerClipsLikeAnOpaqueOne) {
    const QImage piece = solid(6, 4, kRed);
    const QImage out = compose(solid(10, 8, kBack), {Layer{&piece, {-3, 5}, true, kBlue}});
    expectRect(out, 0, 5, 3, 8, kRed, kBack);
}

TEST(ComposeTest, OtherPictureFormatsAreDrawnAsTheirColours) {
    const QImage piece = solid(2, 2, kRed).convertToFormat(QImage::Format_RGB32);
    const QImage out =
        compose(solid(4, 4, kBack).convertToFormat(QImage::Format_RGB32), {Layer{&piece, {1, 1}}});
    EXPECT_EQ(out.format(), QImage::Format_BGR888);
    expectRect(out, 1, 1, 3, 3, kRed, kBack);
}

// Layer by layer, pixel by pixel: what compose() must give, however it gets there.
QImage composeByHand(const QImage& back, const std::vector<Layer>& layers) {
    QImage out = back.copy();
    for (const Layer& l : layers)
        for (int y = 0; y < l.picture->height(); ++y)
            for (int x = 0; x < l.picture->width(); ++x) {
                const int cx = l.topLeft.x() + x, cy = l.topLeft.y() + y;
                if (cx < 0 || cy < 0 || cx >= out.width() || cy >= out.height()) continue;
                const base::Colour c = base::pixelAt(*l.picture, x, y);
                if (!(l.transparent && c == l.key)) base::setPixel(out, cx, cy, c);
            }
    return out;
}

// A canvas large enough for its own mapping, with opaque and keyed layers overlapping in every
// order: the background is skipped under opaque layers, even under a keyed layer drawn first.
TEST(ComposeTest, LargeCanvasWithOverlapsMatchesLayerByLayer) {
    QImage back = base::makeBgr(1600, 1200);
    for (int y = 0; y < back.height(); ++y)
        for (int x = 0; x < back.width(); ++x)
            base::setPixel(back, x, y, rgb(static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 77));
    const base::Colour white = rgb(255, 255, 255);
    QImage keyed = solid(700, 500, kRed);
    for (int y = 0; y < keyed.height(); ++y)
        for (int x = 0; x < keyed.width(); ++x)
            if ((x / 50 + y / 30) % 3 == 0) base::setPixel(keyed, x, y, white);
    const QImage opaque = solid(600, 400, kBlue), strip = solid(1600, 3, kBack);
    const std::vector<Layer> layers = {
        Layer{&keyed, {-100, -50}, true, white},
        Layer{&opaque, {300, 200}},
        Layer{&keyed, {250, 150}, true, white},
        Layer{&opaque, {1200, 1000}},
        Layer{&strip, {0, 599}},
        Layer{&opaque, {500, 300}},
        Layer{&keyed, {1100, 900}, true, white},
        Layer{&opaque, {-300, 900}},
    };
    const QImage out = compose(back, layers);
    ASSERT_EQ(out.format(), QImage::Format_BGR888);
    EXPECT_TRUE(out == composeByHand(back, layers));
}

// A caller that lets each picture go when compose hands it back gets the same canvas: compose
// reads no picture after that. Every layer comes back once, off-canvas and null ones too, in the
// order of their last rows.
TEST(ComposeTest, PicturesHandedBackAreNotReadAgain) {
    std::mt19937 random(7);
    const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    for (int round = 0; round < 30; ++round) {
        const QSize size(pick(1, 90), pick(1, 70));
        std::vector<QImage> pictures, originals;
        std::vector<Layer> layers;
        const int count = pick(0, 7);
        pictures.reserve(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) {
            QImage img = base::makeBgr(pick(1, 40), pick(1, 40));
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x)
                    base::setPixel(img, x, y, rgb(static_cast<std::uint8_t>(pick(0, 2)), 1, 2));
            if (pick(0, 5) == 0) img = img.convertToFormat(QImage::Format_RGB32);
            if (pick(0, 7) == 0) img = QImage();
            originals.push_back(img.copy());
            pictures.push_back(img);
            layers.push_back(Layer{&pictures.back(),
                                   {pick(-50, size.width() + 5), pick(-50, size.height() + 5)},
                                   pick(0, 1) == 1,
                                   rgb(static_cast<std::uint8_t>(pick(0, 2)), 1, 2)});
        }
        std::vector<std::size_t> order;
        const QImage out = compose(size, collage::Background{rgb(3, 4, 5), {}}, layers, [&](std::size_t i) {
            order.push_back(i);
            if (!pictures[i].isNull()) pictures[i].fill(Qt::magenta);  // what a stale read would see
        });
        SCOPED_TRACE(testing::Message() << "round " << round);
        std::vector<Layer> reference = layers;
        for (std::size_t i = 0; i < reference.size(); ++i) reference[i].picture = &originals[i];
        ASSERT_TRUE(out == compose(size, collage::Background{rgb(3, 4, 5), {}}, reference));
        ASSERT_EQ(order.size(), layers.size());
        std::vector<std::size_t> sorted = order;
        std::sort(sorted.begin(), sorted.end());
        for (std::size_t i = 0; i < sorted.size(); ++i) ASSERT_EQ(sorted[i], i);
        // A layer still on the canvas comes back after the row it ends on, so never before one
        // that ends higher.
        const auto lastRow = [&](std::size_t i) {
            const QImage& o = originals[i];
            return std::min(size.height(), layers[i].topLeft.y() + o.height());
        };
        int seen = 0;
        for (std::size_t i : order) {
            const QImage& o = originals[i];
            const bool onCanvas = !o.isNull() && layers[i].topLeft.x() < size.width() &&
                                  layers[i].topLeft.x() + o.width() > 0 &&
                                  layers[i].topLeft.y() < size.height() &&
                                  layers[i].topLeft.y() + o.height() > 0;
            if (!onCanvas) continue;
            ASSERT_GE(lastRow(i), seen);
            seen = lastRow(i);
        }
    }
}

TEST(ComposeTest, RefusesAnEmptyCanvas) {
    EXPECT_THROW(compose(QImage(), {}), base::Error);
}

// compose() over a background it fills itself gives the bytes of drawing the layers over the
// full fillBackground() picture: colours grey and not, tiles narrower, wider and taller than the
// canvas, pieces off every edge, keyed pieces with their key in the background.
TEST(ComposeTest, FillingTheBackgroundItselfMatchesAFilledCanvas) {
    std::mt19937 random(21);
    const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    const auto noise = [&](int w, int h, int colours) {
        QImage img = base::makeBgr(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                base::setPixel(img, x, y, rgb(static_cast<std::uint8_t>(pick(0, colours)), 0, 9));
        return img;
    };
    const std::vector<collage::Background> backgrounds = {
        collage::Background{rgb(40, 40, 40), {}},
        collage::Background{rgb(1, 2, 3), {}},
        collage::Background{0, noise(1, 1, 255)},
        collage::Background{0, noise(1, 7, 255)},
        collage::Background{0, noise(13, 5, 255)},
        collage::Background{0, noise(300, 200, 2)},
        collage::Background{0, noise(37, 1, 255).convertToFormat(QImage::Format_RGB32)},
    };
    for (int round = 0; round < 60; ++round) {
        const QSize size(pick(1, 120), pick(1, 90));
        const collage::Background& background =
            backgrounds[static_cast<std::size_t>(round) % backgrounds.size()];
        std::vector<QImage> pictures;
        pictures.reserve(6);
        std::vector<Layer> layers;
        for (int i = pick(0, 6); i > 0; --i) {
            pictures.push_back(noise(pick(1, 70), pick(1, 70), 2));
            const bool keyed = pick(0, 2) == 0;
            layers.push_back(Layer{&pictures.back(),
                                   {pick(-80, size.width() + 10), pick(-80, size.height() + 10)},
                                   keyed,
                                   rgb(static_cast<std::uint8_t>(pick(0, 2)), 0, 9)});
        }
        SCOPED_TRACE(testing::Message() << "round " << round);
        const QImage out = compose(size, background, layers);
        ASSERT_EQ(out.format(), QImage::Format_BGR888);
        ASSERT_TRUE(out == composeByHand(collage::fillBackground(size, background), layers));
    }
}

// The same at a size where the canvas is mapped and a tile wraps in the middle of spans.
TEST(ComposeTest, LargeCanvasFillsTheBackgroundOnlyBetweenOpaquePieces) {
    QImage tile = base::makeBgr(333, 77);
    for (int y = 0; y < tile.height(); ++y)
        for (int x = 0; x < tile.width(); ++x)
            base::setPixel(tile, x, y, rgb(static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 5));
    const QImage opaque = solid(600, 400, kBlue), keyed = solid(500, 300, kRed);
    const std::vector<Layer> layers = {Layer{&opaque, {-100, 100}}, Layer{&keyed, {700, 900}, true, kRed},
                                       Layer{&opaque, {1000, 1000}}, Layer{&opaque, {1500, -20}}};
    for (const collage::Background& background :
         {collage::Background{0, tile}, collage::Background{rgb(7, 7, 9), {}}}) {
        const QImage out = compose(QSize(1900, 1300), background, layers);
        EXPECT_TRUE(base::isMapped(out));
        EXPECT_TRUE(out == composeByHand(collage::fillBackground(QSize(1900, 1300), background), layers));
    }
    EXPECT_THROW(compose(QSize(70000, 1), collage::Background{}, {}), base::Error);
}

}  // namespace
