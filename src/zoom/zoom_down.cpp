#include "zoom/zoom_down.h"

#include <cmath>
#include <cstdint>
#include <vector>

#include "base/image.h"
#include "zoom/pixel_math.h"
#include "zoom/simd.h"

namespace zoom {

namespace {

// The source pixels a destination pixel's box covers along one side, with their overlaps.
struct Box {
    std::vector<int> first;   // per destination pixel: first source index
    std::vector<int> count;   // how many source pixels follow from it
    std::vector<int> offset;  // where its overlaps start in `overlap`
    std::vector<double> overlap;
};

Box boxesAlong(int from, int to) {
    const double scale = static_cast<double>(from) / to;
    Box b;
    b.first.resize(to);
    b.count.resize(to);
    b.offset.resize(to);
    for (int i = 0; i < to; ++i) {
        const double lo = i * scale;
        const double hi = (i + 1) * scale - 0.000001;
        const int i0 = static_cast<int>(std::floor(lo));
        const int i1 = static_cast<int>(std::floor(hi));
        b.first[i] = i0;
        b.count[i] = i1 - i0 + 1;
        b.offset[i] = static_cast<int>(b.overlap.size());
        for (int k = i0; k <= i1; ++k) {
            double o;
            if (k > lo && k + 1 < hi)
                o = 1;
            else if (k <= lo && k + 1 < hi)
                o = 1 - (lo - k);
            else if (k > lo)
                o = hi - k;
            else
                o = hi - lo;
            b.overlap.push_back(o);
        }
    }
    return b;
}

// One destination row; plain locals, since every byte stored could alias a member.
struct Row {
    const Box& cols;
    const std::uint8_t* const* srcRows;  // from the row's first source row
    const double* wys;
    int ny;
    std::uint8_t* out;
    int width;
    float areaRatio;
};

void plainRow(const Row& r, const KeyOptions& key) {
    std::uint8_t* out = r.out;
    const int* first = r.cols.first.data();
    const int* count = r.cols.count.data();
    const int* offset = r.cols.offset.data();
    const double* overlap = r.cols.overlap.data();
    for (int x = 0; x < r.width; ++x, out += 3) {
        const int ix0 = first[x], nx = count[x];
        const double* wxs = overlap + offset[x];
        double sumRed = 0, sumGreen = 0, sumBlue = 0;
        float weight = r.areaRatio;
        for (int j = 0; j < r.ny; ++j) {
            const std::uint8_t* p = r.srcRows[j] + 3 * ix0;
            const double wy = r.wys[j];
            for (int i = 0; i < nx; ++i, p += 3) {
                const double wx = wxs[i];
                if (key.on && detail::sameColour(p, key.colour)) {
                    weight = static_cast<float>(weight - wx * wy);
                } else {
                    sumRed += wx * wy * p[2];
                    sumGreen += wx * wy * p[1];
                    sumBlue += wx * wy * p[0];
                }
            }
        }
        const double coverage = static_cast<double>(weight) / r.areaRatio;
        if (!kept(coverage, key.fill)) {
            detail::putColour(out, key.colour);
            continue;
        }
        out[2] = detail::channelByte(sumRed / weight);
        out[1] = detail::channelByte(sumGreen / weight);
        out[0] = detail::channelByte(sumBlue / weight);
    }
}

// The same sums with blue, green and red in the lanes of one vector, each lane adding its
// products in the plain order.
ZOOM_AVX2 void vectorRow(const Row& r, const KeyOptions& key, const detail::PixelReader& read) {
    const std::uint32_t keyWord = detail::bgrWord(key.colour);
    const bool keyOn = key.on;
    const int fill = key.fill;
    const float areaRatio = r.areaRatio;
    const int ny = r.ny;
    const double* wys = r.wys;
    const std::uint8_t* const* srcRows = r.srcRows;
    const int* first = r.cols.first.data();
    const int* count = r.cols.count.data();
    const int* offset = r.cols.offset.data();
    const double* overlap = r.cols.overlap.data();
    std::uint8_t* out = r.out;
    for (int x = 0, n = r.width; x < n; ++x, out += 3) {
        const int ix0 = first[x], nx = count[x];
        const double* wxs = overlap + offset[x];
        __m256d sum = _mm256_setzero_pd();
        float weight = areaRatio;
        for (int j = 0; j < ny; ++j) {
            const std::uint8_t* p = srcRows[j] + 3 * ix0;
            const double wy = wys[j];
            for (int i = 0; i < nx; ++i, p += 3) {
                const double wxy = wxs[i] * wy;
                const std::uint32_t pixel = read(p);
                if (keyOn && detail::sameWord(pixel, keyWord))
                    weight = static_cast<float>(weight - wxy);
                else
                    sum =
                        _mm256_add_pd(sum, _mm256_mul_pd(_mm256_set1_pd(wxy), detail::channelDoubles(pixel)));
            }
        }
        const double coverage = static_cast<double>(weight) / areaRatio;
        if (!kept(coverage, fill)) {
            detail::putColour(out, key.colour);
            continue;
        }
        detail::storeChannels(out, _mm256_div_pd(sum, _mm256_set1_pd(static_cast<double>(weight))));
    }
}

}  // namespace

QImage zoomdown(const QImage& srcIn, QSize size, const KeyOptions& key, const Progress& progress) {
    const QImage src = bgrSource(srcIn);
    QImage dst = detail::blankPicture(size);
    const int w = src.width(), h = src.height();
    const int w2 = size.width(), h2 = size.height();
    // Single precision, as the weights left after transparent pixels are.
    const float areaRatio = static_cast<float>(static_cast<double>(std::int64_t{w} * h) /
                                               static_cast<double>(std::int64_t{w2} * h2));

    const Box cols = boxesAlong(w, w2);
    const Box rows = boxesAlong(h, h2);
    std::vector<const std::uint8_t*> srcRows(h);
    for (int y = 0; y < h; ++y) srcRows[y] = src.constScanLine(y);

    const bool vector = detail::vectorPaths();
    const detail::PixelReader read(src.constBits(), src.sizeInBytes());
    for (int y = 0; y < h2; ++y) {
        const Row row{cols,
                      srcRows.data() + rows.first[y],
                      rows.overlap.data() + rows.offset[y],
                      rows.count[y],
                      dst.scanLine(y),
                      w2,
                      areaRatio};
        if (vector)
            vectorRow(row, key, read);
        else
            plainRow(row, key);
        if (progress) progress(percentDone(y, h2));
    }
    return dst;
}

}  // namespace zoom
