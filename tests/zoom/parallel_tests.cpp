// The scaling and rotation passes on many workers against one, bit for bit, with progress.

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "base/image.h"
#include "base/parallel.h"
#include "zoom/rotation.h"
#include "zoom/scale.h"
#include "zoom/zoom_down.h"
#include "zoom/zoom_up.h"

namespace {

using base::rgb;

constexpr base::Colour kKey = rgb(0, 255, 0);

// Noise with patches of the key colour, so that keyed pixels fall on every band edge.
QImage noisy(int w, int h) {
    std::mt19937 random(static_cast<unsigned>(w * 131 + h));
    QImage picture = base::makeBgr(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            base::setPixel(picture, x, y,
                           random() % 5 == 0 ? kKey : rgb(random() % 256, random() % 256, random() % 256));
    return picture;
}

struct Run {
    QImage picture;
    std::vector<int> progress;
};

template <typename Pass>
Run runWith(int workers, Pass pass) {
    const base::ScopedWorkerCount count(workers, true);
    Run run;
    run.picture = pass([&](int percent) { run.progress.push_back(percent); });
    return run;
}

// One worker, two, and more workers than destination rows give the same bytes and the same
// progress, row by row.
template <typename Pass>
void expectSameOnEveryWorkerCount(Pass pass, const char* what) {
    const Run one = runWith(1, pass);
    for (int workers : {2, 3, 64}) {
        const Run many = runWith(workers, pass);
        EXPECT_TRUE(many.picture == one.picture) << what << ", " << workers << " workers";
        EXPECT_EQ(many.progress, one.progress) << what << ", " << workers << " workers";
    }
}

struct Sizes {
    int w, h;    // source
    int w2, h2;  // destination
};

class ParallelScale : public testing::TestWithParam<Sizes> {};

TEST_P(ParallelScale, SameAsOneWorkerWithAndWithoutTransparency) {
    const Sizes s = GetParam();
    const QImage src = noisy(s.w, s.h);
    for (const zoom::KeyOptions& key :
         {zoom::KeyOptions{}, zoom::KeyOptions{true, kKey, 50}, zoom::KeyOptions{true, kKey, 100}}) {
        expectSameOnEveryWorkerCount(
            [&](const zoom::Progress& p) {
                return zoom::scale(src, {s.w2, s.h2}, key, p);
            },
            key.on ? "keyed" : "plain");
    }
}

INSTANTIATE_TEST_SUITE_P(Shapes, ParallelScale,
                         testing::Values(Sizes{1, 40, 1, 97},     // up, one wide
                                         Sizes{40, 1, 97, 1},     // up, one high
                                         Sizes{1, 97, 1, 40},     // down, one wide
                                         Sizes{97, 1, 40, 1},     // down, one high
                                         Sizes{37, 23, 61, 59},   // up, bands that do not divide
                                         Sizes{61, 59, 37, 23},   // down
                                         Sizes{50, 50, 13, 3},    // fewer rows than workers
                                         Sizes{30, 20, 45, 2}));  // up, two rows

class ParallelRotate : public testing::TestWithParam<Sizes> {};

TEST_P(ParallelRotate, SameAsOneWorkerWithAndWithoutTransparency) {
    const Sizes s = GetParam();
    const QImage src = noisy(s.w, s.h);
    for (int degrees : {30, 90, 211}) {
        zoom::RotateOptions o;
        o.angle = zoom::rotationAngle(degrees, 17);
        o.gap = rgb(9, 8, 7);
        for (bool keyed : {false, true}) {
            o.key = keyed ? zoom::KeyOptions{true, kKey, 50} : zoom::KeyOptions{};
            o.blendBorder = !keyed;
            const QSize size = zoom::rotatedSize(src.size(), o.angle);
            expectSameOnEveryWorkerCount(
                [&](const zoom::Progress& p) { return zoom::rotate(src, size, o, p); },
                keyed ? "keyed" : "plain");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Shapes, ParallelRotate,
                         testing::Values(Sizes{1, 53, 0, 0}, Sizes{53, 1, 0, 0}, Sizes{1, 1, 0, 0},
                                         Sizes{41, 29, 0, 0}));

// Large enough that the pool splits it without being told to.
TEST(ParallelPasses, LargePicturesSplitOnTheirOwn) {
    const QImage src = noisy(400, 301);
    const auto passes = [&](int workers) {
        const base::ScopedWorkerCount count(workers);
        zoom::RotateOptions o;
        o.angle = zoom::rotationAngle(30, 0);
        return std::vector<QImage>{zoom::zoomdown(src, {300, 227}, zoom::KeyOptions{true, kKey, 50}),
                                   zoom::zoomup(src, {533, 401}, zoom::KeyOptions{}),
                                   zoom::rotate(src, zoom::rotatedSize(src.size(), o.angle), o)};
    };
    EXPECT_EQ(passes(4), passes(1));
}

}  // namespace
