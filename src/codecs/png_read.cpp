#include <cstdint>
#include <cstring>
#include <vector>

#include <png.h>

#include "base/error.h"
#include "base/image.h"
#include "codecs/messages.h"
#include "codecs/png.h"

namespace codecs::detail {
namespace {

struct PngReader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    std::size_t position = 0;
    char message[256] = {};
    bool truncated = false;  // the data ended before libpng had what it asked for

    PngReader() = default;
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;
    ~PngReader() {
        if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    }
};

void onError(png_structp png, png_const_charp text) {
    auto* reader = static_cast<PngReader*>(png_get_error_ptr(png));
    std::strncpy(reader->message, text ? text : "", sizeof reader->message - 1);
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

void onRead(png_structp png, png_bytep out, std::size_t n) {
    auto* reader = static_cast<PngReader*>(png_get_io_ptr(png));
    if (n > reader->size - reader->position) {
        reader->truncated = true;
        png_error(png, "file truncated");
    }
    std::memcpy(out, reader->data + reader->position, n);
    reader->position += n;
}

struct PngLayout {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int channels = 0;  // 3 (blue, green, red) or 4 (with alpha)
    int passes = 1;
};

// The setjmp functions hold no C++ object with a destructor: libpng's errors longjmp into them.

bool readHeader(PngReader& reader, PngLayout& layout) {
    if (setjmp(png_jmpbuf(reader.png))) return false;
    png_structp png = reader.png;
    png_set_read_fn(png, &reader, onRead);
    // headerClaim() has checked the budget already; this holds should the two ever disagree.
    png_set_user_limits(png, static_cast<png_uint_32>(base::kMaxSide),
                        static_cast<png_uint_32>(base::kMaxSide));
    png_set_chunk_malloc_max(png, 8u << 20);  // decompressed metadata (text, profiles)
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    // Mutated files almost never keep their checksums; the fuzzer would see nothing past them.
    png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
    png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
    png_read_info(png, reader.info);
    int depth = 0, colourType = 0;
    png_get_IHDR(png, reader.info, &layout.width, &layout.height, &depth, &colourType, nullptr, nullptr,
                 nullptr);
    png_set_scale_16(png);
    if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colourType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, reader.info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    png_set_bgr(png);
    layout.passes = png_set_interlace_handling(png);
    png_read_update_info(png, reader.info);
    layout.channels = png_get_channels(png, reader.info);
    if (png_get_bit_depth(png, reader.info) != 8 || (layout.channels != 3 && layout.channels != 4))
        png_error(png, "unexpected sample layout");
    return true;
}

bool readAll(PngReader& reader, png_bytepp rows) {
    if (setjmp(png_jmpbuf(reader.png))) return false;
    png_read_image(reader.png, rows);
    png_read_end(reader.png, nullptr);
    return true;
}

inline std::uint8_t div255(unsigned v) {
    return static_cast<std::uint8_t>((v + 128 + ((v + 128) >> 8)) >> 8);
}

// Alpha over black, as a bitmap shows a picture with alpha.
void dropAlpha(const std::uint8_t* bgra, std::uint8_t* bgr, png_uint_32 width) {
    for (png_uint_32 x = 0; x < width; ++x, bgra += 4, bgr += 3) {
        const unsigned a = bgra[3];
        bgr[0] = div255(bgra[0] * a);
        bgr[1] = div255(bgra[1] * a);
        bgr[2] = div255(bgra[2] * a);
    }
}

// A non-interlaced picture with alpha, one row at a time through `scratch` (4 × width bytes).
bool readRowsDroppingAlpha(PngReader& reader, std::uint8_t* first, qsizetype stride, std::uint8_t* scratch,
                           png_uint_32 width, png_uint_32 height) {
    if (setjmp(png_jmpbuf(reader.png))) return false;
    for (png_uint_32 y = 0; y < height; ++y) {
        png_read_row(reader.png, scratch, nullptr);
        dropAlpha(scratch, first + stride * static_cast<qsizetype>(y), width);
    }
    png_read_end(reader.png, nullptr);
    return true;
}

// Deflate turns one byte into at most 1032 (a 258-byte match in two bits).
constexpr std::uint64_t kMaxDeflateRatio = 1032;

// The header chunk, read before libpng sees it: libpng allocates its row buffers from the claimed
// width (up to 16 GiB for a 2^31-pixel row of 64-bit pixels) before any check of ours could run.
struct Claim {
    bool found = false;
    std::uint64_t width = 0;
    std::uint64_t height = 0;
    std::uint64_t bitsPerPixel = 0;  // 0 when the colour type or depth is not one PNG has
};

Claim headerClaim(const unsigned char* data, std::size_t size) {
    Claim claim;
    if (size < 8 + 8 + 13 || png_get_uint_32(data + 8) != 13 || std::memcmp(data + 12, "IHDR", 4) != 0)
        return claim;  // libpng refuses a file that does not start with its header chunk
    claim.found = true;
    claim.width = png_get_uint_32(data + 16);
    claim.height = png_get_uint_32(data + 20);
    const unsigned depth = data[24], colourType = data[25];
    const unsigned channels = colourType == 0   ? 1
                              : colourType == 2 ? 3
                              : colourType == 3 ? 1
                              : colourType == 4 ? 2
                              : colourType == 6 ? 4
                                                : 0;
    if (depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16)
        claim.bitsPerPixel = channels * depth;
    return claim;
}

// libpng allocates a chunk's claimed length before it finds the data missing, so a 60-byte file
// claiming a 1 GiB chunk would cost a gigabyte. With the whole file in memory, every chunk up to
// IEND can be checked to lie inside it first. The image data must also be long enough to inflate
// to the claimed picture, or a 100-byte file would have us allocate and clear hundreds of MiB.
bool chunksFit(const unsigned char* data, std::size_t size, const Claim& claim) {
    std::size_t at = 8;
    std::uint64_t imageData = 0;
    while (size - at >= 12) {
        const std::size_t length = png_get_uint_32(data + at);
        if (length > PNG_UINT_31_MAX || length > size - at - 12) return false;
        if (std::memcmp(data + at + 4, "IDAT", 4) == 0) imageData += length;
        if (std::memcmp(data + at + 4, "IEND", 4) == 0) {
            const std::uint64_t pixelBytes = claim.width * claim.height * claim.bitsPerPixel / 8;
            return imageData * kMaxDeflateRatio >= pixelBytes;
        }
        at += 12 + length;
    }
    return false;
}

[[noreturn]] void failed(const PngReader& reader) {
    if (reader.truncated) throw base::Error(messages::pngTruncated());
    throw base::Error(messages::pngDamaged(QString::fromLocal8Bit(reader.message)));
}

}  // namespace

QImage decodePng(const QByteArray& data) {
    PngReader reader;
    reader.data = reinterpret_cast<const unsigned char*>(data.constData());
    reader.size = static_cast<std::size_t>(data.size());
    if (reader.size < 8 || png_sig_cmp(reader.data, 0, 8) != 0) throw base::Error(messages::pngNotPng());
    const Claim claim = headerClaim(reader.data, reader.size);
    if (claim.found)
        base::checkSize(static_cast<std::int64_t>(claim.width), static_cast<std::int64_t>(claim.height));
    if (!chunksFit(reader.data, reader.size, claim)) throw base::Error(messages::pngTruncated());
    reader.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &reader, onError, onWarning);
    if (reader.png) reader.info = png_create_info_struct(reader.png);
    if (!reader.png || !reader.info) throw base::Error(messages::outOfMemory());

    PngLayout layout;
    if (!readHeader(reader, layout)) failed(reader);
    base::checkSize(layout.width, layout.height);
    const int width = static_cast<int>(layout.width), height = static_cast<int>(layout.height);
    QImage image(width, height, QImage::Format_BGR888);
    if (image.isNull()) throw base::Error(messages::outOfMemory());
    std::uint8_t* first = image.scanLine(0);
    const qsizetype stride = image.bytesPerLine();

    bool ok = false;
    if (layout.channels == 3) {
        std::vector<png_bytep> rows(layout.height);
        for (int y = 0; y < height; ++y) rows[y] = first + stride * y;
        ok = readAll(reader, rows.data());
    } else if (layout.passes == 1) {
        std::vector<std::uint8_t> scratch(std::size_t{4} * layout.width);
        ok = readRowsDroppingAlpha(reader, first, stride, scratch.data(), layout.width, layout.height);
    } else {
        // Interlaced passes revisit every row, so the whole picture with alpha is held first.
        const std::size_t rowBytes = std::size_t{4} * layout.width;
        std::vector<std::uint8_t> whole(rowBytes * layout.height);
        std::vector<png_bytep> rows(layout.height);
        for (std::size_t y = 0; y < layout.height; ++y) rows[y] = whole.data() + rowBytes * y;
        ok = readAll(reader, rows.data());
        if (ok)
            for (int y = 0; y < height; ++y) dropAlpha(rows[y], first + stride * y, layout.width);
    }
    if (!ok) failed(reader);
    return image;
}

}  // namespace codecs::detail
