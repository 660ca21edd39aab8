#include <vector>

#include <benchmark/benchmark.h>

#include "../support/bench_photo.h"
#include "base/colour.h"
#include "collage/background.h"
#include "collage/compose.h"
#include "collage/piece_table.h"

namespace {

constexpr int kCanvasW = 6000, kCanvasH = 4000;
constexpr int kPieceW = 2000, kPieceH = 1500;
constexpr base::Colour kKey = base::rgb(255, 255, 255);

// The layout bench/compare repeats for the reference: six opaque pieces in a 3 x 2 grid, then three
// colour-keyed ones, partly off the canvas. Each piece is the tiled photo from its own offset.
struct PiecePlace {
    int srcX, srcY, left, top;
    bool keyed;
};
constexpr PiecePlace kPieces[] = {
    {0, 0, 0, 0, false},          {300, 100, 2000, 0, false},     {600, 200, 4000, 0, false},
    {900, 300, 0, 1500, false},   {1200, 400, 2000, 1500, false}, {1500, 500, 4000, 1500, false},
    {100, 700, -500, 2800, true}, {700, 900, 2500, 2200, true},   {1300, 1100, 4800, 3000, true},
};

// Keyed pieces carry the key in 100 x 100 blocks on every fourth diagonal, like an object cut out
// on a white ground; photo pixels that happen to be pure white drop out too.
void paintKeyBlocks(QImage& piece) {
    for (int y = 0; y < piece.height(); ++y) {
        std::uint8_t* row = piece.scanLine(y);
        for (int x = 0; x < piece.width(); ++x)
            if ((x / 100 + y / 100) % 4 == 0) row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = 255;
    }
}

struct Scene {
    QImage background;
    std::vector<QImage> pictures;
    std::vector<collage::Layer> layers;
};

const Scene& scene() {
    static const Scene s = [] {
        Scene sc;
        const QImage plane = benchphoto::photo(kCanvasW, kCanvasH);
        sc.background = collage::fillBackground(QSize(kCanvasW, kCanvasH),
                                                collage::Background{0, plane.copy(0, 0, 512, 384)});
        for (const PiecePlace& p : kPieces) {
            QImage piece = plane.copy(p.srcX, p.srcY, kPieceW, kPieceH);
            if (p.keyed) paintKeyBlocks(piece);
            sc.pictures.push_back(piece);
        }
        for (std::size_t i = 0; i < std::size(kPieces); ++i)
            sc.layers.push_back(collage::Layer{&sc.pictures[i], QPoint(kPieces[i].left, kPieces[i].top),
                                               kPieces[i].keyed, kKey});
        return sc;
    }();
    return s;
}

void BM_Compose(benchmark::State& state) {
    const Scene& s = scene();
    for (auto _ : state) {
        QImage out = collage::compose(s.background, s.layers);
        benchmark::DoNotOptimize(out.constBits());
    }
}
BENCHMARK(BM_Compose)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FillBackgroundColour(benchmark::State& state) {
    const collage::Background back{base::rgb(40, 90, 160), {}};
    for (auto _ : state) {
        QImage out = collage::fillBackground(QSize(kCanvasW, kCanvasH), back);
        benchmark::DoNotOptimize(out.constBits());
    }
}
BENCHMARK(BM_FillBackgroundColour)->Unit(benchmark::kMillisecond)->UseRealTime();

// Tile sizes: the whole photo (few large copies) and a small 30 x 20 pattern (many short ones).
void BM_FillBackgroundTile(benchmark::State& state) {
    const collage::Background back{
        0, benchphoto::photo(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)))};
    for (auto _ : state) {
        QImage out = collage::fillBackground(QSize(kCanvasW, kCanvasH), back);
        benchmark::DoNotOptimize(out.constBits());
    }
}
BENCHMARK(BM_FillBackgroundTile)
    ->Args({2560, 1600})
    ->Args({30, 20})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// "整列" at one height: 100 pieces of 2000 x 1500 (ten crops of the tiled photo, each used ten
// times, so the pictures stay within memory) scaled to height 375 each, in a grid of 10 columns
// with gap and margin 10, then composed. bench/compare does the same with Pillow.
constexpr int kArrangeCount = 100, kArrangeHeight = 375, kArrangeColumns = 10, kArrangeGap = 10;

const collage::PieceTable& arrangeTable() {
    static const collage::PieceTable t = [] {
        const QImage plane = benchphoto::photo(kCanvasW, kCanvasH);
        std::vector<QImage> crops;
        for (int i = 0; i < 10; ++i) crops.push_back(plane.copy(i * 400, (i % 2) * 1000, kPieceW, kPieceH));
        // A typed canvas: auto size would make the stack of added pieces taller than the budget.
        collage::PieceTable table(QSize(1920, 1080), false);
        for (int i = 0; i < kArrangeCount; ++i) {
            collage::Piece p;
            p.picture = crops[static_cast<size_t>(i % 10)];
            table.add(p, collage::Options{false, false, 1920});
        }
        return table;
    }();
    return t;
}

void BM_Arrange100AtOneHeight(benchmark::State& state) {
    const collage::PieceTable& start = arrangeTable();
    collage::Arrangement a;
    a.columns = kArrangeColumns;
    a.gap = kArrangeGap;
    a.margin = kArrangeGap;
    a.size = collage::SizeMode::OneHeight;
    a.target = kArrangeHeight;
    for (auto _ : state) {
        collage::PieceTable t = start;
        t.arrange(a, collage::Options{});
        QImage out = collage::composeTable(t);
        benchmark::DoNotOptimize(out.constBits());
    }
}
BENCHMARK(BM_Arrange100AtOneHeight)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// The same 100 pieces in justified rows 3840 wide aimed at 600 high, gap and margin 10, composed.
void BM_Justify100(benchmark::State& state) {
    const collage::PieceTable& start = arrangeTable();
    collage::Arrangement a;
    a.kind = collage::LayoutKind::Justified;
    a.rowWidth = 3840;
    a.rowHeight = 600;
    a.gap = kArrangeGap;
    a.margin = kArrangeGap;
    for (auto _ : state) {
        collage::PieceTable t = start;
        t.arrange(a, collage::Options{});
        QImage out = collage::composeTable(t);
        benchmark::DoNotOptimize(out.constBits());
    }
}
BENCHMARK(BM_Justify100)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// The same 100 pieces filling the cells of 3840 x 2160, 10 columns, gap and margin 10, composed.
void BM_Fill100Cells(benchmark::State& state) {
    const collage::PieceTable& start = arrangeTable();
    collage::Arrangement a;
    a.columns = kArrangeColumns;
    a.gap = kArrangeGap;
    a.margin = kArrangeGap;
    a.output = QSize(3840, 2160);
    a.fit = collage::CellFit::Fill;
    for (auto _ : state) {
        collage::PieceTable t = start;
        t.arrange(a, collage::Options{});
        QImage out = collage::composeTable(t);
        benchmark::DoNotOptimize(out.constBits());
    }
}
BENCHMARK(BM_Fill100Cells)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
