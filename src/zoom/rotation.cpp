#include "zoom/rotation.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <numbers>
#include <vector>

#include "base/image.h"
#include "zoom/pixel_math.h"
#include "zoom/simd.h"
#include "zoom/zoom_calc.h"

namespace zoom {

double rotationAngle(int degrees, int hundredths) {
    const long double a = (static_cast<long double>(degrees) + static_cast<long double>(hundredths) / 100) *
                          std::numbers::pi_v<long double> / 180;
    return static_cast<double>(a);
}

QSize rotatedSize(QSize source, double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    const double w = source.width(), h = source.height();
    const double v1 = w * c - h * s;
    const double v2 = w * c + h * s;
    const double v3 = w * s - h * c;
    const double v4 = w * s + h * c;
    return QSize(static_cast<int>(std::ceil(std::max(std::fabs(v1), std::fabs(v2)))),
                 static_cast<int>(std::ceil(std::max(std::fabs(v3), std::fabs(v4)))));
}

namespace {

inline double bilinear(int a, int b, int c, int d, double fx, double fy) {
    return a + fx * (b - a) + fy * (c - a) + fx * fy * (a - b - c + d);
}

struct Pass {
    const std::uint8_t* const* srcRows;
    int w, h;
    const RotateOptions& o;
    bool wholeKept;
    std::uint8_t gap[3];
};

// One destination pixel at sample point (sx, sy), every case of the algorithm.
void samplePixel(const Pass& p, double sx, double sy, std::uint8_t* out) {
    const KeyOptions& key = p.o.key;
    const double flx = std::floor(sx), fly = std::floor(sy);
    const double fx = sx - flx, fy = sy - fly;
    // With no neighbour inside, the pixel has the gap colour either way: no neighbour takes
    // part, or (blending) all four are gap-coloured. Leaving early also keeps the casts safe.
    if (!(flx >= -1 && flx < p.w && fly >= -1 && fly < p.h)) {
        std::memcpy(out, p.gap, 3);
        return;
    }
    const int x0 = static_cast<int>(flx), y0 = static_cast<int>(fly);
    const bool upIn = y0 >= 0 && y0 <= p.h - 1, lowIn = y0 + 1 >= 0 && y0 + 1 <= p.h - 1;
    const bool leftIn = x0 >= 0 && x0 <= p.w - 1, rightIn = x0 + 1 >= 0 && x0 + 1 <= p.w - 1;

    const std::uint8_t* n[4] = {p.gap, p.gap, p.gap, p.gap};  // TL TR BL BR
    unsigned flags = 0;
    if (upIn && leftIn) n[0] = p.srcRows[y0] + 3 * x0, flags |= kTopLeft;
    if (upIn && rightIn) n[1] = p.srcRows[y0] + 3 * (x0 + 1), flags |= kTopRight;
    if (lowIn && leftIn) n[2] = p.srcRows[y0 + 1] + 3 * x0, flags |= kBottomLeft;
    if (lowIn && rightIn) n[3] = p.srcRows[y0 + 1] + 3 * (x0 + 1), flags |= kBottomRight;
    if (key.on) {
        if ((flags & kTopLeft) && detail::sameColour(n[0], key.colour)) flags &= ~kTopLeft;
        if ((flags & kTopRight) && detail::sameColour(n[1], key.colour)) flags &= ~kTopRight;
        if ((flags & kBottomLeft) && detail::sameColour(n[2], key.colour)) flags &= ~kBottomLeft;
        if ((flags & kBottomRight) && detail::sameColour(n[3], key.colour)) flags &= ~kBottomRight;
    }
    if (p.o.blendBorder) flags = kAllNeighbours;

    if (flags == kAllNeighbours ? !p.wholeKept : flags == 0 || !kept(coverageOf(flags, fx, fy), key.fill)) {
        std::memcpy(out, p.gap, 3);
    } else if (flags == kAllNeighbours) {
        for (int ch = 0; ch < 3; ++ch)
            out[ch] = detail::channelByte(bilinear(n[0][ch], n[1][ch], n[2][ch], n[3][ch], fx, fy));
    } else {
        for (int ch = 0; ch < 3; ++ch)
            out[ch] = zoomcalc(n[0][ch], n[1][ch], n[2][ch], n[3][ch], fx, fy, flags);
    }
}

void plainRow(const Pass& p, const double* colX, const double* colY, double rowX, double rowY,
              std::uint8_t* out, int width) {
    for (int x = 0; x < width; ++x, out += 3) samplePixel(p, colX[x] + rowX, colY[x] + rowY, out);
}

#if KADREL_X86_64_VECTORS

// The vector path's constants for one pass.
struct VectorPass {
    const Pass& p;
    const detail::PixelReader& read;
    std::uint32_t keyWord;
    std::uint8_t gaps[12];  // the gap colour four times
};

// One pixel whose four neighbours lie inside the source, with the channels as lanes; the rest go
// through samplePixel.
ZOOM_AVX2 inline void vectorPixel(const VectorPass& v, double sx, double sy, std::uint8_t* out) {
    const Pass& p = v.p;
    const double flx = std::floor(sx), fly = std::floor(sy);
    if (!(flx >= 0 && flx <= p.w - 2 && fly >= 0 && fly <= p.h - 2)) {
        samplePixel(p, sx, sy, out);
        return;
    }
    const double fx = sx - flx, fy = sy - fly;
    const int x0 = static_cast<int>(flx), y0 = static_cast<int>(fly);
    const std::uint8_t* up = p.srcRows[y0] + 3 * x0;
    const std::uint8_t* low = p.srcRows[y0 + 1] + 3 * x0;
    const std::uint32_t a = v.read(up), b = v.read(up + 3), c = v.read(low), d = v.read(low + 3);
    if (p.o.key.on && (detail::sameWord(a, v.keyWord) || detail::sameWord(b, v.keyWord) ||
                       detail::sameWord(c, v.keyWord) || detail::sameWord(d, v.keyWord))) {
        samplePixel(p, sx, sy, out);
        return;
    }
    if (p.wholeKept)
        detail::storeChannels(out, detail::bilinearLanes(a, b, c, d, fx, fy));
    else
        std::memcpy(out, p.gap, 3);
}

// Four pixels at a time, one a lane and one vector a channel, where all four have their four
// neighbours inside the source and none of those is the key: then every neighbour takes part and
// only the fill decides. Four pixels with no neighbour inside at all take the gap colour, as in
// samplePixel. Any other four go a pixel at a time.
ZOOM_AVX2 void vectorRow(const VectorPass& v, const double* colX, const double* colY, double rowX,
                         double rowY, std::uint8_t* out, int width) {
    const Pass& p = v.p;
    const bool keyOn = p.o.key.on, wholeKept = p.wholeKept;
    const std::uint8_t* const* srcRows = p.srcRows;
    const __m256d addX = _mm256_set1_pd(rowX), addY = _mm256_set1_pd(rowY);
    const __m256d zero = _mm256_setzero_pd(), lastX = _mm256_set1_pd(p.w - 2),
                  lastY = _mm256_set1_pd(p.h - 2);
    const __m256d minusOne = _mm256_set1_pd(-1), w = _mm256_set1_pd(p.w), h = _mm256_set1_pd(p.h);
    int x = 0;
    for (; x + 4 <= width; x += 4, out += 12) {
        const __m256d sx = _mm256_add_pd(_mm256_loadu_pd(colX + x), addX);
        const __m256d sy = _mm256_add_pd(_mm256_loadu_pd(colY + x), addY);
        const __m256d flx = _mm256_floor_pd(sx), fly = _mm256_floor_pd(sy);
        const __m256d inside = _mm256_and_pd(
            _mm256_and_pd(_mm256_cmp_pd(flx, zero, _CMP_GE_OQ), _mm256_cmp_pd(flx, lastX, _CMP_LE_OQ)),
            _mm256_and_pd(_mm256_cmp_pd(fly, zero, _CMP_GE_OQ), _mm256_cmp_pd(fly, lastY, _CMP_LE_OQ)));
        if (_mm256_movemask_pd(inside) == 0xF) {
            alignas(16) int xs[4], ys[4];
            _mm_store_si128(reinterpret_cast<__m128i*>(xs), _mm256_cvttpd_epi32(flx));
            _mm_store_si128(reinterpret_cast<__m128i*>(ys), _mm256_cvttpd_epi32(fly));
            const std::uint8_t* up[4];
            const std::uint8_t* low[4];
            for (int k = 0; k < 4; ++k) {
                up[k] = srcRows[ys[k]] + 3 * xs[k];
                low[k] = srcRows[ys[k] + 1] + 3 * xs[k];
            }
            const auto gather = [&](const std::uint8_t* const* at, int shift) {
                return _mm_setr_epi32(
                    static_cast<int>(v.read(at[0] + shift)), static_cast<int>(v.read(at[1] + shift)),
                    static_cast<int>(v.read(at[2] + shift)), static_cast<int>(v.read(at[3] + shift)));
            };
            const __m128i tl = gather(up, 0), tr = gather(up, 3), bl = gather(low, 0), br = gather(low, 3);
            if (!keyOn || !detail::anyKeyed(tl, tr, bl, br, v.keyWord)) {
                if (wholeKept)
                    detail::storeBilinearQuad(out, tl, tr, bl, br, _mm256_sub_pd(sx, flx),
                                              _mm256_sub_pd(sy, fly));
                else
                    std::memcpy(out, v.gaps, 12);
                continue;
            }
        } else {
            // samplePixel's first test, negated: no neighbour of any of the four lies inside.
            const __m256d near = _mm256_and_pd(
                _mm256_and_pd(_mm256_cmp_pd(flx, minusOne, _CMP_GE_OQ), _mm256_cmp_pd(flx, w, _CMP_LT_OQ)),
                _mm256_and_pd(_mm256_cmp_pd(fly, minusOne, _CMP_GE_OQ), _mm256_cmp_pd(fly, h, _CMP_LT_OQ)));
            if (_mm256_movemask_pd(near) == 0) {
                std::memcpy(out, v.gaps, 12);
                continue;
            }
        }
        for (int k = 0; k < 4; ++k) vectorPixel(v, colX[x + k] + rowX, colY[x + k] + rowY, out + 3 * k);
    }
    for (; x < width; ++x, out += 3) vectorPixel(v, colX[x] + rowX, colY[x] + rowY, out);
}

#endif  // KADREL_X86_64_VECTORS

}  // namespace

namespace {

class Rotation final : public BandPass {
public:
    Rotation(const QImage& srcIn, QSize size, const RotateOptions& o)
        : src_(detail::passSource(srcIn)), size_(checkedSize(size)), o_(o) {
        const int w = src_.picture.width(), h = src_.picture.height();
        const int w2 = size.width();
        cosA_ = std::cos(o.angle);
        sinA_ = std::sin(o.angle);
        // Per column, the parts of sx and sy that depend on x only, formed as the sums are written.
        colX_.resize(static_cast<std::size_t>(w2));
        colY_.resize(static_cast<std::size_t>(w2));
        for (int x = 0; x < w2; ++x) {
            const double dx = x + 0.5 - w2 / 2.0;
            colX_[x] = cosA_ * dx + (w / 2.0 - 0.5);
            colY_[x] = -sinA_ * dx + (h / 2.0 - 0.5);
        }
        const auto [lo, hi] = std::minmax_element(colY_.begin(), colY_.end());
        colYLow_ = *lo;
        colYHigh_ = *hi;
    }

    QSize size() const override { return size_; }

    RowSpan sourceRows(int top, int bottom) const override {
        if (top >= bottom) return {};
        // sy = colY[x] + rowY(y) with rowY linear in y: its extremes lie at the band's ends. A row
        // to either side covers the rounding of the sums and the lower neighbour.
        const double a = rowY(top), b = rowY(bottom - 1);
        const double low = colYLow_ + std::min(a, b), high = colYHigh_ + std::max(a, b);
        const int h = src_.picture.height();
        const auto clamp = [h](double v) {
            return static_cast<int>(std::clamp(v, 0.0, static_cast<double>(h)));
        };
        const RowSpan span{clamp(std::floor(low) - 1), clamp(std::floor(high) + 3)};
        return span.first < span.last ? span : RowSpan{};
    }

    void run(std::uint8_t* first, qsizetype stride, int top, int bottom) const override {
        run(first, stride, top, bottom, {});
    }

    void run(std::uint8_t* first, qsizetype stride, int top, int bottom, const Progress& progress) const {
        const int w = src_.picture.width(), h = src_.picture.height();
        const int w2 = size_.width();
        Pass pass{src_.rows.data(), w, h, o_, kept(1.0, o_.key.fill), {}};
        detail::putColour(pass.gap, o_.gap);
#if KADREL_X86_64_VECTORS
        if (src_.vectorRead) {
            VectorPass vectors{pass, *src_.vectorRead, detail::bgrWord(o_.key.colour), {}};
            for (int k = 0; k < 4; ++k) std::memcpy(vectors.gaps + 3 * k, pass.gap, 3);
            // In tiles: a destination row crosses the source on a slant, a few bytes from each of
            // hundreds of rows and pages, which a narrow strip of rows then reads again while cached.
            constexpr int kTileRows = 64, kTileColumns = 256;
            forEachBand(
                bottom - top, w2,
                [&](int a, int b) {
                    for (int y0 = top + a; y0 < top + b; y0 += kTileRows) {
                        const int y1 = std::min(y0 + kTileRows, top + b);
                        for (int x0 = 0; x0 < w2; x0 += kTileColumns) {
                            const int n = std::min(kTileColumns, w2 - x0);
                            for (int y = y0; y < y1; ++y) {
                                const double dy = y + 0.5 - size_.height() / 2.0;
                                vectorRow(vectors, colX_.data() + x0, colY_.data() + x0, sinA_ * dy,
                                          cosA_ * dy, first + stride * (y - top) + 3 * x0, n);
                            }
                        }
                    }
                },
                progress);
            return;
        }
#endif
        forEachRowIn(
            first, stride, top, bottom, w2,
            [&](int y, std::uint8_t* out) {
                const double dy = y + 0.5 - size_.height() / 2.0;
                const double rowX = sinA_ * dy, rowY = cosA_ * dy;
                plainRow(pass, colX_.data(), colY_.data(), rowX, rowY, out, w2);
            },
            progress);
    }

private:
    double rowY(int y) const {
        return cosA_ * (y + 0.5 - size_.height() / 2.0);
    }

    detail::Source src_;
    QSize size_;
    RotateOptions o_;
    double cosA_ = 1, sinA_ = 0;
    std::vector<double> colX_, colY_;
    double colYLow_ = 0, colYHigh_ = 0;
};

}  // namespace

std::unique_ptr<BandPass> rotateBands(const QImage& src, QSize size, const RotateOptions& o) {
    return std::make_unique<Rotation>(src, size, o);
}

QImage rotate(const QImage& srcIn, QSize size, const RotateOptions& o, const Progress& progress) {
    const Rotation pass(srcIn, size, o);
    QImage dst = detail::blankPicture(size);
    pass.run(dst.bits(), dst.bytesPerLine(), 0, size.height(), progress);
    return dst;
}

}  // namespace zoom
