// The scaling and rotation passes on real photographs tiled to size, with transparency off and on.
// --dump-photos=DIR writes the three source pictures as BMP files for compare_pillow.py.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include <QDir>
#include <QFile>
#include <QImage>

#include "base/image.h"
#include "codecs/codecs.h"
#include "zoom/rotation.h"
#include "zoom/zoom_down.h"
#include "zoom/zoom_up.h"

namespace {

// Debian's desktop backgrounds (mate-backgrounds, plasma-workspace-wallpapers) hold real photographs.
const char* const kPhotos[] = {
    "/usr/share/backgrounds/mate/abstract/Elephants_5640x3172.jpg",
    "/usr/share/backgrounds/mate/abstract/Elephants_3840x2160.jpg",
    "/usr/share/backgrounds/mate/nature/Dune.jpg",
    "/usr/share/wallpapers/Path/contents/images/5120x2880.jpg",
};

const QImage& photo() {
    static const QImage picture = [] {
        for (const char* path : kPhotos) {
            if (!QFile::exists(QString::fromUtf8(path))) continue;
            try {
                QImage p = codecs::readFile(QString::fromUtf8(path), codecs::Format::Jpeg);
                std::printf("photo: %s (%d x %d)\n", path, p.width(), p.height());
                return base::toBgr(p);
            } catch (...) {
            }
        }
        std::printf("photo: none found (install mate-backgrounds); using a synthetic picture\n");
        QImage p = base::makeBgr(1000, 700);
        for (int y = 0; y < p.height(); ++y)
            for (int x = 0; x < p.width(); ++x)
                base::setPixel(p, x, y,
                               base::rgb(static_cast<std::uint8_t>(x * 255 / p.width()),
                                         static_cast<std::uint8_t>(y * 255 / p.height()),
                                         static_cast<std::uint8_t>(128 + ((x / 7 + y / 5) % 64))));
        return p;
    }();
    return picture;
}

// The photograph tiled to w × h, every other tile mirrored top to bottom so no seam is flat.
QImage tiled(int w, int h) {
    const QImage& p = photo();
    QImage out = base::makeBgr(w, h);
    for (int y = 0; y < h; ++y) {
        const int sy = (y / p.height()) % 2 ? p.height() - 1 - y % p.height() : y % p.height();
        std::uint8_t* row = out.scanLine(y);
        for (int x = 0; x < w; x += p.width())
            std::memcpy(row + 3 * x, p.constScanLine(sy),
                        3 * static_cast<size_t>(std::min(p.width(), w - x)));
    }
    return out;
}

const QImage& large() {
    static const QImage p = tiled(6000, 4000);
    return p;
}
const QImage& small() {
    static const QImage p = tiled(2000, 1500);
    return p;
}
const QImage& medium() {
    static const QImage p = tiled(4000, 3000);
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

void BM_ZoomDown6000x4000To4500x3000(benchmark::State& state) {
    QImage out;
    for (auto _ : state) {
        out = zoom::zoomdown(large(), {4500, 3000}, key(state, large()));
        benchmark::DoNotOptimize(out.constBits());
    }
    report(state, out);
}

void BM_ZoomDown6000x4000To1500x1000(benchmark::State& state) {
    QImage out;
    for (auto _ : state) {
        out = zoom::zoomdown(large(), {1500, 1000}, key(state, large()));
        benchmark::DoNotOptimize(out.constBits());
    }
    report(state, out);
}

void BM_ZoomUp2000x1500To4000x3000(benchmark::State& state) {
    QImage out;
    for (auto _ : state) {
        out = zoom::zoomup(small(), {4000, 3000}, key(state, small()));
        benchmark::DoNotOptimize(out.constBits());
    }
    report(state, out);
}

void BM_Rotate4000x3000By30(benchmark::State& state) {
    zoom::RotateOptions o;
    o.angle = zoom::rotationAngle(30, 0);
    o.key = key(state, medium());
    o.gap = o.key.on ? o.key.colour : 0;  // the dialog's gap follows the key
    const QSize size = zoom::rotatedSize(medium().size(), o.angle);
    QImage out;
    for (auto _ : state) {
        out = zoom::rotate(medium(), size, o);
        benchmark::DoNotOptimize(out.constBits());
    }
    report(state, out);
}

BENCHMARK(BM_ZoomDown6000x4000To4500x3000)
    ->ArgName("transparent")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZoomDown6000x4000To1500x1000)
    ->ArgName("transparent")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZoomUp2000x1500To4000x3000)
    ->ArgName("transparent")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rotate4000x3000By30)->ArgName("transparent")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--dump-photos=", 0) == 0) {
            const QDir dir(QString::fromStdString(arg.substr(14)));
            const std::pair<const char*, const QImage*> files[] = {
                {"6000x4000.bmp", &large()}, {"2000x1500.bmp", &small()}, {"4000x3000.bmp", &medium()}};
            for (const auto& [name, picture] : files)
                codecs::writeFile(dir.filePath(QString::fromLatin1(name)), *picture, codecs::Format::Bmp);
            std::printf("wrote the photos to %s\n", arg.substr(14).c_str());
            return 0;
        }
    }
    // Made before the timing starts.
    large();
    small();
    medium();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
