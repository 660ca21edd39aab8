// Encode and decode of a 6000 × 4000 photograph in every format the program writes.
// --dump-photo=PATH also writes the test picture as a BMP, for compare_pillow.py.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>

#include <QFile>
#include <QImage>

#include "base/image.h"
#include "codecs/codecs.h"

namespace {

constexpr int kWidth = 6000, kHeight = 4000;

// Debian's desktop backgrounds (mate-backgrounds, plasma-workspace-wallpapers) hold real photographs.
const char* const kPhotos[] = {
    "/usr/share/backgrounds/mate/abstract/Elephants_5640x3172.jpg",
    "/usr/share/backgrounds/mate/abstract/Elephants_3840x2160.jpg",
    "/usr/share/backgrounds/mate/nature/Dune.jpg",
    "/usr/share/wallpapers/Path/contents/images/5120x2880.jpg",
};

QImage tiled(const QImage& photo) {
    QImage out = base::makeBgr(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y) {
        const int sy =
            (y / photo.height()) % 2 ? photo.height() - 1 - y % photo.height() : y % photo.height();
        std::uint8_t* row = out.scanLine(y);
        const std::uint8_t* src = photo.constScanLine(sy);
        for (int x = 0; x < kWidth; x += photo.width()) {
            const int n = std::min(photo.width(), kWidth - x);
            std::memcpy(row + 3 * x, src, 3 * static_cast<size_t>(n));
        }
    }
    return out;
}

QImage smoothSynthetic() {
    QImage out = base::makeBgr(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            base::setPixel(out, x, y,
                           base::rgb(static_cast<std::uint8_t>(x * 255 / kWidth),
                                     static_cast<std::uint8_t>(y * 255 / kHeight),
                                     static_cast<std::uint8_t>(128 + ((x / 7 + y / 5) % 64))));
    return out;
}

const QImage& photo() {
    static const QImage picture = [] {
        for (const char* path : kPhotos) {
            if (!QFile::exists(QString::fromUtf8(path))) continue;
            try {
                const QImage source = codecs::readFile(QString::fromUtf8(path), codecs::Format::Jpeg);
                std::printf("photo: %s (%d x %d), tiled to %d x %d\n", path, source.width(), source.height(),
                            kWidth, kHeight);
                return tiled(source);
            } catch (...) {
            }
        }
        std::printf("photo: none found (install mate-backgrounds); using a smooth synthetic picture\n");
        return smoothSynthetic();
    }();
    return picture;
}

// 252 colours (6 × 7 × 6 levels), nearest level per channel: the shape of the program's GIF input.
const QImage& indexedPhoto() {
    static const QImage picture = [] {
        const QImage& bgr = photo();
        QImage out(kWidth, kHeight, QImage::Format_Indexed8);
        QList<QRgb> table;
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 7; ++g)
                for (int b = 0; b < 6; ++b) table.append(qRgb(r * 51, g * 255 / 6, b * 51));
        out.setColorTable(table);
        for (int y = 0; y < kHeight; ++y) {
            const std::uint8_t* p = bgr.constScanLine(y);
            std::uint8_t* q = out.scanLine(y);
            for (int x = 0; x < kWidth; ++x, p += 3) {
                const int r = (p[2] + 25) / 51, g = (p[1] * 6 + 127) / 255, b = (p[0] + 25) / 51;
                q[x] = static_cast<std::uint8_t>((r * 7 + g) * 6 + b);
            }
        }
        return out;
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
    state.counters["MiB"] = static_cast<double>(bytes) / (1024.0 * 1024.0);
    state.counters["Mpx/s"] = benchmark::Counter(static_cast<double>(kWidth) * kHeight / 1e6,
                                                 benchmark::Counter::kIsIterationInvariantRate);
}

void decode(benchmark::State& state, const QByteArray& data, codecs::Format format) {
    for (auto _ : state) {
        const QImage picture = codecs::decode(data, format);
        benchmark::DoNotOptimize(picture.constBits());
    }
    state.counters["Mpx/s"] = benchmark::Counter(static_cast<double>(kWidth) * kHeight / 1e6,
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

BENCHMARK(BM_EncodeJpeg)->Arg(90)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodePng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeGif)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeBmp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeJpeg)->Arg(90)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodePng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeGif)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeBmp)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--dump-photo=", 0) == 0) {
            codecs::writeFile(QString::fromStdString(arg.substr(13)), photo(), codecs::Format::Bmp);
            std::printf("wrote %s\n", arg.substr(13).c_str());
            return 0;
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
