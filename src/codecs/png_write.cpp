#include "base/vector_isa.h"

#if KADREL_X86_64_VECTORS
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include <png.h>
#include <zlib.h>

#include "base/error.h"
#include "base/image.h"
#include "base/parallel.h"
#include "codecs/messages.h"
#include "codecs/palette.h"
#include "codecs/png.h"
#include "codecs/png_errors.h"
#include "codecs/sink.h"

namespace codecs::detail {
namespace {

struct PngWriter {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ByteSink out;
    PngErrors errors;

    explicit PngWriter(std::size_t firstSize) : out(firstSize) {}
    PngWriter(const PngWriter&) = delete;
    PngWriter& operator=(const PngWriter&) = delete;
    ~PngWriter() {
        if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
    }
};

void onWrite(png_structp png, png_bytep bytes, std::size_t n) {
    auto* writer = static_cast<PngWriter*>(png_get_io_ptr(png));
    if (!writer->out.append(bytes, n)) png_error(png, "out of memory");
}

void onFlush(png_structp) {}

// libpng's choice of filter for a 24-bit row: the smallest sum over the filtered bytes of
// min(v, 256 - v), trying none, sub, up, average and Paeth in that order and keeping the first
// of equal sums. libpng works this out by filtering the row five times, byte by byte, which is a
// tenth of the whole write; here it takes sixteen bytes a step on x86-64 (byte by byte elsewhere),
// and libpng is then told the one filter it would have chosen. The sums do not depend on the order of the
// channels, so the blue-green-red rows give libpng's sums for its red-green-blue ones.
//   cur, prev: the row and the one above (zeros above the first), each with three zero bytes
//   before it, and n bytes long
class FilterSums {
public:
#if KADREL_X86_64_VECTORS
    void add(__m128i filtered) {
        // min(v, 256 - v) per byte, summed in two 64-bit lanes.
        const __m128i folded = _mm_min_epu8(filtered, _mm_sub_epi8(_mm_setzero_si128(), filtered));
        sum_ = _mm_add_epi64(sum_, _mm_sad_epu8(folded, _mm_setzero_si128()));
    }
#endif
    void addByte(std::uint8_t v) {
        tail_ += v < 128 ? v : 256 - v;
    }
    std::uint64_t total() const {
#if KADREL_X86_64_VECTORS
        return static_cast<std::uint64_t>(_mm_cvtsi128_si64(sum_)) +
               static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sum_, sum_))) + tail_;
#else
        return tail_;
#endif
    }

private:
#if KADREL_X86_64_VECTORS
    __m128i sum_ = _mm_setzero_si128();
#endif
    std::uint64_t tail_ = 0;
};

#if KADREL_X86_64_VECTORS

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

#endif  // KADREL_X86_64_VECTORS

inline std::uint8_t paethByte(int a, int b, int c) {
    const int p = b - c, q = a - c;
    const int pa = p < 0 ? -p : p, pb = q < 0 ? -q : q, pc = p + q < 0 ? -(p + q) : p + q;
    return static_cast<std::uint8_t>(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

int chooseFilter(const std::uint8_t* cur, const std::uint8_t* prev, std::size_t n) {
    FilterSums none, sub, up, avg, paeth;
    std::size_t i = 0;
#if KADREL_X86_64_VECTORS
    const __m128i zero = _mm_setzero_si128();
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
#endif
    for (; i < n; ++i) {
        // Signed: the bytes before the row are read at a negative index, not by a wrapped offset.
        const auto at = static_cast<std::ptrdiff_t>(i);
        const int x = cur[at], a = cur[at - 3], b = prev[at], c = prev[at - 3];
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

// Rows of a big picture filtered and deflated ahead, side by side, as a part of one zlib stream.
struct Band {
    const std::uint8_t* data = nullptr;  // `size` bytes: in the band's slot, or in `grown`
    std::size_t size = 0;
    base::Block grown;  // only when the slot was too small
    uLong adler = 1;    // of the filtered rows
    uLong length = 0;   // their bytes
};

// Every band's rows, the bands' deflate data in order; with the zlib header before the first and
// the Adler-32 of the whole after the last, one zlib stream.
struct Bands {
    // One block of a slot a band, each the band's bound: only the written part of a slot costs
    // pages, and the block takes huge pages where a band by itself would not.
    base::Block slots;
    std::vector<Band> bands;
    std::uint8_t adler[4] = {};
    std::size_t bytes = 0;  // of all bands' deflate data
};

inline constexpr std::uint8_t kZlibHeader[2] = {0x78, 0x9C};  // deflate, 32 KiB window, default level

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
    // The rows deflated ahead in bands (null: libpng compresses them).
    const Bands* bands;
};

// A big picture's rows go to zlib in bands of about this many bytes, compressed side by side.
constexpr std::size_t kBandBytes = std::size_t{2} << 20;

// Writes one IDAT chunk a band and ends the file; libpng's own ending wants rows it compressed
// itself.
void writeBands(png_structp png, const Bands& b) {
    const std::size_t count = b.bands.size();
    for (std::size_t i = 0; i < count; ++i) {
        const Band& band = b.bands[i];
        const bool first = i == 0, last = i + 1 == count;
        const std::size_t length = band.size + (first ? sizeof kZlibHeader : 0) + (last ? sizeof b.adler : 0);
        png_write_chunk_start(png, reinterpret_cast<png_const_bytep>("IDAT"),
                              static_cast<png_uint_32>(length));
        if (first) png_write_chunk_data(png, kZlibHeader, sizeof kZlibHeader);
        png_write_chunk_data(png, band.data, band.size);
        if (last) png_write_chunk_data(png, b.adler, sizeof b.adler);
        png_write_chunk_end(png);
    }
    png_write_chunk(png, reinterpret_cast<png_const_bytep>("IEND"), nullptr, 0);
}

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
    if (source.bands) {
        writeBands(png, *source.bands);
        return true;
    }
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

// Row y of a BGR888 picture as red, green, blue, the order PNG stores.
void swappedRow(const QImage& image, int y, std::uint8_t* to) {
    const int w = image.width();
    const std::uint8_t* from = image.constScanLine(y);
    for (int x = 0; x < w; ++x) {
        to[3 * x] = from[3 * x + 2];
        to[3 * x + 1] = from[3 * x + 1];
        to[3 * x + 2] = from[3 * x];
    }
}

// cur filtered against prev (the row above, zeros above the first), both red-green-blue with three
// zero bytes before them: the filter byte, then the filtered bytes.
void filterRow(const std::uint8_t* cur, const std::uint8_t* prev, std::size_t n, std::uint8_t* out) {
    const int filter = chooseFilter(cur, prev, n);
    std::uint8_t* f = out + 1;
    switch (filter) {
        case PNG_FILTER_SUB:
            out[0] = PNG_FILTER_VALUE_SUB;
            for (std::size_t i = 0; i < n; ++i) f[i] = static_cast<std::uint8_t>(cur[i] - cur[i - 3]);
            break;
        case PNG_FILTER_UP:
            out[0] = PNG_FILTER_VALUE_UP;
            for (std::size_t i = 0; i < n; ++i) f[i] = static_cast<std::uint8_t>(cur[i] - prev[i]);
            break;
        case PNG_FILTER_AVG:
            out[0] = PNG_FILTER_VALUE_AVG;
            for (std::size_t i = 0; i < n; ++i)
                f[i] = static_cast<std::uint8_t>(cur[i] - (cur[i - 3] + prev[i]) / 2);
            break;
        case PNG_FILTER_PAETH:
            out[0] = PNG_FILTER_VALUE_PAETH;
            for (std::size_t i = 0; i < n; ++i)
                f[i] = static_cast<std::uint8_t>(cur[i] - paethByte(cur[i - 3], prev[i], prev[i - 3]));
            break;
        default:
            out[0] = PNG_FILTER_VALUE_NONE;
            std::memcpy(f, cur, n);
            break;
    }
}

// Rows [first, last) filtered and deflated as a raw stream that ends on a byte boundary (a sync
// flush) or, for the last band, with the final block; at zlib's default level, as libpng writes.
// Each row goes to zlib as it is filtered, as libpng hands them over, while it is still in the
// cache; zlib's output does not depend on how its input is cut.
Band deflateBand(const QImage& image, int first, int last, bool lastBand, std::uint8_t* slot,
                 std::size_t slotBytes) {
    const bool indexed = image.format() == QImage::Format_Indexed8;
    const std::size_t rowBytes =
        indexed ? static_cast<std::size_t>(image.width()) : 3 * static_cast<std::size_t>(image.width());
    std::vector<std::uint8_t> scratch(indexed ? rowBytes + 1 : 3 * rowBytes + 7, 0);
    std::uint8_t* filtered = scratch.data();
    std::uint8_t* cur = scratch.data() + rowBytes + 1 + 3;
    std::uint8_t* prev = cur + rowBytes + 3;
    if (!indexed && first > 0) swappedRow(image, first - 1, prev);

    z_stream z{};
    if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8,
                     indexed ? Z_DEFAULT_STRATEGY : Z_FILTERED) != Z_OK)
        throw base::Error(messages::outOfMemory());
    struct End {
        z_stream* z;
        ~End() { deflateEnd(z); }
    } end{&z};
    Band band;
    band.length = static_cast<uLong>((rowBytes + 1) * static_cast<std::size_t>(last - first));
    std::uint8_t* out = slot;
    std::size_t room = slotBytes;
    z.next_out = out;
    z.avail_out = static_cast<uInt>(room);
    // deflate() until it has room to spare; Z_BUF_ERROR there only says it had nothing more to do.
    // The slot holds zlib's bound, so growing is there for safety only.
    const auto run = [&](int flush) {
        int result = deflate(&z, flush);
        while ((result == Z_OK || result == Z_BUF_ERROR) && z.avail_out == 0) {
            base::Block bigger(2 * room);
            std::memcpy(bigger.data(), out, room);
            band.grown = std::move(bigger);
            out = band.grown.data();
            z.next_out = out + room;
            z.avail_out = static_cast<uInt>(room);
            room *= 2;
            result = deflate(&z, flush);
        }
        return result == Z_BUF_ERROR ? Z_OK : result;
    };
    for (int y = first; y < last; ++y) {
        if (indexed) {
            filtered[0] = PNG_FILTER_VALUE_NONE;
            std::memcpy(filtered + 1, image.constScanLine(y), rowBytes);
        } else {
            swappedRow(image, y, cur);
            filterRow(cur, prev, rowBytes, filtered);
            std::swap(cur, prev);
        }
        band.adler = adler32(band.adler, filtered, static_cast<uInt>(rowBytes + 1));
        z.next_in = filtered;
        z.avail_in = static_cast<uInt>(rowBytes + 1);
        if (run(Z_NO_FLUSH) != Z_OK)
            throw base::Error(messages::encodeFailed(QString::fromLatin1(z.msg ? z.msg : "deflate")));
    }
    const int result = run(lastBand ? Z_FINISH : Z_SYNC_FLUSH);
    if (lastBand ? result != Z_STREAM_END : result != Z_OK)
        throw base::Error(messages::encodeFailed(QString::fromLatin1(z.msg ? z.msg : "deflate")));
    band.data = out;
    band.size = room - z.avail_out;
    return band;
}

// Every row in bands compressed side by side, whatever the number of workers; no bands when the
// picture is too small for them to pay.
Bands deflateBands(const QImage& image) {
    const bool indexed = image.format() == QImage::Format_Indexed8;
    const std::size_t rowBytes = (indexed ? 1 : 3) * static_cast<std::size_t>(image.width()) + 1;
    const int h = image.height();
    const int rowsPerBand = static_cast<int>(std::max<std::size_t>(1, kBandBytes / rowBytes));
    const int count = (h + rowsPerBand - 1) / rowsPerBand;
    Bands b;
    if (count < 2) return b;
    // zlib's bound for a band's rows at this level, window and memory, and a sync flush's few bytes.
    const auto bandBytes = static_cast<uLong>(rowBytes * static_cast<std::size_t>(rowsPerBand));
    const std::size_t slotBytes = bandBytes + (bandBytes >> 12) + (bandBytes >> 14) + (bandBytes >> 25) + 64;
    b.slots = base::Block(slotBytes * static_cast<std::size_t>(count));
    b.bands.resize(static_cast<std::size_t>(count));
    base::parallelFor(count, [&](int i) {
        b.bands[static_cast<std::size_t>(i)] =
            deflateBand(image, i * rowsPerBand, std::min(h, (i + 1) * rowsPerBand), i + 1 == count,
                        b.slots.data() + slotBytes * static_cast<std::size_t>(i), slotBytes);
    });
    uLong adler = 1;
    for (const Band& band : b.bands) {
        adler = adler32_combine(adler, band.adler, static_cast<z_off_t>(band.length));
        b.bytes += band.size;
    }
    for (int k = 0; k < 4; ++k) b.adler[k] = static_cast<std::uint8_t>(adler >> (24 - 8 * k));
    return b;
}

}  // namespace

Encoded encodePng(const QImage& image) {
    const bool indexed = image.format() == QImage::Format_Indexed8;
    std::vector<png_color> palette;
    if (indexed) {
        const QList<QRgb> table = paddedPalette(image, paletteEntriesNeeded(image));
        if (table.isEmpty()) throw base::Error(messages::emptyPalette());
        for (QRgb c : table)
            palette.push_back(png_color{static_cast<png_byte>(qRed(c)), static_cast<png_byte>(qGreen(c)),
                                        static_cast<png_byte>(qBlue(c))});
    }
    const Bands bands = deflateBands(image);
    const bool banded = !bands.bands.empty();
    // Room for the whole file when the bands are ready; else for rows that deflate does not shrink.
    const std::size_t rowBytes = (indexed ? 1 : 3) * static_cast<std::size_t>(image.width()) + 1;
    PngWriter writer(banded ? bands.bytes + 12 * bands.bands.size() + 4096
                            : rowBytes * static_cast<std::size_t>(image.height()) + 4096);
    writer.png = createPngWriter(writer.errors);
    if (writer.png) writer.info = png_create_info_struct(writer.png);
    if (!writer.png || !writer.info) throw base::Error(messages::outOfMemory());
    const bool choose = !banded && !indexed && image.width() > 1 && image.height() > 1;
    std::vector<std::uint8_t> rows(choose ? 2 * (3 + 3 * static_cast<std::size_t>(image.width())) : 0, 0);
    const PngSource source{image.constScanLine(0),
                           image.bytesPerLine(),
                           static_cast<png_uint_32>(image.width()),
                           static_cast<png_uint_32>(image.height()),
                           indexed ? palette.data() : nullptr,
                           static_cast<int>(palette.size()),
                           choose ? rows.data() + 3 : nullptr,
                           choose ? rows.data() + rows.size() / 2 + 3 : nullptr,
                           banded ? &bands : nullptr};
    if (!compress(writer, source))
        throw base::Error(messages::pngNotWritten(QString::fromLocal8Bit(writer.errors.message)));
    return writer.out.take();
}

}  // namespace codecs::detail

namespace codecs::detail {
namespace {

// Holds the rows until the last, then encodes the whole picture.
class WholePngWriter : public RowWriter {
public:
    explicit WholePngWriter(QSize size) : picture_(base::allocateBgr(size.width(), size.height())) {}
    void write(const std::uint8_t* rows, qsizetype stride, int first, int count) override {
        const std::size_t bytes = 3 * static_cast<std::size_t>(picture_.width());
        for (int i = 0; i < count; ++i) std::memcpy(picture_.scanLine(first + i), rows + stride * i, bytes);
    }
    Encoded finish() override { return encodePng(picture_); }

private:
    QImage picture_;
};

}  // namespace

std::unique_ptr<RowWriter> pngRowWriter(QSize size) {
    return std::make_unique<WholePngWriter>(size);
}

}  // namespace codecs::detail
