#pragma once

// Benchmark pictures: a real photograph mirror-tiled to the size asked for, so that the passes see
// the colours and edges they meet in use and no seam is a hard edge. bench/compare hands both sides
// the same decoded photo through KADREL_BENCH_PHOTO (a PNG, so no decoder differences creep in) and
// tiles it the same way; run alone, a benchmark takes the first Debian wallpaper it finds.
// Header-only so that any bench/<unit> can include it without a library of its own.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <QImage>
#include <QString>

namespace benchphoto {

// A photo named by KADREL_BENCH_PHOTO that does not load stops the program: falling back to
// another picture would time the two sides of a comparison on different pixels.
inline QImage loadPhoto() {
    if (const char* env = std::getenv("KADREL_BENCH_PHOTO"); env != nullptr && *env != '\0') {
        QImage img(QString::fromLocal8Bit(env));
        if (img.isNull()) {
            std::fprintf(stderr, "bench: KADREL_BENCH_PHOTO=%s does not load as a picture\n", env);
            std::exit(2);
        }
        return img.convertToFormat(QImage::Format_BGR888);
    }
    const char* candidates[] = {"/usr/share/backgrounds/mate/nature/Garden.jpg",
                                "/usr/share/backgrounds/mate/nature/LadyBird.jpg",
                                "/usr/share/wallpapers/Next/contents/images/5120x2880.png"};
    for (const char* path : candidates) {
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

inline const QImage& source() {
    static const QImage img = [] {
        QImage p = loadPhoto();
        if (p.isNull()) {
            std::fprintf(stderr, "bench: no photograph found, using a synthetic picture\n");
            p = syntheticPhoto(2560, 1600);
        }
        return p;
    }();
    return img;
}

// Source coordinate of picture coordinate v when tiles of n alternate plain and mirrored.
inline int mirrored(int v, int n) {
    const int t = v / n, r = v % n;
    return t % 2 == 0 ? r : n - 1 - r;
}

// The photo over w x h (BGR888) from the top-left corner, every other tile flipped left to right
// and every other tile row flipped top to bottom; bench/compare tiles the same way.
inline QImage photo(int w, int h) {
    const QImage& src = source();
    const int pw = src.width(), ph = src.height();
    QImage out(w, h, QImage::Format_BGR888);
    // One source row in both directions, so each destination row is a few long copies.
    std::vector<std::uint8_t> flipped(static_cast<std::size_t>(3) * pw);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* plain = src.constScanLine(mirrored(y, ph));
        for (int x = 0; x < pw; ++x)
            std::memcpy(&flipped[3 * static_cast<std::size_t>(x)], plain + 3 * (pw - 1 - x), 3);
        std::uint8_t* dst = out.scanLine(y);
        for (int x = 0, tile = 0; x < w; x += pw, ++tile) {
            const int n = x + pw <= w ? pw : w - x;
            std::memcpy(dst + 3 * static_cast<std::size_t>(x), tile % 2 == 0 ? plain : flipped.data(),
                        static_cast<std::size_t>(3) * n);
        }
    }
    return out;
}

}  // namespace benchphoto
