#include "zoom/zoom_up.h"

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/image.h"
#include "zoom/pixel_math.h"
#include "zoom/simd.h"
#include "zoom/zoom_calc.h"

namespace zoom {

namespace {

struct Taps {
    std::vector<int> near;  // left column or upper row
    std::vector<int> far;   // right column or lower row
    std::vector<double> frac;
};

// Sample positions along one side: (i + 0.5) × scale − 0.5, clamped neighbours at the border.
Taps tapsAlong(int from, int to) {
    const double scale = static_cast<double>(from) / to;
    Taps t;
    t.near.resize(to);
    t.far.resize(to);
    t.frac.resize(to);
    for (int i = 0; i < to; ++i) {
        const double s = (i + 0.5) * scale - 0.5;
        const double f = std::floor(s);
        const int i0 = static_cast<int>(f);
        t.frac[i] = s - f;
        t.near[i] = i0 < 0 ? 0 : i0;
        t.far[i] = i0 + 1 > from - 1 ? from - 1 : i0 + 1;
    }
    return t;
}

// All four neighbours take part: the full bilinear value, as zoomcalc gives it for kAllNeighbours.
inline double bilinear(int a, int b, int c, int d, double fx, double fy) {
    return a + fx * (b - a) + fy * (c - a) + fx * fy * (a - b - c + d);
}

// One destination row. Locals rather than members: every byte stored could alias them.
struct Row {
    const int* near;
    const int* far;
    const double* frac;
    const std::uint8_t* up;
    const std::uint8_t* low;
    double fy;
    std::uint8_t* out;
    int width;
};

void plainRow(const Row& r, const KeyOptions& key, bool wholeKept) {
    std::uint8_t* out = r.out;
    const double fy = r.fy;
    for (int x = 0; x < r.width; ++x, out += 3) {
        const double fx = r.frac[x];
        const std::uint8_t* tl = r.up + 3 * r.near[x];
        const std::uint8_t* tr = r.up + 3 * r.far[x];
        const std::uint8_t* bl = r.low + 3 * r.near[x];
        const std::uint8_t* br = r.low + 3 * r.far[x];
        unsigned flags = kAllNeighbours;
        if (key.on) {
            if (detail::sameColour(tl, key.colour)) flags &= ~kTopLeft;
            if (detail::sameColour(tr, key.colour)) flags &= ~kTopRight;
            if (detail::sameColour(bl, key.colour)) flags &= ~kBottomLeft;
            if (detail::sameColour(br, key.colour)) flags &= ~kBottomRight;
        }
        if (flags == kAllNeighbours ? !wholeKept : !kept(coverageOf(flags, fx, fy), key.fill)) {
            detail::putColour(out, key.colour);
        } else if (flags == kAllNeighbours) {
            for (int ch = 0; ch < 3; ++ch)
                out[ch] = detail::channelByte(bilinear(tl[ch], tr[ch], bl[ch], br[ch], fx, fy));
        } else {
            for (int ch = 0; ch < 3; ++ch) out[ch] = zoomcalc(tl[ch], tr[ch], bl[ch], br[ch], fx, fy, flags);
        }
    }
}

#if KADREL_X86_64_VECTORS

ZOOM_AVX2 inline void vectorPixel(const Row& r, int x, const KeyOptions& key, std::uint32_t keyWord,
                                  bool wholeKept, const detail::PixelReader& read) {
    std::uint8_t* out = r.out + 3 * x;
    const double fx = r.frac[x], fy = r.fy;
    const std::uint8_t* tl = r.up + 3 * r.near[x];
    const std::uint8_t* tr = r.up + 3 * r.far[x];
    const std::uint8_t* bl = r.low + 3 * r.near[x];
    const std::uint8_t* br = r.low + 3 * r.far[x];
    const std::uint32_t a = read(tl), b = read(tr), c = read(bl), d = read(br);
    unsigned flags = kAllNeighbours;
    if (key.on) {
        if (detail::sameWord(a, keyWord)) flags &= ~kTopLeft;
        if (detail::sameWord(b, keyWord)) flags &= ~kTopRight;
        if (detail::sameWord(c, keyWord)) flags &= ~kBottomLeft;
        if (detail::sameWord(d, keyWord)) flags &= ~kBottomRight;
    }
    if (flags == kAllNeighbours && wholeKept) {
        detail::storeChannels(out, detail::bilinearLanes(a, b, c, d, fx, fy));
    } else if (flags == kAllNeighbours || !kept(coverageOf(flags, fx, fy), key.fill)) {
        detail::putColour(out, key.colour);
    } else {
        for (int ch = 0; ch < 3; ++ch) out[ch] = zoomcalc(tl[ch], tr[ch], bl[ch], br[ch], fx, fy, flags);
    }
}

// Pixels x .. x + 3 at once, one pixel a lane and one vector a channel, when none of their
// neighbours is the key: then all four take part, the pixel is covered whole and only the fill
// decides. Returns false, having written nothing, when a neighbour is the key.
ZOOM_AVX2 inline bool vectorQuad(const Row& r, int x, bool keyOn, std::uint32_t keyWord, bool wholeKept,
                                 base::Colour keyColour, const detail::PixelReader& read) {
    const int* near = r.near + x;
    const int* far = r.far + x;
    const auto gather = [&](const std::uint8_t* row, const int* cols) {
        return _mm_setr_epi32(
            static_cast<int>(read(row + 3 * cols[0])), static_cast<int>(read(row + 3 * cols[1])),
            static_cast<int>(read(row + 3 * cols[2])), static_cast<int>(read(row + 3 * cols[3])));
    };
    const __m128i tl = gather(r.up, near), tr = gather(r.up, far);
    const __m128i bl = gather(r.low, near), br = gather(r.low, far);
    if (keyOn && detail::anyKeyed(tl, tr, bl, br, keyWord)) return false;
    std::uint8_t* out = r.out + 3 * x;
    if (!wholeKept) {
        for (int k = 0; k < 4; ++k) detail::putColour(out + 3 * k, keyColour);
        return true;
    }
    detail::storeBilinearQuad(out, tl, tr, bl, br, _mm256_loadu_pd(r.frac + x), _mm256_set1_pd(r.fy));
    return true;
}

ZOOM_AVX2 void vectorRow(const Row& r, const KeyOptions& key, bool wholeKept,
                         const detail::PixelReader& read) {
    const std::uint32_t keyWord = detail::bgrWord(key.colour);
    int x = 0;
    for (; x + 4 <= r.width; x += 4)
        if (!vectorQuad(r, x, key.on, keyWord, wholeKept, key.colour, read))
            for (int k = 0; k < 4; ++k) vectorPixel(r, x + k, key, keyWord, wholeKept, read);
    for (; x < r.width; ++x) vectorPixel(r, x, key, keyWord, wholeKept, read);
}

#endif  // KADREL_X86_64_VECTORS

}  // namespace

namespace {

class ZoomUp final : public BandPass {
public:
    ZoomUp(const QImage& srcIn, QSize size, const KeyOptions& key)
        : src_(detail::passSource(srcIn)),
          size_(checkedSize(size)),
          key_(key),
          // A pixel whose four neighbours all take part is covered whole (P = 100, whatever the
          // last bits of the sum), so only the fill decides for it; with transparency off that is
          // every pixel.
          wholeKept_(kept(1.0, key.fill)),
          solid_(!key.on && !wholeKept_) {
        if (solid_) return;
        cols_ = tapsAlong(src_.picture.width(), size.width());
        rows_ = tapsAlong(src_.picture.height(), size.height());
    }

    QSize size() const override { return size_; }

    RowSpan sourceRows(int top, int bottom) const override {
        if (top >= bottom || solid_) return {};
        return {rows_.near[top], rows_.far[bottom - 1] + 1};
    }

    void run(std::uint8_t* first, qsizetype stride, int top, int bottom) const override {
        run(first, stride, top, bottom, {});
    }

    void run(std::uint8_t* first, qsizetype stride, int top, int bottom, const Progress& progress) const {
        const int w2 = size_.width();
        if (solid_) {
            for (int y = top; y < bottom; ++y) {
                std::uint8_t* out = first + stride * (y - top);
                for (int x = 0; x < w2; ++x) detail::putColour(out + 3 * x, key_.colour);
                if (progress) progress(percentDone(y, size_.height()));
            }
            return;
        }
        forEachRowIn(
            first, stride, top, bottom, w2,
            [&](int y, std::uint8_t* out) {
                const Row row{cols_.near.data(),
                              cols_.far.data(),
                              cols_.frac.data(),
                              src_.rows[rows_.near[y]],
                              src_.rows[rows_.far[y]],
                              rows_.frac[y],
                              out,
                              w2};
#if KADREL_X86_64_VECTORS
                if (src_.vectorRead) {
                    vectorRow(row, key_, wholeKept_, *src_.vectorRead);
                    return;
                }
#endif
                plainRow(row, key_, wholeKept_);
            },
            progress);
    }

private:
    detail::Source src_;
    QSize size_;
    KeyOptions key_;
    bool wholeKept_;
    bool solid_;  // nothing is kept: every pixel takes the key colour
    Taps cols_, rows_;
};

}  // namespace

std::unique_ptr<BandPass> zoomupBands(const QImage& src, QSize size, const KeyOptions& key) {
    return std::make_unique<ZoomUp>(src, size, key);
}

QImage zoomup(const QImage& srcIn, QSize size, const KeyOptions& key, const Progress& progress) {
    const ZoomUp pass(srcIn, size, key);
    QImage dst = detail::blankPicture(size);
    pass.run(dst.bits(), dst.bytesPerLine(), 0, size.height(), progress);
    return dst;
}

}  // namespace zoom
