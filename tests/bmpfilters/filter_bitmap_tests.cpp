#include <gtest/gtest.h>

#include "base/error.h"
#include "base/image.h"
#include "bmpfilters/filter_bitmap.h"

namespace {

using namespace bmpfilters;

// A picture whose pixel (x, y) has blue x + 1, green y + 1, red 7: no pixel of it is zero.
QImage numbered(int w, int h) {
    QImage img = base::makeBgr(w, h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            base::setPixel(img, x, y,
                           base::rgb(7, static_cast<std::uint8_t>(y + 1), static_cast<std::uint8_t>(x + 1)));
    return img;
}

struct Offset {
    int dx, dy;
};

// Outputs the window's pixel at the offset given as context.
void copyNeighbour(int, int, const FilterWindow& window, std::uint8_t* out, void* context) {
    const auto* o = static_cast<const Offset*>(context);
    const std::uint8_t* p = window.pixel(o->dx, o->dy);
    out[0] = p[0];
    out[1] = p[1];
    out[2] = p[2];
}

class FilterWindowReach : public ::testing::TestWithParam<Offset> {};

// Every neighbour within reach is the source pixel there, or zero beyond the picture's edges.
TEST_P(FilterWindowReach, SeesSourceInsideAndZeroOutside) {
    const int w = 4, h = 3;
    const QImage src = numbered(w, h);
    Offset o = GetParam();
    const QImage out = FilterBitmap(src, copyNeighbour, &o);
    ASSERT_EQ(out.format(), QImage::Format_BGR888);
    ASSERT_EQ(out.size(), src.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int sx = x + o.dx, sy = y + o.dy;
            const base::Colour expected =
                sx >= 0 && sx < w && sy >= 0 && sy < h ? base::pixelAt(src, sx, sy) : 0;
            EXPECT_EQ(base::pixelAt(out, x, y), expected) << x << "," << y;
        }
}

INSTANTIATE_TEST_SUITE_P(Offsets, FilterWindowReach,
                         ::testing::Values(Offset{0, 0}, Offset{1, 0}, Offset{-1, 1}, Offset{5, 5},
                                           Offset{-5, -5}, Offset{5, -5}, Offset{-5, 5}, Offset{0, 5},
                                           Offset{-3, 2}));

// Adds 10 to the blue of the pixel two rows down, outputs the current pixel.
void pushDown(int, int, const FilterWindow& window, std::uint8_t* out, void*) {
    window.pixel(0, 2)[0] = static_cast<std::uint8_t>(window.pixel(0, 2)[0] + 10);
    const std::uint8_t* p = window.pixel(0, 0);
    out[0] = p[0];
    out[1] = p[1];
    out[2] = p[2];
}

TEST(FilterBitmapTest, ChangesToLaterRowsCarryOverAndTheSourceStays) {
    const QImage src = numbered(3, 5);
    const QImage before = src.copy();
    const QImage out = FilterBitmap(src, pushDown, nullptr);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 3; ++x) {
            // Row y - 2 added 10 to this pixel; the buffer went up the window twice since.
            const int pushed = y >= 2 ? 10 : 0;
            EXPECT_EQ(base::blue(base::pixelAt(out, x, y)), x + 1 + pushed) << x << "," << y;
        }
    EXPECT_EQ(src, before);
}

TEST(FilterBitmapTest, LargeResultIsMapped) {
    const QImage out = FilterBitmap(base::makeBgr(1000, 1000, base::rgb(1, 2, 3)), pushDown, nullptr);
    EXPECT_TRUE(base::isMapped(out));
    EXPECT_EQ(base::pixelAt(out, 999, 1), base::rgb(1, 2, 3));
    EXPECT_EQ(base::pixelAt(out, 999, 999), base::rgb(1, 2, 13));
}

class FilterBitmapRefuses : public ::testing::TestWithParam<QImage::Format> {};

TEST_P(FilterBitmapRefuses, OtherFormatsWithItsMessage) {
    const QImage src = base::makeBgr(4, 4, 0).convertToFormat(GetParam());
    Offset o{0, 0};
    try {
        FilterBitmap(src, copyNeighbour, &o);
        FAIL() << "accepted format " << GetParam();
    } catch (const base::Error& e) {
        EXPECT_EQ(e.text(), QStringLiteral("BitmapFiletr accepts only 24Bit DIB"));
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, FilterBitmapRefuses,
                         ::testing::Values(QImage::Format_RGB32, QImage::Format_ARGB32,
                                           QImage::Format_Indexed8, QImage::Format_RGB888,
                                           QImage::Format_Grayscale8));

TEST(FilterBitmapTest, RefusesANullPicture) {
    Offset o{0, 0};
    EXPECT_THROW(FilterBitmap(QImage(), copyNeighbour, &o), base::Error);
}

}  // namespace
