// The scaling and rotation passes on the mirror-tiled photograph, with transparency off and on.
// KADREL_THREADS sets the workers (1 for the one-thread figures).

#include <benchmark/benchmark.h>

#include <QImage>

#include "../support/bench_photo.h"
#include "../support/bench_workers.h"
#include "base/image.h"
#include "zoom/rotation.h"
#include "zoom/zoom_down.h"
#include "zoom/zoom_up.h"

namespace {

const QImage& large() {
    static const QImage p = benchphoto::photo(6000, 4000);
    return p;
}
const QImage& small() {
    static const QImage p = benchphoto::photo(2000, 1500);
    return p;
}
const QImage& medium() {
    static const QImage p = benchphoto::photo(4000, 3000);
    return p;
}

// Transparency on keys out the top-left pixel's colour, as the dialog starts with.
zoom::KeyOptions key(const benchmark::State& state, const QImage& source) {
    return zoom::KeyOptions{state.range(0) != 0, base::pixelAt(source, 0, 0), 50};
}

void report(benchmark::State& state, const QImage& out) {
    state.counters["Mpx/s"] = benchmark::Counter(static_cast<double>(out.width()) * out.height() / 1e6,
                                                 benchmark::Counter::kIsIterationInvariantRate);
}

void zoomDown(benchmark::State& state, QSize size) {
    const QImage& src = large();
    const zoom::KeyOptions k = key(state, src);
    QImage out;
    for (auto _ : state) {
        out = zoom::zoomdown(src, size, k);
        benchmark::DoNotOptimize(out.constBits());
    }
    report(state, out);
}

void BM_ZoomDown6000x4000To4500x3000(benchmark::State& state) {
    zoomDown(state, {4500, 3000});
}

void BM_ZoomDown6000x4000To1500x1000(benchmark::State& state) {
    zoomDown(state, {1500, 1000});
}

void BM_ZoomUp2000x1500To4000x3000(benchmark::State& state) {
    const QImage& src = small();
    const zoom::KeyOptions k = key(state, src);
    QImage out;
    for (auto _ : state) {
        out = zoom::zoomup(src, {4000, 3000}, k);
        benchmark::DoNotOptimize(out.constBits());
    }
    report(state, out);
}

void rotate30(benchmark::State& state, const QImage& src) {
    zoom::RotateOptions o;
    o.angle = zoom::rotationAngle(30, 0);
    o.key = key(state, src);
    o.gap = o.key.on ? o.key.colour : 0;  // the dialog's gap follows the key
    const QSize size = zoom::rotatedSize(src.size(), o.angle);
    QImage out;
    for (auto _ : state) {
        out = zoom::rotate(src, size, o);
        benchmark::DoNotOptimize(out.constBits());
    }
    report(state, out);
}

void BM_Rotate4000x3000By30(benchmark::State& state) {
    rotate30(state, medium());
}

void BM_Rotate6000x4000By30(benchmark::State& state) {
    rotate30(state, large());
}

BENCHMARK(BM_ZoomDown6000x4000To4500x3000)
    ->ArgName("transparent")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_ZoomDown6000x4000To1500x1000)
    ->ArgName("transparent")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_ZoomUp2000x1500To4000x3000)
    ->ArgName("transparent")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_Rotate4000x3000By30)
    ->ArgName("transparent")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_Rotate6000x4000By30)
    ->ArgName("transparent")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
