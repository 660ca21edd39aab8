// Encode and decode of the mirror-tiled photograph in every format the program writes: 6000 × 4000
// for the 24-bit formats, and for GIF the 4000 × 3000 picture reduced to the static palette, as the
// program hands it to the GIF writer.

#include <benchmark/benchmark.h>

#include <QImage>

#include "../support/bench_photo.h"
#include "../support/bench_workers.h"
#include "bmpfilters/reduce_to_static_palette.h"
#include "bmpfilters/static_palette.h"
#include "codecs/codecs.h"

namespace {

constexpr int kWidth = 6000, kHeight = 4000;

const QImage& photo() {
    static const QImage picture = benchphoto::photo(kWidth, kHeight);
    return picture;
}

const QImage& indexedPhoto() {
    static const QImage picture = [] {
        bmpfilters::initStaticPalette();
        return bmpfilters::ReduceToStaticPalette(benchphoto::photo(4000, 3000));
    }();
    return picture;
}

void encode(benchmark::State& state, const QImage& picture, codecs::Format format, int quality) {
    qsizetype bytes = 0;
    for (auto _ : state) {
        const QByteArray out = codecs::encode(picture, format, {quality});
        bytes = out.size();
        benchmark::DoNotOptimize(out.constData());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
    state.counters["Mpx/s"] =
        benchmark::Counter(static_cast<double>(picture.width()) * picture.height() / 1e6,
                           benchmark::Counter::kIsIterationInvariantRate);
}

void decode(benchmark::State& state, const QByteArray& data, codecs::Format format) {
    QSize size;
    for (auto _ : state) {
        const QImage picture = codecs::decode(data, format);
        size = picture.size();
        benchmark::DoNotOptimize(picture.constBits());
    }
    state.counters["Mpx/s"] = benchmark::Counter(static_cast<double>(size.width()) * size.height() / 1e6,
                                                 benchmark::Counter::kIsIterationInvariantRate);
}

void BM_EncodeJpeg(benchmark::State& state) {
    encode(state, photo(), codecs::Format::Jpeg, static_cast<int>(state.range(0)));
}
void BM_EncodePng(benchmark::State& state) {
    encode(state, photo(), codecs::Format::Png, 0);
}
void BM_EncodeGif(benchmark::State& state) {
    encode(state, indexedPhoto(), codecs::Format::Gif, 0);
}
void BM_EncodeBmp(benchmark::State& state) {
    encode(state, photo(), codecs::Format::Bmp, 0);
}

void BM_DecodeJpeg(benchmark::State& state) {
    static const QByteArray data =
        codecs::encode(photo(), codecs::Format::Jpeg, {static_cast<int>(state.range(0))});
    decode(state, data, codecs::Format::Jpeg);
}
void BM_DecodePng(benchmark::State& state) {
    static const QByteArray data = codecs::encode(photo(), codecs::Format::Png);
    decode(state, data, codecs::Format::Png);
}
void BM_DecodeGif(benchmark::State& state) {
    static const QByteArray data = codecs::encode(indexedPhoto(), codecs::Format::Gif);
    decode(state, data, codecs::Format::Gif);
}
void BM_DecodeBmp(benchmark::State& state) {
    static const QByteArray data = codecs::encode(photo(), codecs::Format::Bmp);
    decode(state, data, codecs::Format::Bmp);
}

BENCHMARK(BM_EncodeJpeg)->Arg(90)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EncodePng)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EncodeGif)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EncodeBmp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DecodeJpeg)->Arg(90)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DecodePng)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DecodeGif)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DecodeBmp)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
