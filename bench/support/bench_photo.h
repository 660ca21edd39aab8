#pragma once

// Benchmark pictures: a real photograph tiled to the size asked for, so that the passes see the
// colours and edges they meet in use. bench/compare hands both sides the same decoded photo
// through KADREL_BENCH_PHOTO; run alone, a benchmark takes the first Debian wallpaper it finds.
// Header-only so that any bench/<unit> can include it without a library of its own.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <QImage>
#include <QString>

namespace benchphoto {

inline QImage loadPhoto() {
    const char* env = std::getenv("KADREL_BENCH_PHOTO");
    const char* candidates[] = {env, "/usr/share/backgrounds/mate/nature/Garden.jpg",
                                "/usr/share/backgrounds/mate/nature/LadyBird.jpg",
                                "/usr/share/wallpapers/Next/contents/images/5120x2880.png"};
    for (const char* path : candidates) {
        if (path == nullptr || *path == '\0') continue;
        QImage img(QString::fromLocal8Bit(path));
        if (!img.isNull()) return img.convertToFormat(QImage::Format_BGR888);
    }
    return {};
}

// A smooth stand-in when no photograph is installed (mate-backgrounds is the one we use).
inline QImage syntheticPhoto(int w, int h) {
    QImage img(w, h, QImage::Format_BGR888);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = img.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const double u = double(x) / w, v = double(y) / h;
            row[3 * x] = static_cast<std::uint8_t>(127.5 + 127.5 * std::sin(6.0 * u + 2.0 * v));
            row[3 * x + 1] = static_cast<std::uint8_t>(255.0 * v * (1.0 - u) + 60.0 * u);
            row[3 * x + 2] = static_cast<std::uint8_t>(127.5 + 127.5 * std::cos(9.0 * u * v + 1.0));
        }
    }
    return img;
}

// The photo repeated from the top-left corner over w x h (BGR888); bench/compare tiles the same way.
inline QImage photo(int w, int h) {
    static const QImage source = [] {
        QImage img = loadPhoto();
        if (img.isNull()) {
            std::fprintf(stderr, "bench: no photograph found, using a synthetic picture\n");
            img = syntheticPhoto(2560, 1600);
        }
        return img;
    }();
    QImage out(w, h, QImage::Format_BGR888);
    const int pw = source.width(), ph = source.height();
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* src = source.constScanLine(y % ph);
        std::uint8_t* dst = out.scanLine(y);
        for (int x = 0; x < w; x += pw) {
            const int n = x + pw <= w ? pw : w - x;
            std::memcpy(dst + 3 * x, src, static_cast<std::size_t>(3) * n);
        }
    }
    return out;
}

}  // namespace benchphoto
