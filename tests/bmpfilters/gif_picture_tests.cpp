#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "base/colour.h"
#include "base/error.h"
#include "base/image.h"
#include "bmpfilters/gif_picture.h"
#include "bmpfilters/reduce_to_static_palette.h"
#include "bmpfilters/static_palette.h"

namespace {

using bmpfilters::GifPalette;
using bmpfilters::gifPicture;

// A w x h picture of random pixels drawn from `colours` distinct colours.
QImage randomPicture(std::mt19937& random, int w, int h, int colours) {
    std::vector<base::Colour> pool;
    for (int i = 0; i < colours; ++i) pool.push_back(static_cast<base::Colour>(random() & 0xFFFFFF));
    QImage picture = base::makeBgr(w, h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) base::setPixel(picture, x, y, pool[random() % pool.size()]);
    return picture;
}

bool sameIndexes(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.colorTable() != b.colorTable()) return false;
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), static_cast<std::size_t>(a.width())) != 0)
            return false;
    return true;
}

// The joined picture always gets the static palette with error diffusion, and a picture already
// reduced goes as it is; the cut editor keeps up to 256 colours exactly and reduces richer ones.
TEST(GifPicture, StaticReducesAlwaysOwnKeepsFewColoursExactly) {
    std::mt19937 random(20261209);
    for (int round = 0; round < 40; ++round) {
        const int w = 1 + static_cast<int>(random() % 40), h = 1 + static_cast<int>(random() % 30);
        const int colours = 1 + static_cast<int>(random() % 300);
        const QImage picture = randomPicture(random, w, h, colours);
        const QImage reduced = bmpfilters::ReduceToStaticPalette(picture);

        const QImage joined = gifPicture(picture, GifPalette::Static);
        ASSERT_EQ(joined.format(), QImage::Format_Indexed8);
        EXPECT_TRUE(sameIndexes(joined, reduced)) << round;
        EXPECT_TRUE(sameIndexes(gifPicture(reduced, GifPalette::Static), reduced)) << round;
        // An 8-bit picture over another palette is reduced from its colours.
        const QImage own = gifPicture(picture, GifPalette::Own);
        ASSERT_EQ(own.format(), QImage::Format_Indexed8);
        if (own.colorTable() != bmpfilters::staticPalette()) {
            EXPECT_TRUE(sameIndexes(gifPicture(own, GifPalette::Static), reduced)) << round;
            EXPECT_EQ(base::toBgr(own), picture) << round;
            EXPECT_LE(own.colorCount(), 256);
        } else {
            EXPECT_GT(colours, 256);
            EXPECT_TRUE(sameIndexes(own, reduced)) << round;
        }
    }
}

TEST(GifPicture, AnOverBudgetPictureIsRefusedWithTheSizeMessage) {
    QImage wide(static_cast<int>(base::kMaxSide) + 1, 1, QImage::Format_BGR888);
    ASSERT_FALSE(wide.isNull());
    wide.fill(Qt::red);
    for (const GifPalette palette : {GifPalette::Static, GifPalette::Own}) {
        try {
            (void)gifPicture(wide, palette);
            ADD_FAILURE() << "an over-budget picture was accepted";
        } catch (const base::Error& e) {
            EXPECT_TRUE(e.text().startsWith(QStringLiteral("画像が大きすぎるか空です (65536 × 1)")))
                << e.what();
        }
    }
}

}  // namespace
