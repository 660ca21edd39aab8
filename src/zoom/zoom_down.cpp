#include "zoom/zoom_down.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "base/error.h"
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

#if KADREL_X86_64_VECTORS

// Destination columns four at a time, where the four boxes span the same number of source
// columns: their first source columns and their overlaps tap by tap (tap i of pixel k at 4i + k).
// Per pass, with the expressions of boxesAlong.
struct Quads {
    std::vector<int> count;   // per quad: source columns each box spans, 0 when they differ
    std::vector<int> first;   // per quad: the four first source columns
    std::vector<int> offset;  // per quad: where its overlaps start in `overlap`
    std::vector<double> overlap;
};

Quads quadsOf(const Box& cols, int width) {
    Quads q;
    for (int x = 0; x + 4 <= width; x += 4) {
        const int n = cols.count[x];
        bool same = true;
        for (int k = 1; k < 4; ++k) same = same && cols.count[x + k] == n;
        q.count.push_back(same ? n : 0);
        q.offset.push_back(static_cast<int>(q.overlap.size()));
        for (int k = 0; k < 4; ++k) q.first.push_back(cols.first[x + k]);
        if (!same) continue;
        for (int i = 0; i < n; ++i)
            for (int k = 0; k < 4; ++k) q.overlap.push_back(cols.overlap[cols.offset[x + k] + i]);
    }
    return q;
}

// One pixel with blue, green and red in the lanes of one vector, each lane adding its products in
// the plain order.
ZOOM_AVX2 inline void vectorPixel(const Row& r, int x, const KeyOptions& key, std::uint32_t keyWord,
                                  const detail::PixelReader& read) {
    std::uint8_t* out = r.out + 3 * x;
    const int ix0 = r.cols.first[x], nx = r.cols.count[x];
    const double* wxs = r.cols.overlap.data() + r.cols.offset[x];
    __m256d sum = _mm256_setzero_pd();
    float weight = r.areaRatio;
    for (int j = 0; j < r.ny; ++j) {
        const std::uint8_t* p = r.srcRows[j] + 3 * ix0;
        const double wy = r.wys[j];
        for (int i = 0; i < nx; ++i, p += 3) {
            const double wxy = wxs[i] * wy;
            const std::uint32_t pixel = read(p);
            if (key.on && detail::sameWord(pixel, keyWord))
                weight = static_cast<float>(weight - wxy);
            else
                sum = _mm256_add_pd(sum, _mm256_mul_pd(_mm256_set1_pd(wxy), detail::channelDoubles(pixel)));
        }
    }
    const double coverage = static_cast<double>(weight) / r.areaRatio;
    if (!kept(coverage, key.fill)) {
        detail::putColour(out, key.colour);
        return;
    }
    detail::storeChannels(out, _mm256_div_pd(sum, _mm256_set1_pd(static_cast<double>(weight))));
}

// Four pixels at once, one pixel a lane and one vector a channel; each lane takes the taps in the
// plain order, so its sums are those of the plain path. A quad none of whose taps is the key has
// the whole area as its weight, so only the fill decides whether it is kept. Returns false, having
// written nothing, when a tap is the key.
ZOOM_AVX2 inline bool vectorQuad(const Row& r, const Quads& q, int quad, const KeyOptions& key,
                                 std::uint32_t keyWord, bool wholeKept, const detail::PixelReader& read) {
    const int nx = q.count[static_cast<std::size_t>(quad)];
    const int* first = q.first.data() + 4 * quad;
    const double* wxs = q.overlap.data() + q.offset[static_cast<std::size_t>(quad)];
    const __m128i blue = _mm_setr_epi8(0, -1, -1, -1, 4, -1, -1, -1, 8, -1, -1, -1, 12, -1, -1, -1);
    const __m128i green = _mm_setr_epi8(1, -1, -1, -1, 5, -1, -1, -1, 9, -1, -1, -1, 13, -1, -1, -1);
    const __m128i red = _mm_setr_epi8(2, -1, -1, -1, 6, -1, -1, -1, 10, -1, -1, -1, 14, -1, -1, -1);
    const __m128i rgbMask = _mm_set1_epi32(0xFFFFFF);
    const __m128i keyVec = _mm_set1_epi32(static_cast<int>(keyWord));
    __m128i hits = _mm_setzero_si128();
    __m256d sumB = _mm256_setzero_pd(), sumG = _mm256_setzero_pd(), sumR = _mm256_setzero_pd();
    for (int j = 0; j < r.ny; ++j) {
        const std::uint8_t* row = r.srcRows[j];
        const __m256d wy = _mm256_set1_pd(r.wys[j]);
        const std::uint8_t *p0 = row + 3 * first[0], *p1 = row + 3 * first[1], *p2 = row + 3 * first[2],
                           *p3 = row + 3 * first[3];
        for (int i = 0; i < nx; ++i) {
            const __m256d wxy = _mm256_mul_pd(_mm256_loadu_pd(wxs + 4 * i), wy);
            const __m128i px =
                _mm_setr_epi32(static_cast<int>(read(p0 + 3 * i)), static_cast<int>(read(p1 + 3 * i)),
                               static_cast<int>(read(p2 + 3 * i)), static_cast<int>(read(p3 + 3 * i)));
            hits = _mm_or_si128(hits, _mm_cmpeq_epi32(_mm_and_si128(px, rgbMask), keyVec));
            sumB = _mm256_add_pd(sumB, _mm256_mul_pd(wxy, _mm256_cvtepi32_pd(_mm_shuffle_epi8(px, blue))));
            sumG = _mm256_add_pd(sumG, _mm256_mul_pd(wxy, _mm256_cvtepi32_pd(_mm_shuffle_epi8(px, green))));
            sumR = _mm256_add_pd(sumR, _mm256_mul_pd(wxy, _mm256_cvtepi32_pd(_mm_shuffle_epi8(px, red))));
        }
    }
    if (key.on && _mm_movemask_epi8(hits) != 0) return false;
    std::uint8_t* out = r.out + 3 * 4 * quad;
    if (!wholeKept) {
        for (int k = 0; k < 4; ++k) detail::putColour(out + 3 * k, key.colour);
        return true;
    }
    const __m256d weight = _mm256_set1_pd(static_cast<double>(r.areaRatio));
    detail::storeQuad(out, detail::roundedInts(_mm256_div_pd(sumB, weight)),
                      detail::roundedInts(_mm256_div_pd(sumG, weight)),
                      detail::roundedInts(_mm256_div_pd(sumR, weight)));
    return true;
}

ZOOM_AVX2 void vectorRow(const Row& r, const Quads& q, const KeyOptions& key,
                         const detail::PixelReader& read) {
    const std::uint32_t keyWord = detail::bgrWord(key.colour);
    const bool wholeKept = kept(1.0, key.fill);
    const int quads = static_cast<int>(q.count.size());
    for (int quad = 0; quad < quads; ++quad) {
        if (q.count[static_cast<std::size_t>(quad)] != 0 &&
            vectorQuad(r, q, quad, key, keyWord, wholeKept, read))
            continue;
        for (int k = 0; k < 4; ++k) vectorPixel(r, 4 * quad + k, key, keyWord, read);
    }
    for (int x = 4 * quads; x < r.width; ++x) vectorPixel(r, x, key, keyWord, read);
}

#endif  // KADREL_X86_64_VECTORS

}  // namespace

namespace {

class ZoomDown final : public BandPass {
public:
    ZoomDown(const QImage& srcIn, QSize size, const KeyOptions& key)
        : src_(detail::passSource(srcIn)),
          size_(checkedSize(size)),
          key_(key),
          cols_(boxesAlong(src_.picture.width(), size.width())),
          rows_(boxesAlong(src_.picture.height(), size.height())) {
        const int w = src_.picture.width(), h = src_.picture.height();
        // Single precision, as the weights left after transparent pixels are.
        areaRatio_ = static_cast<float>(static_cast<double>(std::int64_t{w} * h) /
                                        static_cast<double>(std::int64_t{size.width()} * size.height()));
#if KADREL_X86_64_VECTORS
        if (src_.vectorRead) quads_ = quadsOf(cols_, size.width());
#endif
    }

    QSize size() const override {
        return size_;
    }

    RowSpan sourceRows(int top, int bottom) const override {
        if (top >= bottom) return {};
        return {rows_.first[top], rows_.first[bottom - 1] + rows_.count[bottom - 1]};
    }

    void run(std::uint8_t* first, qsizetype stride, int top, int bottom) const override {
        run(first, stride, top, bottom, {});
    }

    void run(std::uint8_t* first, qsizetype stride, int top, int bottom, const Progress& progress) const {
        // A destination row reads about h / h2 source rows.
        const std::int64_t cost = std::int64_t{src_.picture.width()} * src_.picture.height() / size_.height();
        forEachRowIn(
            first, stride, top, bottom, cost,
            [&](int y, std::uint8_t* out) {
                const Row row{cols_,
                              src_.rows.data() + rows_.first[y],
                              rows_.overlap.data() + rows_.offset[y],
                              rows_.count[y],
                              out,
                              size_.width(),
                              areaRatio_};
#if KADREL_X86_64_VECTORS
                if (src_.vectorRead) {
                    vectorRow(row, quads_, key_, *src_.vectorRead);
                    return;
                }
#endif
                plainRow(row, key_);
            },
            progress);
    }

private:
    detail::Source src_;
    QSize size_;
    KeyOptions key_;
    Box cols_, rows_;
    float areaRatio_ = 1;
#if KADREL_X86_64_VECTORS
    Quads quads_;
#endif
};

}  // namespace

std::unique_ptr<BandPass> zoomdownBands(const QImage& src, QSize size, const KeyOptions& key) {
    return std::make_unique<ZoomDown>(src, size, key);
}

QImage zoomdown(const QImage& srcIn, QSize size, const KeyOptions& key, const Progress& progress) {
    const ZoomDown pass(srcIn, size, key);
    QImage dst = detail::blankPicture(size);
    pass.run(dst.bits(), dst.bytesPerLine(), 0, size.height(), progress);
    return dst;
}

}  // namespace zoom
