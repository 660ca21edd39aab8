// The AVX2 paths against the plain ones: the same bits for every option, on pictures with few
// colours (so that keyed pixels are common) and on the half-way sample points of quarter turns.

#include <gtest/gtest.h>

#include <random>

#include "base/image.h"
#include "zoom/rotation.h"
#include "zoom/vector_paths.h"
#include "zoom/zoom_down.h"
#include "zoom/zoom_up.h"

namespace {

using namespace zoom;

class BothPaths : public ::testing::Test {
protected:
    void SetUp() override {
        detail::setVectorPaths(true);
        if (!detail::vectorPaths()) GTEST_SKIP() << "no AVX2 paths in this build or on this processor";
    }
    void TearDown() override { detail::setVectorPaths(true); }

    template <class Pass>
    void expectSame(Pass pass, const char* what) {
        detail::setVectorPaths(false);
        const QImage plain = pass();
        detail::setVectorPaths(true);
        const QImage vector = pass();
        ASSERT_EQ(plain.size(), vector.size()) << what;
        for (int y = 0; y < plain.height(); ++y)
            for (int x = 0; x < plain.width(); ++x)
                ASSERT_EQ(base::pixelAt(plain, x, y), base::pixelAt(vector, x, y))
                    << what << " at " << x << ", " << y << " of " << plain.width() << " x " << plain.height();
    }

    QImage picture(int w, int h) {
        QImage img = base::makeBgr(w, h);
        std::uniform_int_distribution<int> pick(0, 5), byte(0, 255);
        const base::Colour few[] = {base::rgb(0, 255, 0), base::rgb(255, 255, 255), base::rgb(0, 0, 0),
                                    base::rgb(0, 255, 0)};
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int k = pick(random);
                base::setPixel(img, x, y,
                               k < 4 ? few[k]
                                     : base::rgb(static_cast<std::uint8_t>(byte(random)),
                                                 static_cast<std::uint8_t>(byte(random)),
                                                 static_cast<std::uint8_t>(byte(random))));
            }
        return img;
    }

    KeyOptions key() {
        const int fills[] = {-10, 0, 30, 50, 70, 100, 150};
        return KeyOptions{std::uniform_int_distribution<int>(0, 3)(random) != 0, base::rgb(0, 255, 0),
                          fills[std::uniform_int_distribution<int>(0, 6)(random)]};
    }

    int side() { return std::uniform_int_distribution<int>(1, 23)(random); }

    std::mt19937 random{20240607};
};

TEST_F(BothPaths, ZoomUpAgrees) {
    for (int i = 0; i < 150; ++i) {
        const QImage src = picture(side(), side());
        const QSize to(src.width() + side(), src.height() + side() - 1);
        const KeyOptions k = key();
        expectSame([&] { return zoomup(src, to, k); }, "zoomup");
    }
}

TEST_F(BothPaths, ZoomDownAgrees) {
    for (int i = 0; i < 150; ++i) {
        const QImage src = picture(side() + 10, side() + 10);
        const QSize to(side(), side() + 12);
        const KeyOptions k = key();
        expectSame([&] { return zoomdown(src, to, k); }, "zoomdown");
    }
}

// Photo-like pictures, where the vector paths take four columns at a time; the key colour is
// rare, so most groups of four hold none and some one.
class FourColumns : public BothPaths {
protected:
    QImage photoLike(QSize size) {
        std::uniform_int_distribution<int> noise(0, 40), rare(0, 60);
        QImage src = base::makeBgr(size.width(), size.height());
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                base::setPixel(src, x, y,
                               rare(random) == 0
                                   ? kKey
                                   : base::rgb(static_cast<std::uint8_t>(6 * x + noise(random)),
                                               static_cast<std::uint8_t>(200 - 5 * y + noise(random)),
                                               static_cast<std::uint8_t>(3 * (x + y) + noise(random))));
        return src;
    }

    template <class Pass>
    void forEachKey(Pass pass, const char* what) {
        for (int fill : {50, 100, -10})
            for (bool on : {false, true}) {
                const KeyOptions k{on, kKey, fill};
                expectSame([&] { return pass(k); }, what);
            }
    }

    static constexpr base::Colour kKey = base::rgb(0, 255, 0);
};

TEST_F(FourColumns, ZoomDownAgrees) {
    const QSize cases[][2] = {{{40, 24}, {30, 18}}, {{48, 20}, {12, 5}}, {{33, 17}, {22, 9}},
                              {{64, 8}, {32, 8}},   {{9, 9}, {8, 3}},    {{100, 30}, {75, 20}}};
    for (const auto& [from, to] : cases) {
        const QImage src = photoLike(from);
        forEachKey([&](const KeyOptions& k) { return zoomdown(src, to, k); }, "zoomdown by fours");
    }
}

TEST_F(FourColumns, ZoomUpAgrees) {
    const QSize cases[][2] = {
        {{20, 15}, {40, 30}}, {{7, 5}, {29, 11}}, {{30, 2}, {45, 9}}, {{3, 40}, {8, 41}}};
    for (const auto& [from, to] : cases) {
        const QImage src = photoLike(from);
        forEachKey([&](const KeyOptions& k) { return zoomup(src, to, k); }, "zoomup by fours");
    }
}

// Rotation takes four destination pixels at a time where their neighbours all lie inside the
// source and none is the key, four gap pixels at once where none lies inside, and the rest one
// at a time, in tiles of rows and columns: pictures wider and taller than a tile once turned, and
// small odd ones, at angles in every quadrant.
TEST_F(FourColumns, RotateAgrees) {
    const QSize sizes[] = {{300, 90}, {67, 131}, {37, 23}, {5, 3}, {2, 2}, {1, 9}};
    const int angles[][2] = {{30, 0}, {0, 0}, {90, 0}, {-90, 0}, {180, 0}, {123, 45}, {-150, 7}, {271, 3}};
    const base::Colour gaps[] = {kKey, base::rgb(200, 10, 90), base::rgb(0, 0, 0)};
    int turn = 0;
    for (const QSize size : sizes) {
        const QImage src = photoLike(size);
        for (const auto& [degrees, hundredths] : angles) {
            RotateOptions o;
            o.angle = rotationAngle(degrees, hundredths);
            o.gap = gaps[turn++ % 3];
            const QSize to = rotatedSize(src.size(), o.angle);
            for (bool blend : {false, true}) {
                o.blendBorder = blend;
                forEachKey(
                    [&](const KeyOptions& k) {
                        o.key = k;
                        return rotate(src, to, o);
                    },
                    blend ? "rotate by fours, border blended" : "rotate by fours");
            }
        }
    }
}

TEST_F(BothPaths, RotateAgreesAtAnyAngleAndOnQuarterTurns) {
    std::uniform_int_distribution<int> degrees(-180, 180), hundredths(0, 99), quarter(-2, 2);
    for (int i = 0; i < 200; ++i) {
        const QImage src = picture(side(), side());
        RotateOptions o;
        o.angle = i % 2 ? rotationAngle(degrees(random), hundredths(random))
                        : rotationAngle(90 * quarter(random), 0);
        o.key = key();
        o.blendBorder = !o.key.on && i % 3 == 0;
        o.gap = o.key.on ? o.key.colour : base::rgb(200, 10, 90);
        const QSize to = rotatedSize(src.size(), o.angle);
        expectSame([&] { return rotate(src, to, o); }, "rotate");
    }
}

}  // namespace
