#include "bmpfilters/reduce_to_static_palette.h"

#include <emmintrin.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "base/error.h"
#include "base/image.h"
#include "base/parallel.h"
#include "bmpfilters/filter_bitmap.h"
#include "bmpfilters/static_palette.h"

namespace bmpfilters {

namespace {

// The row buffers hold each channel value v as the signed byte v - 128. A share then goes onto a
// pixel of the row below with one saturating signed add for all three channels, and saturating at
// -128 and 127 is exactly clamping v + share to 0..255.
constexpr int kOffset = 128;

// The carried value (the pixel to the right plus its share) indexes the tables before it is
// clamped: entries beyond 0..255 repeat those of 0 and 255, which takes the clamp off the chain
// from one pixel to the next. Shares to the right stay within kReach (|7 × 26 / 16| = 11).
constexpr int kReach = 32;
constexpr int kEntries = 256 + 2 * kReach;

// Pixels a row dithers between telling the row below how far it has gone.
constexpr int kRun = 256;

// What a channel value decides for the row below, laid out for the whole pixel: bytes 0-2 the
// share below left, 4-6 below, 8-10 below right, each in the channel's own lane (blue 0, green 1,
// red 2) and zero in the others, so that the sum of the three channels' entries holds the pixel's
// shares; byte 12 the channel's part of the palette index. Shares are negated and truncated,
// ready to add.
struct alignas(16) Shares {
    std::int8_t bytes[16];
};

struct ChannelTable {
    std::array<Shares, kEntries> shares;
    std::array<std::int8_t, kEntries> right;  // the share to the right
};

struct ReduceTables {
    ChannelTable blue, green, red;
};

void buildChannel(ChannelTable& t, int lane, const std::array<std::uint8_t, 256>& levels,
                  const std::uint8_t* values, int indexWeight) {
    for (int e = 0; e < kEntries; ++e) {
        const int c = std::clamp(e - kReach, 0, 255);
        const int level = levels[static_cast<std::size_t>(c)];
        const int d = values[level] - c;
        Shares& s = t.shares[static_cast<std::size_t>(e)];
        std::memset(s.bytes, 0, sizeof s.bytes);
        s.bytes[lane] = static_cast<std::int8_t>(-(3 * d / 16));
        s.bytes[4 + lane] = static_cast<std::int8_t>(-(5 * d / 16));
        s.bytes[8 + lane] = static_cast<std::int8_t>(-(d / 16));
        // The three parts add up to at most 251, which the byte holds as it wraps.
        s.bytes[12] = static_cast<std::int8_t>(static_cast<std::uint8_t>(level * indexWeight));
        t.right[static_cast<std::size_t>(e)] = static_cast<std::int8_t>(-(7 * d / 16));
    }
}

const ReduceTables& reduceTables() {
    static const ReduceTables* tables = [] {
        auto* t = new ReduceTables;  // kept for the program's life, like the palette
        const LevelTables& l = levelTables();
        buildChannel(t->blue, 0, l.blue, kBlueValues.data(), 1);
        buildChannel(t->green, 1, l.green, kGreenValues.data(), 6);
        buildChannel(t->red, 2, l.red, kRedValues.data(), 42);
        return t;
    }();
    return *tables;
}

inline __m128i load4(const std::int8_t* p) {
    std::int32_t v;
    std::memcpy(&v, p, 4);
    return _mm_cvtsi32_si128(v);
}

inline void store4(std::int8_t* p, __m128i v) {
    const std::int32_t word = _mm_cvtsi128_si32(v);
    std::memcpy(p, &word, 4);
}

inline __m128i entry(const ChannelTable& t, int carried) {
    return _mm_load_si128(
        reinterpret_cast<const __m128i*>(t.shares[static_cast<std::size_t>(carried)].bytes));
}

// One row. Per channel the pixel to the right and the two pending pixels of the row below are
// carried in registers and get their shares in the window's order, each clamped: a pixel below
// gets its 1/16 first, then its 5/16, then its 3/16.
//   cur:  this row (incoming error included), one margin pixel either side
//   next: the row below, holding its source values from x + 1 on and its final values before x - 1
// Four-byte loads and stores reach one byte past the pixel: a store only ever lands on pixel x,
// which gets its final value a step later, and a load past the last pixel falls in the margin or
// the buffer's padding. The row goes in runs of pixels, so that the row below can follow it.
class RowReducer {
public:
    RowReducer(const ReduceTables& t, const std::int8_t* cur, std::int8_t* next, std::uint8_t* out)
        : t_(t),
          cur_(cur),
          next_(next),
          out_(out),
          b_(cur[0] + kOffset + kReach),
          g_(cur[1] + kOffset + kReach),
          r_(cur[2] + kOffset + kReach),
          here_(load4(next)) {}

    // Pixels [from, to), following the pixels before from.
    void run(int from, int to) {
        const ReduceTables& t = t_;
        const std::int8_t* cur = cur_;
        std::int8_t* next = next_;
        int b = b_, g = g_, r = r_;
        __m128i left = left_, here = here_;
        for (int x = from; x < to; ++x) {
            const __m128i s =
                _mm_add_epi8(_mm_add_epi8(entry(t.blue, b), entry(t.green, g)), entry(t.red, r));
            out_[x] = static_cast<std::uint8_t>(_mm_extract_epi16(s, 6));
            const std::int8_t* ahead = cur + 3 * (x + 1);
            b = ahead[0] + (kOffset + kReach) + t.blue.right[static_cast<std::size_t>(b)];
            g = ahead[1] + (kOffset + kReach) + t.green.right[static_cast<std::size_t>(g)];
            r = ahead[2] + (kOffset + kReach) + t.red.right[static_cast<std::size_t>(r)];
            const __m128i source = load4(next + 3 * (x + 1));
            store4(next + 3 * (x - 1), _mm_adds_epi8(left, s));
            left = _mm_adds_epi8(here, _mm_srli_si128(s, 4));
            here = _mm_adds_epi8(source, _mm_srli_si128(s, 8));
        }
        b_ = b, g_ = g, r_ = r;
        left_ = left, here_ = here;
    }

    // After the last pixel: the last pixel of the row below has had all its shares; what went
    // right of it is lost.
    void finish(int w) { store4(next_ + 3 * (w - 1), left_); }

private:
    const ReduceTables& t_;
    const std::int8_t* cur_;
    std::int8_t* next_;
    std::uint8_t* out_;
    int b_, g_, r_;                       // carried values as table positions: the value plus kReach
    __m128i left_ = _mm_setzero_si128();  // the margin pixel left of the row below
    __m128i here_;
};

// A source row into a buffer, each byte as v - 128.
void loadRow(std::int8_t* dst, const std::uint8_t* src, std::size_t n) {
    const __m128i flip = _mm_set1_epi8(static_cast<char>(0x80));
    std::size_t i = 0;
    for (; i + 16 <= n; i += 16)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i),
                         _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i)), flip));
    for (; i < n; ++i) dst[i] = static_cast<std::int8_t>(src[i] ^ 0x80);
}

}  // namespace

QImage ReduceToStaticPalette(const QImage& source) {
    if (source.format() != QImage::Format_BGR888) throw base::Error(only24BitMessage());
    const int w = source.width(), h = source.height();
    base::checkSize(w, h);
    QImage result(w, h, QImage::Format_Indexed8);
    if (result.isNull()) throw base::Error(QStringLiteral("メモリが足りません (%1 × %2)").arg(w).arg(h));
    result.setColorTable(staticPalette());
    const ReduceTables& tables = reduceTables();

    // Row buffers with one margin pixel each side and four bytes of padding for the last
    // four-byte load. A row's buffer is copied in from the source and dithered in place by the row
    // above: a pixel is written only after the read one pixel ahead of it.
    const std::size_t rowBytes = static_cast<std::size_t>(3) * w;
    const std::size_t stride = (rowBytes + 6 + 4 + 15) / 16 * 16;

    // Rows are taken in order by whichever thread is free, each following the row above as a
    // wavefront: pixel x of a row is final once the row above has gone past pixel x + 1. A row
    // publishes how far it has gone after each run of pixels. A row finishes only after the one
    // above, so the rows in flight are consecutive and at most one a thread: in a ring of buffers
    // two longer than the threads, the row that last had a buffer is done before it is handed on.
    // A row narrower than two runs could only wait for the whole row above.
    const int workers = h > 1 ? std::min(base::workersFor(w >= 2 * kRun ? std::int64_t{w} * h : 0), h) : 1;
    const int ring = workers + 2;
    std::vector<std::int8_t> storage(stride * static_cast<std::size_t>(ring), 0);
    const auto buffer = [&](int row) {
        return storage.data() + stride * static_cast<std::size_t>(row % ring) + 3;
    };
    std::unique_ptr<std::atomic<int>[]> reached(new std::atomic<int>[static_cast<std::size_t>(h)]);
    for (int y = 0; y < h; ++y) reached[static_cast<std::size_t>(y)].store(0, std::memory_order_relaxed);
    std::uint8_t* const firstOut = result.bits();
    const qsizetype outStride = result.bytesPerLine();
    std::atomic<int> nextRow{0};

    const auto waitFor = [&](int row, int pixels) {
        std::atomic<int>& done = reached[static_cast<std::size_t>(row)];
        for (int seen = done.load(std::memory_order_acquire); seen < pixels;
             seen = done.load(std::memory_order_acquire))
            done.wait(seen, std::memory_order_acquire);
    };
    // Pixels before `to` read the row above up to pixel to, final after its step to + 1.
    const auto waitForAbove = [&](int y, int to) {
        if (y > 0) waitFor(y - 1, std::min(w, to + 2));
    };
    const auto reduceRows = [&](int) {
        for (int y = nextRow.fetch_add(1, std::memory_order_relaxed); y < h;
             y = nextRow.fetch_add(1, std::memory_order_relaxed)) {
            std::int8_t* cur = buffer(y);
            std::int8_t* next = buffer(y + 1);
            // The buffer's last row has gone by then; waiting makes that visible to this thread.
            if (y + 1 >= ring) waitFor(y + 1 - ring, w);
            if (y + 1 < h)
                loadRow(next, source.constScanLine(y + 1), rowBytes);
            else
                std::memset(next, 0, rowBytes);  // error below the last row is lost
            waitForAbove(y, std::min(w, kRun));
            RowReducer row(tables, cur, next, firstOut + outStride * y);
            std::atomic<int>& mine = reached[static_cast<std::size_t>(y)];
            for (int from = 0; from < w; from += kRun) {
                const int to = std::min(w, from + kRun);
                waitForAbove(y, to);
                row.run(from, to);
                if (to == w) row.finish(w);
                mine.store(to, std::memory_order_release);
                if (workers > 1) mine.notify_all();
            }
        }
    };
    loadRow(buffer(0), source.constScanLine(0), rowBytes);
    base::parallelFor(workers, reduceRows);
    return result;
}

}  // namespace bmpfilters
