// The rotation's angle and size, and the pass on pictures whose result can be worked out by hand.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "base/error.h"
#include "base/image.h"
#include "test_support.h"
#include "zoom/rotation.h"
#include "zoom_test_util.h"

namespace {

using namespace zoom;
using base::Colour;
using base::rgb;
using zoomtest::coloursOf;

struct SizeCase {
    int w, h, degrees, hundredths;
    QSize expected;
};
class RotatedSize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(RotatedSize, IsTheCeilingOfTheTurnedBox) {
    const SizeCase& c = GetParam();
    EXPECT_EQ(rotatedSize({c.w, c.h}, rotationAngle(c.degrees, c.hundredths)), c.expected);
}

// Quarter and half turns are not special: cos 90° and sin 180° are about 1e−16, and the ceiling
// of 100 + 1.2e−14 is 101.
INSTANTIATE_TEST_SUITE_P(
    Angles, RotatedSize,
    ::testing::Values(SizeCase{200, 100, 45, 0, {213, 213}}, SizeCase{320, 240, 30, 0, {398, 368}},
                      SizeCase{200, 100, 0, 50, {201, 102}}, SizeCase{200, 100, -45, 50, {213, 212}},
                      SizeCase{200, 100, 90, 0, {101, 200}}, SizeCase{200, 100, -90, 0, {101, 200}},
                      SizeCase{200, 100, 180, 0, {200, 101}}, SizeCase{100, 100, 90, 0, {100, 100}},
                      SizeCase{200, 100, 0, 0, {200, 100}}));

TEST(RotationAngle, AddsTheHundredthsWhateverTheSign) {
    EXPECT_DOUBLE_EQ(rotationAngle(-45, 50), -44.5 * std::numbers::pi / 180);
    EXPECT_DOUBLE_EQ(rotationAngle(0, 50), 0.5 * std::numbers::pi / 180);
    EXPECT_EQ(rotationAngle(90, 0), static_cast<double>(std::numbers::pi_v<long double> / 2));
    EXPECT_EQ(rotationAngle(0, 0), 0.0);
}

QImage pattern(int w, int h) {
    QImage img = base::makeBgr(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            base::setPixel(img, x, y,
                           rgb(static_cast<std::uint8_t>(x * 7), static_cast<std::uint8_t>(y * 11),
                               static_cast<std::uint8_t>((x * y) % 256)));
    return img;
}

TEST(Rotate, NoAngleGivesTheSourceBack) {
    // What "00" in an angle edit comes to: a turn by 0 of the source's own size.
    const QImage source = pattern(9, 5);
    for (bool blend : {false, true}) {
        RotateOptions o;
        o.blendBorder = blend;
        o.gap = rgb(1, 2, 3);
        EXPECT_EQ(rotate(source, rotatedSize(source.size(), 0.0), o), source) << "blend " << blend;
    }
}

TEST(Rotate, QuarterTurnIsClockwiseAndMixesTwoRowsEqually) {
    // Rows alternate green 0 and 100. Turned by 90° the 200 × 100 picture becomes 101 × 200: the
    // left column takes the bottom row, the right column the top row, and every column between
    // falls half-way between two rows.
    QImage source = base::makeBgr(200, 100);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x) base::setPixel(source, x, y, rgb(0, y % 2 ? 100 : 0, 0));
    RotateOptions o;
    o.angle = rotationAngle(90, 0);
    o.key.fill = 50;
    const QImage out = rotate(source, rotatedSize(source.size(), o.angle), o);
    ASSERT_EQ(out.size(), QSize(101, 200));
    for (int y : {0, 57, 199}) {
        const std::vector<Colour> line = coloursOf(out, y);
        EXPECT_EQ(line.front(), rgb(0, 100, 0)) << y;  // source row 99
        EXPECT_EQ(line.back(), rgb(0, 0, 0)) << y;     // source row 0
        for (int x = 1; x < 100; ++x) ASSERT_EQ(line[x], rgb(0, 50, 0)) << x << ", " << y;
    }
}

TEST(Rotate, FourQuarterTurnsOfASquareGiveItBack) {
    const QImage source = pattern(6, 6);
    RotateOptions o;
    o.angle = rotationAngle(90, 0);
    QImage turned = source;
    // A 6 × 6 square turned by 90° falls on whole pixels; its size stays 6 × 6.
    for (int i = 0; i < 4; ++i) turned = rotate(turned, {6, 6}, o);
    EXPECT_EQ(turned, source);
    EXPECT_EQ(base::pixelAt(rotate(source, {6, 6}, o), 5, 0), base::pixelAt(source, 0, 0));
}

TEST(Rotate, CornersOfTheBoxTakeTheGapColour) {
    const Colour ink = rgb(10, 20, 30), gap = rgb(250, 240, 230);
    RotateOptions o;
    o.angle = rotationAngle(30, 0);
    o.gap = gap;
    const QImage out = rotate(testsupport::solid(40, 20, ink), rotatedSize({40, 20}, o.angle), o);
    const int w = out.width() - 1, h = out.height() - 1;
    for (QPoint p : {QPoint(0, 0), QPoint(w, 0), QPoint(0, h), QPoint(w, h)})
        EXPECT_EQ(base::pixelAt(out, p.x(), p.y()), gap) << p.x() << ", " << p.y();
    EXPECT_EQ(base::pixelAt(out, w / 2, h / 2), ink);
}

TEST(Rotate, WithTransparencyTheCornersAndKeyPixelsAreKeyedOut) {
    const Colour ink = rgb(10, 20, 30), key = rgb(0, 255, 0);
    QImage source = testsupport::solid(40, 20, ink);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 10; ++x) base::setPixel(source, x, y, key);  // left quarter keyed
    RotateOptions o;
    o.angle = rotationAngle(30, 0);
    o.gap = key;  // the dialog makes the gap colour the key colour
    o.key = KeyOptions{true, key, 50};
    const QImage out = rotate(source, rotatedSize({40, 20}, o.angle), o);
    const int w = out.width() - 1, h = out.height() - 1;
    for (QPoint p : {QPoint(0, 0), QPoint(w, 0), QPoint(0, h), QPoint(w, h)})
        EXPECT_EQ(base::pixelAt(out, p.x(), p.y()), key);
    // No pixel mixes the key colour with the ink.
    for (int y = 0; y <= h; ++y)
        for (int x = 0; x <= w; ++x) {
            const Colour c = base::pixelAt(out, x, y);
            ASSERT_TRUE(c == key || c == ink) << x << ", " << y;
        }
}

TEST(Rotate, BlendingTheBorderGreysItIntoAWhiteGap) {
    const Colour black = rgb(0, 0, 0), white = rgb(255, 255, 255);
    RotateOptions o;
    o.angle = rotationAngle(45, 0);
    o.gap = white;
    const QSize size = rotatedSize({20, 20}, o.angle);
    const QImage source = testsupport::solid(20, 20, black);

    auto greys = [](const QImage& img) {
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const Colour c = base::pixelAt(img, x, y);
                if (c != rgb(0, 0, 0) && c != rgb(255, 255, 255)) ++n;
            }
        return n;
    };
    o.blendBorder = true;
    const QImage blended = rotate(source, size, o);
    EXPECT_EQ(base::pixelAt(blended, 0, 0), white);
    EXPECT_EQ(base::pixelAt(blended, size.width() / 2, size.height() / 2), black);
    EXPECT_GT(greys(blended), 40);
    o.blendBorder = false;
    EXPECT_EQ(greys(rotate(source, size, o)), 0);  // hard edge: inside black, outside white
}

TEST(Rotate, FillDecidesHowMuchOfTheBorderIsDrawn) {
    const Colour ink = rgb(90, 90, 90), gap = rgb(0, 0, 0);
    RotateOptions o;
    o.angle = rotationAngle(30, 0);
    o.gap = gap;
    const QSize size = rotatedSize({30, 30}, o.angle);
    const QImage source = testsupport::solid(30, 30, ink);
    auto inked = [&](int fill) {
        o.key.fill = fill;
        const QImage out = rotate(source, size, o);
        int n = 0;
        for (int y = 0; y < out.height(); ++y)
            for (int x = 0; x < out.width(); ++x) n += base::pixelAt(out, x, y) == ink;
        return n;
    };
    const int full = inked(0), half = inked(50), most = inked(100);
    EXPECT_LT(full, half);
    EXPECT_LT(half, most);
    // The turned square covers 900 pixels; half-covered border pixels make up the difference.
    EXPECT_NEAR(half, 900, 30);
    EXPECT_EQ(inked(-10), 0);
}

TEST(Rotate, ReportsEveryRowAndRefusesSizesOutsideTheBudget) {
    std::vector<int> seen;
    RotateOptions o;
    o.angle = rotationAngle(10, 0);
    rotate(testsupport::solid(3, 3, 0), {4, 4}, o, [&](int p) { seen.push_back(p); });
    EXPECT_EQ(seen, (std::vector<int>{25, 50, 75, 100}));
    EXPECT_THROW(rotate(testsupport::solid(3, 3, 0), {0, 3}, o), base::Error);
    EXPECT_THROW(rotate(testsupport::solid(3, 3, 0), {66000, 3}, o), base::Error);
}

}  // namespace
