#include <emmintrin.h>

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include <png.h>
#include <zlib.h>

#include "base/error.h"
#include "codecs/messages.h"
#include "codecs/palette.h"
#include "codecs/png.h"
#include "codecs/sink.h"

namespace codecs::detail {
namespace {

struct PngWriter {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ByteSink out;
    char message[256] = {};

    PngWriter() = default;
    PngWriter(const PngWriter&) = delete;
    PngWriter& operator=(const PngWriter&) = delete;
    ~PngWriter() {
        if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
    }
};

void onError(png_structp png, png_const_charp text) {
    auto* writer = static_cast<PngWriter*>(png_get_error_ptr(png));
    std::strncpy(writer->message, text ? text : "", sizeof writer->message - 1);
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

void onWrite(png_structp png, png_bytep bytes, std::size_t n) {
    auto* writer = static_cast<PngWriter*>(png_get_io_ptr(png));
    if (!writer->out.append(bytes, n)) png_error(png, "out of memory");
}

void onFlush(png_structp) {}

// libpng's choice of filter for a 24-bit row: the smallest sum over the filtered bytes of
// min(v, 256 - v), trying none, sub, up, average and Paeth in that order and keeping the first
// of equal sums. libpng works this out by filtering the row five times, byte by byte, which is a
// tenth of the whole write; here it takes sixteen bytes a step, and libpng is then told the one
// filter it would have chosen. The sums do not depend on the order of the channels, so the
// blue-green-red rows give libpng's sums for its red-green-blue ones.
//   cur, prev: the row and the one above (zeros above the first), each with three zero bytes
//   before it, and n bytes long
class FilterSums {
public:
    void add(__m128i filtered) {
        // min(v, 256 - v) per byte, summed in two 64-bit lanes.
        const __m128i folded = _mm_min_epu8(filtered, _mm_sub_epi8(_mm_setzero_si128(), filtered));
        sum_ = _mm_add_epi64(sum_, _mm_sad_epu8(folded, _mm_setzero_si128()));
    }
    void addByte(std::uint8_t v) { tail_ += v < 128 ? v : 256 - v; }
    std::uint64_t total() const {
        return static_cast<std::uint64_t>(_mm_cvtsi128_si64(sum_)) +
               static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sum_, sum_))) + tail_;
    }

private:
    __m128i sum_ = _mm_setzero_si128();
    std::uint64_t tail_ = 0;
};

inline __m128i loadBytes(const std::uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// floor((a + b) / 2) per byte: the rounded-up average less the carry it rounded up by.
inline __m128i floorAverage(__m128i a, __m128i b) {
    return _mm_sub_epi8(_mm_avg_epu8(a, b), _mm_and_si128(_mm_xor_si128(a, b), _mm_set1_epi8(1)));
}

inline __m128i absWords(__m128i v) {
    return _mm_max_epi16(v, _mm_sub_epi16(_mm_setzero_si128(), v));
}

// Paeth's predictor for eight bytes widened to words: a left, b up, c up-left.
inline __m128i paethWords(__m128i a, __m128i b, __m128i c) {
    const __m128i p = _mm_sub_epi16(b, c), q = _mm_sub_epi16(a, c);
    const __m128i pa = absWords(p), pb = absWords(q), pc = absWords(_mm_add_epi16(p, q));
    // a where pa <= pb and pa <= pc, else b where pb <= pc, else c
    const __m128i takeA =
        _mm_andnot_si128(_mm_or_si128(_mm_cmpgt_epi16(pa, pb), _mm_cmpgt_epi16(pa, pc)), _mm_set1_epi16(-1));
    const __m128i takeB = _mm_andnot_si128(_mm_cmpgt_epi16(pb, pc), _mm_set1_epi16(-1));
    const __m128i bc = _mm_or_si128(_mm_and_si128(takeB, b), _mm_andnot_si128(takeB, c));
    return _mm_or_si128(_mm_and_si128(takeA, a), _mm_andnot_si128(takeA, bc));
}

inline std::uint8_t paethByte(int a, int b, int c) {
    const int p = b - c, q = a - c;
    const int pa = p < 0 ? -p : p, pb = q < 0 ? -q : q, pc = p + q < 0 ? -(p + q) : p + q;
    return static_cast<std::uint8_t>(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

int chooseFilter(const std::uint8_t* cur, const std::uint8_t* prev, std::size_t n) {
    FilterSums none, sub, up, avg, paeth;
    const __m128i zero = _mm_setzero_si128();
    std::size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m128i x = loadBytes(cur + i), a = loadBytes(cur + i - 3);
        const __m128i b = loadBytes(prev + i), c = loadBytes(prev + i - 3);
        none.add(x);
        sub.add(_mm_sub_epi8(x, a));
        up.add(_mm_sub_epi8(x, b));
        avg.add(_mm_sub_epi8(x, floorAverage(a, b)));
        const __m128i lo =
            paethWords(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero), _mm_unpacklo_epi8(c, zero));
        const __m128i hi =
            paethWords(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero), _mm_unpackhi_epi8(c, zero));
        paeth.add(_mm_sub_epi8(x, _mm_packus_epi16(lo, hi)));
    }
    for (; i < n; ++i) {
        const int x = cur[i], a = cur[i - 3], b = prev[i], c = prev[i - 3];
        none.addByte(static_cast<std::uint8_t>(x));
        sub.addByte(static_cast<std::uint8_t>(x - a));
        up.addByte(static_cast<std::uint8_t>(x - b));
        avg.addByte(static_cast<std::uint8_t>(x - (a + b) / 2));
        paeth.addByte(static_cast<std::uint8_t>(x - paethByte(a, b, c)));
    }
    const std::pair<std::uint64_t, int> tries[] = {{sub.total(), PNG_FILTER_SUB},
                                                   {up.total(), PNG_FILTER_UP},
                                                   {avg.total(), PNG_FILTER_AVG},
                                                   {paeth.total(), PNG_FILTER_PAETH}};
    std::uint64_t best = none.total();
    int filter = PNG_FILTER_NONE;
    for (const auto& [sum, f] : tries)
        if (sum < best) best = sum, filter = f;
    return filter;
}

struct PngSource {
    const std::uint8_t* first;
    qsizetype stride;
    png_uint_32 width;
    png_uint_32 height;
    const png_color* palette;  // null for 24-bit
    int paletteSize;
    // For chooseFilter: two rows of 3 * width bytes, three zero bytes before each; null when
    // libpng chooses (palette pictures are not filtered; one pixel wide or high ones take few).
    std::uint8_t* cur;
    std::uint8_t* prev;
};

// No C++ object with a destructor lives in this frame: libpng's errors longjmp here.
bool compress(PngWriter& writer, const PngSource& source) {
    if (setjmp(png_jmpbuf(writer.png))) return false;
    png_structp png = writer.png;
    png_set_write_fn(png, &writer, onWrite, onFlush);
    png_set_IHDR(png, writer.info, source.width, source.height, 8,
                 source.palette ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (source.palette) png_set_PLTE(png, writer.info, source.palette, source.paletteSize);
    png_set_sRGB(png, writer.info, PNG_sRGB_INTENT_PERCEPTUAL);
    // libpng picks the deflate strategy when the first row goes out, from the filters it then
    // has; with one filter set a row, it must keep the one it picks for all of them.
    if (source.cur) png_set_compression_strategy(png, Z_FILTERED);
    png_write_info(png, writer.info);
    if (!source.palette) png_set_bgr(png);
    const std::size_t rowBytes = static_cast<std::size_t>(3) * source.width;
    for (png_uint_32 y = 0; y < source.height; ++y) {
        const std::uint8_t* row = source.first + source.stride * static_cast<qsizetype>(y);
        // The first row goes out with every filter allowed, so that libpng keeps the row above
        // that up, average and Paeth need (it refuses to add them later); it chooses that one.
        if (source.cur) {
            std::memcpy(source.cur, row, rowBytes);
            if (y > 0)
                png_set_filter(png, PNG_FILTER_TYPE_BASE, chooseFilter(source.cur, source.prev, rowBytes));
            std::memcpy(source.prev, source.cur, rowBytes);
        }
        png_write_row(png, row);
    }
    png_write_end(png, writer.info);
    return true;
}

}  // namespace

QByteArray encodePng(const QImage& image) {
    const bool indexed = image.format() == QImage::Format_Indexed8;
    std::vector<png_color> palette;
    if (indexed) {
        const QList<QRgb> table = paddedPalette(image, paletteEntriesNeeded(image));
        if (table.isEmpty()) throw base::Error(messages::emptyPalette());
        for (QRgb c : table)
            palette.push_back(png_color{static_cast<png_byte>(qRed(c)), static_cast<png_byte>(qGreen(c)),
                                        static_cast<png_byte>(qBlue(c))});
    }
    PngWriter writer;
    writer.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &writer, onError, onWarning);
    if (writer.png) writer.info = png_create_info_struct(writer.png);
    if (!writer.png || !writer.info) throw base::Error(messages::outOfMemory());
    const bool choose = !indexed && image.width() > 1 && image.height() > 1;
    std::vector<std::uint8_t> rows(choose ? 2 * (3 + 3 * static_cast<std::size_t>(image.width())) : 0, 0);
    const PngSource source{image.constScanLine(0),
                           image.bytesPerLine(),
                           static_cast<png_uint_32>(image.width()),
                           static_cast<png_uint_32>(image.height()),
                           indexed ? palette.data() : nullptr,
                           static_cast<int>(palette.size()),
                           choose ? rows.data() + 3 : nullptr,
                           choose ? rows.data() + rows.size() / 2 + 3 : nullptr};
    if (!compress(writer, source))
        throw base::Error(messages::pngNotWritten(QString::fromLocal8Bit(writer.message)));
    return writer.out.toByteArray();
}

}  // namespace codecs::detail
