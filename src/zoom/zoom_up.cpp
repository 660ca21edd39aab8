#include "zoom/zoom_up.h"

#include <cmath>
#include <cstdint>
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

// All four neighbours take part: the full bilinear value, as zoomcalc's first row.
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

ZOOM_AVX2 void vectorRow(const Row& r, const KeyOptions& key, bool wholeKept,
                         const detail::PixelReader& read) {
    const std::uint32_t keyWord = detail::bgrWord(key.colour);
    const bool keyOn = key.on;
    std::uint8_t* out = r.out;
    const double fy = r.fy;
    const int* near = r.near;
    const int* far = r.far;
    const double* frac = r.frac;
    const std::uint8_t* up = r.up;
    const std::uint8_t* low = r.low;
    for (int x = 0, n = r.width; x < n; ++x, out += 3) {
        const double fx = frac[x];
        const std::uint8_t* tl = up + 3 * near[x];
        const std::uint8_t* tr = up + 3 * far[x];
        const std::uint8_t* bl = low + 3 * near[x];
        const std::uint8_t* br = low + 3 * far[x];
        const std::uint32_t a = read(tl), b = read(tr), c = read(bl), d = read(br);
        unsigned flags = kAllNeighbours;
        if (keyOn) {
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
}

}  // namespace

QImage zoomup(const QImage& srcIn, QSize size, const KeyOptions& key, const Progress& progress) {
    const QImage src = bgrSource(srcIn);
    const int w = src.width(), h = src.height();
    const int w2 = size.width(), h2 = size.height();

    // A pixel whose four neighbours all take part is covered whole (P = 100, whatever the last
    // bits of the sum), so only the fill decides for it; with transparency off that is every pixel.
    const bool wholeKept = kept(1.0, key.fill);
    if (!key.on && !wholeKept) {
        QImage dst = base::makeBgr(w2, h2, key.colour);
        for (int y = 0; y < h2; ++y)
            if (progress) progress(percentDone(y, h2));
        return dst;
    }

    QImage dst = detail::blankPicture(size);
    const Taps cols = tapsAlong(w, w2);
    const Taps rows = tapsAlong(h, h2);
    std::vector<const std::uint8_t*> srcRows(h);
    for (int y = 0; y < h; ++y) srcRows[y] = src.constScanLine(y);

    const bool vector = detail::vectorPaths();
    const detail::PixelReader read(src.constBits(), src.sizeInBytes());
    for (int y = 0; y < h2; ++y) {
        const Row row{cols.near.data(),     cols.far.data(), cols.frac.data(), srcRows[rows.near[y]],
                      srcRows[rows.far[y]], rows.frac[y],    dst.scanLine(y),  w2};
        if (vector)
            vectorRow(row, key, wholeKept, read);
        else
            plainRow(row, key, wholeKept);
        if (progress) progress(percentDone(y, h2));
    }
    return dst;
}

}  // namespace zoom
