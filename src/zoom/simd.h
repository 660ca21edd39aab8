#pragma once

// The AVX2 paths of the passes: one pixel's blue, green and red (and a fourth, unused byte) as the
// lanes of one vector, so that each channel goes through exactly the operations of the plain
// path, in the same order. Only for files compiled with -ffp-contract=off; the target adds no FMA.
// Only x86-64 builds have them (base/vector_isa.h); elsewhere this header declares nothing.

#include "base/vector_isa.h"

#if KADREL_X86_64_VECTORS

#include <immintrin.h>

#include <cstdint>
#include <cstring>

#include "base/colour.h"
#include "zoom/vector_paths.h"

#define ZOOM_AVX2 __attribute__((target("avx2")))

namespace zoom::detail {

// A 24-bit pixel as it lies in memory (blue in the low byte), read as four bytes where the
// picture's buffer has a fourth, as three at its very end.
class PixelReader {
public:
    PixelReader(const std::uint8_t* bits, std::int64_t size) : lastWhole_(bits + size - 4) {}
    std::uint32_t operator()(const std::uint8_t* p) const {
        std::uint32_t v;
        if (p <= lastWhole_) {
            std::memcpy(&v, p, 4);
            return v;
        }
        return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16;
    }

private:
    const std::uint8_t* lastWhole_;
};

// The key colour in the layout PixelReader gives, and the test against it.
constexpr std::uint32_t bgrWord(base::Colour c) {
    return std::uint32_t{base::blue(c)} | std::uint32_t{base::green(c)} << 8 |
           std::uint32_t{base::red(c)} << 16;
}
inline bool sameWord(std::uint32_t pixel, std::uint32_t key) {
    return (pixel & 0xFFFFFFu) == key;
}

ZOOM_AVX2 inline __m128i channelInts(std::uint32_t pixel) {
    return _mm_cvtepu8_epi32(_mm_cvtsi32_si128(static_cast<int>(pixel)));
}

ZOOM_AVX2 inline __m256d channelDoubles(std::uint32_t pixel) {
    return _mm256_cvtepi32_pd(channelInts(pixel));
}

// Round half to even and clamp into 0..255: channelByte per lane, as 32-bit integers.
ZOOM_AVX2 inline __m128i roundedInts(__m256d v) {
    v = _mm256_round_pd(v, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
    v = _mm256_min_pd(_mm256_max_pd(v, _mm256_setzero_pd()), _mm256_set1_pd(255));
    return _mm256_cvtpd_epi32(v);
}

// channelByte per lane, storing blue, green and red.
ZOOM_AVX2 inline void storeChannels(std::uint8_t* out, __m256d v) {
    const __m128i i32 = roundedInts(v);
    const __m128i bytes = _mm_packus_epi16(_mm_packus_epi32(i32, i32), _mm_setzero_si128());
    const std::uint32_t word = static_cast<std::uint32_t>(_mm_cvtsi128_si32(bytes));
    std::memcpy(out, &word, 3);
}

// Four pixels from their blue, green and red channels (32-bit lanes already in 0..255), as twelve
// bytes at `out`; nothing past them is touched.
ZOOM_AVX2 inline void storeQuad(std::uint8_t* out, __m128i blue, __m128i green, __m128i red) {
    const __m128i planar = _mm_packus_epi16(_mm_packus_epi32(blue, green), _mm_packus_epi32(red, red));
    const __m128i bgr =
        _mm_shuffle_epi8(planar, _mm_setr_epi8(0, 4, 8, 1, 5, 9, 2, 6, 10, 3, 7, 11, -1, -1, -1, -1));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), bgr);
    const auto last = static_cast<std::uint32_t>(_mm_extract_epi32(bgr, 2));
    std::memcpy(out + 8, &last, 4);
}

// a + fx(b − a) + fy(c − a) + fx·fy(a − b − c + d), per lane, in that order; the integer
// differences are exact, as they are in double.
ZOOM_AVX2 inline __m256d bilinearLanes(std::uint32_t tl, std::uint32_t tr, std::uint32_t bl, std::uint32_t br,
                                       double fx, double fy) {
    const __m128i a = channelInts(tl), b = channelInts(tr), c = channelInts(bl), d = channelInts(br);
    const __m256d ba = _mm256_cvtepi32_pd(_mm_sub_epi32(b, a));
    const __m256d ca = _mm256_cvtepi32_pd(_mm_sub_epi32(c, a));
    const __m256d abcd = _mm256_cvtepi32_pd(_mm_add_epi32(_mm_sub_epi32(_mm_sub_epi32(a, b), c), d));
    __m256d v = _mm256_add_pd(_mm256_cvtepi32_pd(a), _mm256_mul_pd(_mm256_set1_pd(fx), ba));
    v = _mm256_add_pd(v, _mm256_mul_pd(_mm256_set1_pd(fy), ca));
    return _mm256_add_pd(v, _mm256_mul_pd(_mm256_set1_pd(fx * fy), abcd));
}

// One channel of four pixels, one a lane: the same operations as bilinearLanes, in its order.
ZOOM_AVX2 inline __m128i quadChannel(__m128i a, __m128i b, __m128i c, __m128i d, __m256d fx, __m256d fy,
                                     __m256d fxy) {
    const __m256d ba = _mm256_cvtepi32_pd(_mm_sub_epi32(b, a));
    const __m256d ca = _mm256_cvtepi32_pd(_mm_sub_epi32(c, a));
    const __m256d abcd = _mm256_cvtepi32_pd(_mm_add_epi32(_mm_sub_epi32(_mm_sub_epi32(a, b), c), d));
    __m256d v = _mm256_add_pd(_mm256_cvtepi32_pd(a), _mm256_mul_pd(fx, ba));
    v = _mm256_add_pd(v, _mm256_mul_pd(fy, ca));
    v = _mm256_add_pd(v, _mm256_mul_pd(fxy, abcd));
    return roundedInts(v);
}

// Whether any of four pixels' neighbours (PixelReader words, one pixel a lane) is the key.
ZOOM_AVX2 inline bool anyKeyed(__m128i tl, __m128i tr, __m128i bl, __m128i br, std::uint32_t keyWord) {
    const __m128i rgb = _mm_set1_epi32(0xFFFFFF), k = _mm_set1_epi32(static_cast<int>(keyWord));
    const __m128i hits = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi32(_mm_and_si128(tl, rgb), k), _mm_cmpeq_epi32(_mm_and_si128(tr, rgb), k)),
        _mm_or_si128(_mm_cmpeq_epi32(_mm_and_si128(bl, rgb), k), _mm_cmpeq_epi32(_mm_and_si128(br, rgb), k)));
    return _mm_movemask_epi8(hits) != 0;
}

// Four pixels interpolated from all four of their neighbours (PixelReader words, one pixel a
// lane) at fractions fx, fy, stored as twelve bytes at `out`.
ZOOM_AVX2 inline void storeBilinearQuad(std::uint8_t* out, __m128i tl, __m128i tr, __m128i bl, __m128i br,
                                        __m256d fx, __m256d fy) {
    const __m256d fxy = _mm256_mul_pd(fx, fy);
    const __m128i pickBlue = _mm_setr_epi8(0, -1, -1, -1, 4, -1, -1, -1, 8, -1, -1, -1, 12, -1, -1, -1);
    const __m128i pickGreen = _mm_setr_epi8(1, -1, -1, -1, 5, -1, -1, -1, 9, -1, -1, -1, 13, -1, -1, -1);
    const __m128i pickRed = _mm_setr_epi8(2, -1, -1, -1, 6, -1, -1, -1, 10, -1, -1, -1, 14, -1, -1, -1);
    const __m128i blue =
        quadChannel(_mm_shuffle_epi8(tl, pickBlue), _mm_shuffle_epi8(tr, pickBlue),
                    _mm_shuffle_epi8(bl, pickBlue), _mm_shuffle_epi8(br, pickBlue), fx, fy, fxy);
    const __m128i green =
        quadChannel(_mm_shuffle_epi8(tl, pickGreen), _mm_shuffle_epi8(tr, pickGreen),
                    _mm_shuffle_epi8(bl, pickGreen), _mm_shuffle_epi8(br, pickGreen), fx, fy, fxy);
    const __m128i red =
        quadChannel(_mm_shuffle_epi8(tl, pickRed), _mm_shuffle_epi8(tr, pickRed),
                    _mm_shuffle_epi8(bl, pickRed), _mm_shuffle_epi8(br, pickRed), fx, fy, fxy);
    storeQuad(out, blue, green, red);
}

}  // namespace zoom::detail

#endif  // KADREL_X86_64_VECTORS
