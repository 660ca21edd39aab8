#include "bmpfilters/reduce_to_static_palette.h"

#include "base/vector_isa.h"

#if KADREL_X86_64_VECTORS
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/error.h"
#include "base/image.h"
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

#if KADREL_X86_64_VECTORS

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
// carried in registers and get their shares one at a time, each clamped, in the order that
// makes the result that of the step-by-step diffusion (the clamps make the order matter): a pixel
// below gets its 1/16 first, then its 5/16, then its 3/16.
//   cur:  this row (incoming error included), one margin pixel either side
//   next: the row below, holding its source values from x + 1 on and its final values before x - 1
// Four-byte loads and stores reach one byte past the pixel: a store only ever lands on pixel x,
// which gets its final value a step later, and a load past the last pixel falls in the margin or
// the buffer's padding.
void reduceRow(const ReduceTables& t, const std::int8_t* cur, std::int8_t* next, std::uint8_t* out, int w) {
    // Carried values as table positions: the value plus kReach.
    int b = cur[0] + kOffset + kReach, g = cur[1] + kOffset + kReach, r = cur[2] + kOffset + kReach;
    __m128i left = _mm_setzero_si128();  // the margin pixel left of the row below
    __m128i here = load4(next);
    for (int x = 0; x < w; ++x) {
        const __m128i s = _mm_add_epi8(_mm_add_epi8(entry(t.blue, b), entry(t.green, g)), entry(t.red, r));
        out[x] = static_cast<std::uint8_t>(_mm_extract_epi16(s, 6));
        const std::int8_t* ahead = cur + 3 * (x + 1);
        b = ahead[0] + (kOffset + kReach) + t.blue.right[static_cast<std::size_t>(b)];
        g = ahead[1] + (kOffset + kReach) + t.green.right[static_cast<std::size_t>(g)];
        r = ahead[2] + (kOffset + kReach) + t.red.right[static_cast<std::size_t>(r)];
        const __m128i source = load4(next + 3 * (x + 1));
        store4(next + 3 * (x - 1), _mm_adds_epi8(left, s));
        left = _mm_adds_epi8(here, _mm_srli_si128(s, 4));
        here = _mm_adds_epi8(source, _mm_srli_si128(s, 8));
    }
    // The last pixel of the row below has had all its shares; what went right of it is lost.
    store4(next + 3 * (w - 1), left);
}

// A source row into a buffer, each byte as v - 128.
void loadRow(std::int8_t* dst, const std::uint8_t* src, std::size_t n) {
    const __m128i flip = _mm_set1_epi8(static_cast<char>(0x80));
    std::size_t i = 0;
    for (; i + 16 <= n; i += 16)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i),
                         _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i)), flip));
    for (; i < n; ++i) dst[i] = static_cast<std::int8_t>(src[i] ^ 0x80);
}

#else

inline std::int8_t saturated(int v) {
    return static_cast<std::int8_t>(std::clamp(v, -128, 127));
}

// One row, as the vector path does it with one saturating add for all three channels: per
// channel the pixel to the right and the two pending pixels of the row below are carried and get
// their shares in the same order, each clamped.
void reduceRow(const ReduceTables& t, const std::int8_t* cur, std::int8_t* next, std::uint8_t* out, int w) {
    const ChannelTable* const tables[3] = {&t.blue, &t.green, &t.red};
    int carried[3];
    std::int8_t left[3], here[3];
    for (int c = 0; c < 3; ++c) {
        carried[c] = cur[c] + kOffset + kReach;
        left[c] = 0;
        here[c] = next[c];
    }
    for (int x = 0; x < w; ++x) {
        const Shares* shares[3];
        std::uint8_t index = 0;
        for (int c = 0; c < 3; ++c) {
            shares[c] = &tables[c]->shares[static_cast<std::size_t>(carried[c])];
            index = static_cast<std::uint8_t>(index + static_cast<std::uint8_t>(shares[c]->bytes[12]));
        }
        out[x] = index;
        const std::int8_t* ahead = cur + 3 * (x + 1);
        for (int c = 0; c < 3; ++c) {
            carried[c] =
                ahead[c] + (kOffset + kReach) + tables[c]->right[static_cast<std::size_t>(carried[c])];
            const std::int8_t source = next[3 * (x + 1) + c];
            next[3 * (x - 1) + c] = saturated(left[c] + shares[c]->bytes[c]);
            left[c] = saturated(here[c] + shares[c]->bytes[4 + c]);
            here[c] = saturated(source + shares[c]->bytes[8 + c]);
        }
    }
    for (int c = 0; c < 3; ++c) next[3 * (w - 1) + c] = left[c];
}

void loadRow(std::int8_t* dst, const std::uint8_t* src, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) dst[i] = static_cast<std::int8_t>(src[i] ^ 0x80);
}

#endif  // KADREL_X86_64_VECTORS

}  // namespace

QImage ReduceToStaticPalette(const QImage& source) {
    if (source.format() != QImage::Format_BGR888) throw base::Error(only24BitMessage());
    const int w = source.width(), h = source.height();
    QImage result = base::makeIndexed(w, h);
    result.setColorTable(staticPalette());
    const ReduceTables& tables = reduceTables();

    // Two row buffers with one margin pixel each side, and four bytes of padding for the last
    // four-byte load. The row below is copied in from the source and dithered in place: a pixel is
    // written only after the read one pixel ahead of it.
    const std::size_t rowBytes = static_cast<std::size_t>(3) * w;
    const std::size_t stride = rowBytes + 6;
    std::vector<std::int8_t> storage(2 * stride + 4, 0);
    std::int8_t* cur = storage.data() + 3;
    std::int8_t* next = storage.data() + stride + 3;
    loadRow(cur, source.constScanLine(0), rowBytes);
    for (int y = 0; y < h; ++y) {
        if (y + 1 < h)
            loadRow(next, source.constScanLine(y + 1), rowBytes);
        else
            std::memset(next, 0, rowBytes);  // error below the last row is lost
        reduceRow(tables, cur, next, result.scanLine(y), w);
        std::swap(cur, next);
    }
    return result;
}

}  // namespace bmpfilters
