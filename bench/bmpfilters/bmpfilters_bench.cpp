#include <benchmark/benchmark.h>

#include "../support/bench_photo.h"
#include "../support/bench_workers.h"
#include "bmpfilters/dither_pixel.h"
#include "bmpfilters/filter_bitmap.h"
#include "bmpfilters/quantize_color.h"
#include "bmpfilters/reduce_to_static_palette.h"
#include "bmpfilters/static_palette.h"

namespace {

void BM_ReduceToStaticPalette(benchmark::State& state) {
    bmpfilters::initStaticPalette();
    const QImage src = benchphoto::photo(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        QImage out = bmpfilters::ReduceToStaticPalette(src);
        benchmark::DoNotOptimize(out.constBits());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}
BENCHMARK(BM_ReduceToStaticPalette)
    ->Args({4000, 3000})
    ->Args({6000, 4000})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The generic window pass with the virtual quantizer, for comparison with the fused pass above.
void BM_FilterBitmapDitherPixel(benchmark::State& state) {
    const QImage src = benchphoto::photo(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    bmpfilters::TQuantizeToStaticColor quantizer;
    for (auto _ : state) {
        QImage out = bmpfilters::FilterBitmap(src, bmpfilters::DitherPixel, &quantizer);
        benchmark::DoNotOptimize(out.constBits());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}
BENCHMARK(BM_FilterBitmapDitherPixel)->Args({4000, 3000})->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
