#include "base/vector_isa.h"

#if KADREL_X86_64_VECTORS
#include <emmintrin.h>
#endif

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include <libdeflate.h>
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
// and only the chosen filter is applied.
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

// Row `from` of a BGR888 picture `width` pixels wide as red, green, blue, the order PNG stores.
void swappedRow(const std::uint8_t* from, int width, std::uint8_t* to) {
    for (int x = 0; x < width; ++x) {
        to[3 * x] = from[3 * x + 2];
        to[3 * x + 1] = from[3 * x + 1];
        to[3 * x + 2] = from[3 * x];
    }
}

// cur filtered against prev (the row above, zeros above the first), both red-green-blue with three
// zero bytes before them: the filter byte, then the filtered bytes.
void filterRow(const std::uint8_t* cur, const std::uint8_t* prev, std::size_t n, std::uint8_t* out) {
    const int filter = chooseFilter(cur, prev, n);
    // Signed: the bytes to the left of the first pixel are the three zeros before the row.
    const auto size = static_cast<std::ptrdiff_t>(n);
    std::uint8_t* f = out + 1;
    switch (filter) {
        case PNG_FILTER_SUB:
            out[0] = PNG_FILTER_VALUE_SUB;
            for (std::ptrdiff_t i = 0; i < size; ++i) f[i] = static_cast<std::uint8_t>(cur[i] - cur[i - 3]);
            break;
        case PNG_FILTER_UP:
            out[0] = PNG_FILTER_VALUE_UP;
            for (std::ptrdiff_t i = 0; i < size; ++i) f[i] = static_cast<std::uint8_t>(cur[i] - prev[i]);
            break;
        case PNG_FILTER_AVG:
            out[0] = PNG_FILTER_VALUE_AVG;
            for (std::ptrdiff_t i = 0; i < size; ++i)
                f[i] = static_cast<std::uint8_t>(cur[i] - (cur[i - 3] + prev[i]) / 2);
            break;
        case PNG_FILTER_PAETH:
            out[0] = PNG_FILTER_VALUE_PAETH;
            for (std::ptrdiff_t i = 0; i < size; ++i)
                f[i] = static_cast<std::uint8_t>(cur[i] - paethByte(cur[i - 3], prev[i], prev[i - 3]));
            break;
        default:
            out[0] = PNG_FILTER_VALUE_NONE;
            std::memcpy(f, cur, n);
            break;
    }
}

// libdeflate's level for the rows: the lowest whose files of photos are no bigger than zlib's at its
// default level with the filtered strategy gave (level 6 halves the time, but its files are 2 %
// bigger); it takes four fifths of zlib's time.
constexpr int kDeflateLevel = 7;

// A picture's filtered rows are deflated in bands of about this many bytes, side by side; the
// band's rows depend on the width alone, so the file does not depend on how the rows arrive.
constexpr std::size_t kBandBytes = std::size_t{2} << 20;

int rowsPerBand(std::size_t filteredRowBytes) {
    return static_cast<int>(std::clamp<std::size_t>(kBandBytes / filteredRowBytes, 1, 1 << 20));
}

inline constexpr std::uint8_t kZlibHeader[2] = {0x78, 0x9C};  // deflate, 32 KiB window, default level

void putWord(std::uint8_t* to, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) to[k] = static_cast<std::uint8_t>(v >> (24 - 8 * k));
}

[[noreturn]] void deflateFailed() {
    throw base::Error(messages::encodeFailed(QStringLiteral("deflate")));
}

// A band's rows deflated as a part of one zlib stream: a raw deflate stream that ends on a byte
// boundary after a block that is not the final one, or, for the last band, with the final block.
struct Piece {
    base::Block data;
    std::size_t size = 0;
    std::uint32_t adler = 1;  // of the filtered rows
    std::size_t length = 0;   // their bytes
};

// libdeflate ends every stream with a final block. Where a band is followed by another, that
// block's final bit is cleared and an empty stored block after it brings the stream to a byte
// boundary, as a sync flush does. The blocks' bounds are found by inflating the band back with
// zlib a block at a time, which also checks that it gives back the rows.
class Deflater {
public:
    Deflater() : compressor_(libdeflate_alloc_compressor(kDeflateLevel)) {
        if (!compressor_ || inflateInit2(&inflater_, -15) != Z_OK) {
            libdeflate_free_compressor(compressor_);
            throw base::Error(messages::outOfMemory());
        }
    }
    ~Deflater() {
        libdeflate_free_compressor(compressor_);
        inflateEnd(&inflater_);
    }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    Piece deflate(const std::uint8_t* rows, std::size_t n, bool last) {
        Piece piece;
        piece.length = n;
        piece.adler = libdeflate_adler32(1, rows, n);
        // Room for the empty stored block: three bits, up to seven of padding, four bytes.
        const std::size_t room = libdeflate_deflate_compress_bound(compressor_, n) + 5;
        piece.data = base::Block(room);
        std::uint8_t* out = piece.data.data();
        const std::size_t size = libdeflate_deflate_compress(compressor_, rows, n, out, room - 5);
        if (size == 0) deflateFailed();
        const auto [finalStart, end] = finalBlock(out, size, rows, n);
        if (last) {
            piece.size = size;
            return piece;
        }
        out[finalStart / 8] &= static_cast<std::uint8_t>(~(1u << (finalStart % 8)));
        // Three zero bits (not final, stored), zeros to the byte, then a length of 0 and its complement.
        if (end % 8) out[end / 8] &= static_cast<std::uint8_t>((1u << (end % 8)) - 1);
        const std::size_t aligned = (end + 3 + 7) / 8;
        for (std::size_t i = (end + 7) / 8; i < aligned; ++i) out[i] = 0;
        const std::uint8_t stored[4] = {0x00, 0x00, 0xFF, 0xFF};
        std::memcpy(out + aligned, stored, sizeof stored);
        piece.size = aligned + sizeof stored;
        return piece;
    }

private:
    struct Bounds {
        std::size_t finalStart;  // the final block's first bit
        std::size_t end;         // the bit after its end-of-block code
    };

    // Inflates the stream, stopping at every block's end: zlib then tells the bits of the last
    // byte it has not used, and whether the block was the final one.
    Bounds finalBlock(const std::uint8_t* deflated, std::size_t size, const std::uint8_t* rows,
                      std::size_t n) {
        if (inflateReset(&inflater_) != Z_OK) deflateFailed();
        if (check_.size() < n) check_.resize(n);
        inflater_.next_in = const_cast<std::uint8_t*>(deflated);
        inflater_.avail_in = static_cast<uInt>(size);
        inflater_.next_out = check_.data();
        inflater_.avail_out = static_cast<uInt>(n);
        std::size_t blockStart = 0;
        std::size_t finalStart = 0, end = 0;
        bool ended = false;
        for (;;) {
            const int result = inflate(&inflater_, Z_BLOCK);
            if (result == Z_STREAM_END) break;
            if (result != Z_OK) deflateFailed();
            if (inflater_.data_type & 128) {
                const std::size_t at = 8 * static_cast<std::size_t>(inflater_.total_in) -
                                       static_cast<std::size_t>(inflater_.data_type & 7);
                if (inflater_.data_type & 64) {
                    finalStart = blockStart;
                    end = at;
                    ended = true;
                }
                blockStart = at;
            }
        }
        if (!ended || inflater_.total_out != n || inflater_.avail_in != 0 ||
            std::memcmp(check_.data(), rows, n) != 0)
            deflateFailed();
        return {finalStart, end};
    }

    libdeflate_compressor* compressor_;
    z_stream inflater_{};
    std::vector<std::uint8_t> check_;
};

// The Adler-32 of a zlib stream's data, four bytes big-endian after its last deflate data.
std::uint32_t joinedAdler(std::uint32_t before, const Piece& piece) {
    return static_cast<std::uint32_t>(
        adler32_combine(before, piece.adler, static_cast<z_off_t>(piece.length)));
}

// A palette picture's rows in bands deflated side by side; none when the picture is too small
// for them to pay.
struct Bands {
    std::vector<Piece> pieces;
    std::uint8_t adler[4] = {};
    std::size_t bytes = 0;  // of all pieces
};

Bands deflateBands(const QImage& image) {
    const std::size_t rowBytes = static_cast<std::size_t>(image.width()) + 1;
    const int h = image.height();
    const int bandRows = rowsPerBand(rowBytes);
    const int count = (h + bandRows - 1) / bandRows;
    Bands b;
    if (count < 2) return b;
    b.pieces.resize(static_cast<std::size_t>(count));
    base::parallelFor(count, [&](int i) {
        const int first = i * bandRows, last = std::min(h, first + bandRows);
        std::vector<std::uint8_t> filtered(rowBytes * static_cast<std::size_t>(last - first));
        for (int y = first; y < last; ++y) {
            std::uint8_t* row = filtered.data() + rowBytes * static_cast<std::size_t>(y - first);
            row[0] = PNG_FILTER_VALUE_NONE;
            std::memcpy(row + 1, image.constScanLine(y), rowBytes - 1);
        }
        Deflater deflater;
        b.pieces[static_cast<std::size_t>(i)] =
            deflater.deflate(filtered.data(), filtered.size(), i + 1 == count);
    });
    std::uint32_t adler = 1;
    for (const Piece& piece : b.pieces) {
        adler = joinedAdler(adler, piece);
        b.bytes += piece.size;
    }
    putWord(b.adler, adler);
    return b;
}

struct PngSource {
    const QImage* image;
    const std::vector<png_color>* palette;
    const Bands* bands;  // null: libpng compresses the rows
};

// Writes one IDAT chunk a band and ends the file; libpng's own ending wants rows it compressed
// itself.
void writeBands(png_structp png, const Bands& b) {
    const std::size_t count = b.pieces.size();
    for (std::size_t i = 0; i < count; ++i) {
        const Piece& piece = b.pieces[i];
        const bool first = i == 0, last = i + 1 == count;
        const std::size_t length =
            piece.size + (first ? sizeof kZlibHeader : 0) + (last ? sizeof b.adler : 0);
        png_write_chunk_start(png, reinterpret_cast<png_const_bytep>("IDAT"),
                              static_cast<png_uint_32>(length));
        if (first) png_write_chunk_data(png, kZlibHeader, sizeof kZlibHeader);
        png_write_chunk_data(png, piece.data.data(), piece.size);
        if (last) png_write_chunk_data(png, b.adler, sizeof b.adler);
        png_write_chunk_end(png);
    }
    png_write_chunk(png, reinterpret_cast<png_const_bytep>("IEND"), nullptr, 0);
}

// A palette picture through libpng. No C++ object with a destructor lives in this frame:
// libpng's errors longjmp here.
bool compress(PngWriter& writer, const PngSource& source) {
    if (setjmp(png_jmpbuf(writer.png))) return false;
    png_structp png = writer.png;
    const QImage& image = *source.image;
    png_set_write_fn(png, &writer, onWrite, onFlush);
    png_set_IHDR(png, writer.info, static_cast<png_uint_32>(image.width()),
                 static_cast<png_uint_32>(image.height()), 8, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_PLTE(png, writer.info, source.palette->data(), static_cast<int>(source.palette->size()));
    png_set_sRGB(png, writer.info, PNG_sRGB_INTENT_PERCEPTUAL);
    png_write_info(png, writer.info);
    if (source.bands) {
        writeBands(png, *source.bands);
        return true;
    }
    for (int y = 0; y < image.height(); ++y) png_write_row(png, image.constScanLine(y));
    png_write_end(png, writer.info);
    return true;
}

Encoded encodePalettePng(const QImage& image) {
    const QList<QRgb> table = paddedPalette(image, paletteEntriesNeeded(image));
    if (table.isEmpty()) throw base::Error(messages::emptyPalette());
    std::vector<png_color> palette;
    for (QRgb c : table)
        palette.push_back(png_color{static_cast<png_byte>(qRed(c)), static_cast<png_byte>(qGreen(c)),
                                    static_cast<png_byte>(qBlue(c))});
    const Bands bands = deflateBands(image);
    const bool banded = !bands.pieces.empty();
    // Room for the whole file when the bands are ready; else for rows that deflate does not shrink.
    const std::size_t rowBytes = static_cast<std::size_t>(image.width()) + 1;
    PngWriter writer(banded ? bands.bytes + 12 * bands.pieces.size() + 4096
                            : rowBytes * static_cast<std::size_t>(image.height()) + 4096);
    writer.png = createPngWriter(writer.errors);
    if (writer.png) writer.info = png_create_info_struct(writer.png);
    if (!writer.png || !writer.info) throw base::Error(messages::outOfMemory());
    if (!compress(writer, PngSource{&image, &palette, banded ? &bands : nullptr}))
        throw base::Error(messages::pngNotWritten(QString::fromLocal8Bit(writer.errors.message)));
    return writer.out.take();
}

// A PNG file's chunks, each with its length before and its CRC after.
class Chunks {
public:
    explicit Chunks(std::size_t firstSize) : out_(firstSize) {}

    void bytes(const void* data, std::size_t n) {
        if (!out_.append(data, n)) throw base::Error(messages::outOfMemory());
    }
    void start(const char (&type)[5], std::size_t length) {
        std::uint8_t head[8];
        putWord(head, static_cast<std::uint32_t>(length));
        std::memcpy(head + 4, type, 4);
        bytes(head, sizeof head);
        crc_ = libdeflate_crc32(0, head + 4, 4);
    }
    void data(const void* data, std::size_t n) {
        bytes(data, n);
        crc_ = libdeflate_crc32(crc_, data, n);
    }
    void end() {
        std::uint8_t crc[4];
        putWord(crc, crc_);
        bytes(crc, sizeof crc);
    }
    Encoded take() { return out_.take(); }

private:
    ByteSink out_;
    std::uint32_t crc_ = 0;
};

// A 24-bit PNG from bands of rows. The rows are gathered into bands of a fixed number of rows;
// each full band is filtered and deflated on a worker thread while the next rows arrive, and the
// bands' deflate data are joined in order as they finish. A few bands at most are in flight.
class PngBandWriter final : public RowWriter {
public:
    explicit PngBandWriter(QSize size);
    ~PngBandWriter() override;
    PngBandWriter(const PngBandWriter&) = delete;
    PngBandWriter& operator=(const PngBandWriter&) = delete;

    void write(const std::uint8_t* rows, qsizetype stride, int first, int count) override;
    Encoded finish() override;

private:
    struct Job {
        int first = 0;
        int count = 0;
        bool last = false;
        base::Block rows;  // the row above (zeros above the picture), then the band's; BGR888
        Piece piece;
        std::exception_ptr error;
        bool done = false;  // under mutex_
    };

    void startJob();
    void submit();
    void run(Job& job, Deflater& deflater) const;
    void work();
    void takeFinished(std::size_t keep);
    void append(const Job& job);

    const int width_;
    const int height_;
    const std::size_t rowBytes_;  // of a BGR888 row
    const int bandRows_;
    const int workers_;
    int next_ = 0;  // the first row not yet written
    std::vector<std::uint8_t> above_;
    std::unique_ptr<Job> filling_;
    std::deque<std::unique_ptr<Job>> inFlight_;  // submitted, in order; only the writer's thread
    std::deque<Job*> queue_;                     // not yet started; under mutex_
    std::mutex mutex_;
    std::condition_variable work_;
    std::condition_variable finished_;
    bool stopping_ = false;  // under mutex_
    std::vector<std::thread> threads_;
    std::unique_ptr<Deflater> own_;  // for bands deflated on the writer's thread
    Chunks file_;
    std::uint32_t adler_ = 1;
    bool streamStarted_ = false;
};

PngBandWriter::PngBandWriter(QSize size)
    : width_(size.width()),
      height_(size.height()),
      rowBytes_(3 * static_cast<std::size_t>(std::max(0, size.width()))),
      bandRows_(rowsPerBand(rowBytes_ + 1)),
      workers_(std::max(1, base::workerCount())),
      above_(rowBytes_, 0),
      // Room for rows that deflate does not shrink; only the written pages cost.
      file_((rowBytes_ + 1) * static_cast<std::size_t>(std::max(0, size.height())) * 1001 / 1000 +
            64 * 1024) {
    if (width_ <= 0 || height_ <= 0)
        throw base::Error(messages::encodeFailed(QStringLiteral("empty picture")));
    static constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    file_.bytes(kSignature, sizeof kSignature);
    std::uint8_t header[13] = {};
    putWord(header, static_cast<std::uint32_t>(width_));
    putWord(header + 4, static_cast<std::uint32_t>(height_));
    header[8] = 8;                   // bits a sample
    header[9] = PNG_COLOR_TYPE_RGB;  // deflate, the five filters and no interlace are all zeros
    file_.start("IHDR", sizeof header);
    file_.data(header, sizeof header);
    file_.end();
    const std::uint8_t intent = PNG_sRGB_INTENT_PERCEPTUAL;
    file_.start("sRGB", 1);
    file_.data(&intent, 1);
    file_.end();
}

PngBandWriter::~PngBandWriter() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    work_.notify_all();
    for (std::thread& t : threads_) t.join();
}

void PngBandWriter::write(const std::uint8_t* rows, qsizetype stride, int first, int count) {
    if (first != next_ || count < 0 || count > height_ - first)
        throw base::Error(messages::encodeFailed(QStringLiteral("rows out of order")));
    for (int i = 0; i < count; ++i) {
        if (!filling_) startJob();
        const auto at = static_cast<std::size_t>(next_ - filling_->first + 1);
        std::memcpy(filling_->rows.data() + rowBytes_ * at, rows + stride * i, rowBytes_);
        if (++next_ == filling_->first + filling_->count) submit();
    }
}

void PngBandWriter::startJob() {
    auto job = std::make_unique<Job>();
    job->first = next_;
    job->count = std::min(bandRows_, height_ - next_);
    job->last = next_ + job->count == height_;
    job->rows = base::Block(rowBytes_ * static_cast<std::size_t>(job->count + 1));
    std::memcpy(job->rows.data(), above_.data(), rowBytes_);
    filling_ = std::move(job);
}

void PngBandWriter::submit() {
    std::unique_ptr<Job> job = std::move(filling_);
    std::memcpy(above_.data(), job->rows.data() + rowBytes_ * static_cast<std::size_t>(job->count),
                rowBytes_);
    // One worker, or a picture of one band: no thread pays.
    if (workers_ == 1 || (threads_.empty() && job->last)) {
        takeFinished(0);
        if (!own_) own_ = std::make_unique<Deflater>();
        run(*job, *own_);
        append(*job);
        return;
    }
    if (threads_.empty())
        for (int i = 0; i < workers_; ++i) threads_.emplace_back([this] { work(); });
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back(job.get());
    }
    inFlight_.push_back(std::move(job));
    work_.notify_one();
    // A band for each worker and two more, waiting for a worker or for the band before them.
    takeFinished(static_cast<std::size_t>(workers_) + 1);
}

void PngBandWriter::run(Job& job, Deflater& deflater) const {
    const std::size_t filteredBytes = rowBytes_ + 1;
    std::vector<std::uint8_t> filtered(filteredBytes * static_cast<std::size_t>(job.count));
    // Two red-green-blue rows, each with three zero bytes before it.
    std::vector<std::uint8_t> swapped(2 * (rowBytes_ + 3), 0);
    std::uint8_t* prev = swapped.data() + 3;
    std::uint8_t* cur = prev + rowBytes_ + 3;
    swappedRow(job.rows.data(), width_, prev);
    for (int r = 0; r < job.count; ++r) {
        swappedRow(job.rows.data() + rowBytes_ * static_cast<std::size_t>(r + 1), width_, cur);
        filterRow(cur, prev, rowBytes_, filtered.data() + filteredBytes * static_cast<std::size_t>(r));
        std::swap(cur, prev);
    }
    job.rows = base::Block();
    job.piece = deflater.deflate(filtered.data(), filtered.size(), job.last);
}

void PngBandWriter::work() {
    std::unique_ptr<Deflater> deflater;
    for (;;) {
        Job* job = nullptr;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            work_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_) return;
            job = queue_.front();
            queue_.pop_front();
        }
        try {
            if (!deflater) deflater = std::make_unique<Deflater>();
            run(*job, *deflater);
        } catch (...) {
            job->error = std::current_exception();
        }
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            job->done = true;
        }
        finished_.notify_all();
    }
}

// Joins the finished bands at the front in order, waiting for them while more than `keep` are in
// flight.
void PngBandWriter::takeFinished(std::size_t keep) {
    while (!inFlight_.empty()) {
        std::unique_ptr<Job> job;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            Job& front = *inFlight_.front();
            if (!front.done) {
                if (inFlight_.size() <= keep) return;
                finished_.wait(lock, [&front] { return front.done; });
            }
        }
        job = std::move(inFlight_.front());
        inFlight_.pop_front();
        if (job->error) std::rethrow_exception(job->error);
        append(*job);
    }
}

void PngBandWriter::append(const Job& job) {
    const bool first = !streamStarted_;
    adler_ = joinedAdler(adler_, job.piece);
    std::uint8_t adler[4];
    putWord(adler, adler_);
    file_.start("IDAT", job.piece.size + (first ? sizeof kZlibHeader : 0) + (job.last ? sizeof adler : 0));
    if (first) file_.data(kZlibHeader, sizeof kZlibHeader);
    file_.data(job.piece.data.data(), job.piece.size);
    if (job.last) file_.data(adler, sizeof adler);
    file_.end();
    streamStarted_ = true;
}

Encoded PngBandWriter::finish() {
    if (next_ != height_) throw base::Error(messages::encodeFailed(QStringLiteral("rows missing")));
    takeFinished(0);
    file_.start("IEND", 0);
    file_.end();
    return file_.take();
}

}  // namespace

Encoded encodePng(const QImage& image) {
    if (image.format() == QImage::Format_Indexed8) return encodePalettePng(image);
    const auto writer = std::make_unique<PngBandWriter>(image.size());
    writer->write(image.constScanLine(0), image.bytesPerLine(), 0, image.height());
    return writer->finish();
}

std::unique_ptr<RowWriter> pngRowWriter(QSize size) {
    return std::make_unique<PngBandWriter>(size);
}

}  // namespace codecs::detail
