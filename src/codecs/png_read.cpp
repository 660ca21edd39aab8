#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include <png.h>
#include <zlib.h>

#include "base/error.h"
#include "base/image.h"
#include "codecs/colour.h"
#include "codecs/messages.h"
#include "codecs/orientation.h"
#include "codecs/pixels.h"
#include "codecs/png.h"
#include "codecs/png_errors.h"

namespace codecs::detail {
namespace {

struct PngReader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    std::size_t position = 0;
    PngErrors errors;
    bool truncated = false;  // the data ended before libpng had what it asked for

    PngReader() = default;
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;
    ~PngReader() {
        if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    }
};

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
    int colourType = 0;  // as stored
    // A palette picture is read as its indices (channels 1) and drawn from this copy of the
    // palette: libpng would read an index beyond it as black without a word.
    int paletteSize = 0;
    bool paletteAlpha = false;           // a tRNS chunk gives the entries alpha
    std::uint8_t palette[256 * 4] = {};  // blue, green, red, alpha
};

// What the colour chunks say, as libpng checked them; the profile stays libpng's until the end.
struct PngColourChunks {
    bool srgb = false;
    png_bytep profile = nullptr;
    png_uint_32 profileSize = 0;
    bool haveGamma = false;
    png_fixed_point gamma = 0;
    bool haveChromaticities = false;
    png_fixed_point white[2] = {}, red[2] = {}, green[2] = {}, blue[2] = {};
};

void readColourChunks(png_structp png, png_infop info, PngColourChunks& c) {
    c.srgb = png_get_valid(png, info, PNG_INFO_sRGB) != 0;
    png_charp name = nullptr;
    int compression = 0;
    if (png_get_valid(png, info, PNG_INFO_iCCP))
        png_get_iCCP(png, info, &name, &compression, &c.profile, &c.profileSize);
    c.haveGamma = png_get_gAMA_fixed(png, info, &c.gamma) != 0;
    c.haveChromaticities = png_get_cHRM_fixed(png, info, &c.white[0], &c.white[1], &c.red[0], &c.red[1],
                                              &c.green[0], &c.green[1], &c.blue[0], &c.blue[1]) != 0;
}

// The setjmp functions hold no C++ object with a destructor: libpng's errors longjmp into them.

bool readHeader(PngReader& reader, PngLayout& layout, PngColourChunks& colour) {
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
    readColourChunks(png, reader.info, colour);
    int depth = 0, colourType = 0;
    png_get_IHDR(png, reader.info, &layout.width, &layout.height, &depth, &colourType, nullptr, nullptr,
                 nullptr);
    layout.colourType = colourType;
    const bool palette = colourType == PNG_COLOR_TYPE_PALETTE;
    if (palette) {
        png_colorp entries = nullptr;
        if (!png_get_PLTE(png, reader.info, &entries, &layout.paletteSize)) layout.paletteSize = 0;
        png_bytep alpha = nullptr;
        int alphas = 0;
        if (png_get_valid(png, reader.info, PNG_INFO_tRNS))
            png_get_tRNS(png, reader.info, &alpha, &alphas, nullptr);
        layout.paletteAlpha = alpha && alphas > 0;
        for (int i = 0; i < layout.paletteSize; ++i) {
            std::uint8_t* e = layout.palette + 4 * i;
            e[0] = entries[i].blue;
            e[1] = entries[i].green;
            e[2] = entries[i].red;
            e[3] = layout.paletteAlpha && i < alphas ? alpha[i] : 255;
        }
        png_set_packing(png);
    } else {
        png_set_scale_16(png);
        if (colourType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
        if (png_get_valid(png, reader.info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
        if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
            png_set_gray_to_rgb(png);
        png_set_bgr(png);
    }
    // Interlaced rows come pass by pass and are put in place here: libpng's own handling widens
    // every row of every pass to the full width and merges it, twice the work of the decoding.
    layout.passes = png_get_interlace_type(png, reader.info) == PNG_INTERLACE_ADAM7 ? 7 : 1;
    png_read_update_info(png, reader.info);
    layout.channels = png_get_channels(png, reader.info);
    if (png_get_bit_depth(png, reader.info) != 8 ||
        (palette ? layout.channels != 1 : layout.channels != 3 && layout.channels != 4))
        png_error(png, "unexpected sample layout");
    return true;
}

// The chunks after the image data are read too (an eXIf chunk may be there).
bool readAll(PngReader& reader, png_bytepp rows) {
    if (setjmp(png_jmpbuf(reader.png))) return false;
    png_read_image(reader.png, rows);
    png_read_end(reader.png, reader.info);
    return true;
}

// A non-interlaced picture with alpha, one row at a time through `scratch` (4 × width bytes);
// colours are converted before alpha is drawn over black.
bool readRowsDroppingAlpha(PngReader& reader, std::uint8_t* first, qsizetype stride, std::uint8_t* scratch,
                           png_uint_32 width, png_uint_32 height, const SrgbConversion* conversion) {
    if (setjmp(png_jmpbuf(reader.png))) return false;
    for (png_uint_32 y = 0; y < height; ++y) {
        png_read_row(reader.png, scratch, nullptr);
        if (conversion) conversion->convertRow(scratch, width);
        bgraOverBlack(scratch, first + stride * static_cast<qsizetype>(y), width);
    }
    png_read_end(reader.png, reader.info);
    return true;
}

// Each palette entry as it is drawn (converted, then over black when it has alpha); 0 past the end.
struct DrawnPalette {
    std::uint8_t bgr[256 * 3] = {};
    int size = 0;
};

DrawnPalette drawnPalette(PngLayout& layout, const SrgbConversion* conversion) {
    DrawnPalette drawn;
    drawn.size = layout.paletteSize;
    std::uint8_t* bgra = layout.palette;
    if (layout.paletteAlpha) {
        if (conversion) conversion->convertRow(bgra, 256);
        bgraOverBlack(bgra, drawn.bgr, 256);
        return drawn;
    }
    for (int i = 0; i < 256; ++i) std::memcpy(drawn.bgr + 3 * i, bgra + 4 * i, 3);
    if (conversion) conversion->convertRow(drawn.bgr, 256);
    return drawn;
}

// Draws a row of indices; returns the highest index met.
int drawIndexes(const std::uint8_t* indexes, std::uint8_t* bgr, png_uint_32 width,
                const DrawnPalette& palette) {
    int highest = 0;
    for (png_uint_32 x = 0; x < width; ++x, bgr += 3) {
        const int i = indexes[x];
        highest = std::max(highest, i);
        std::memcpy(bgr, palette.bgr + 3 * i, 3);
    }
    return highest;
}

// A non-interlaced palette picture, one row of indices at a time through `scratch` (width bytes).
bool readPaletteRows(PngReader& reader, std::uint8_t* first, qsizetype stride, std::uint8_t* scratch,
                     png_uint_32 width, png_uint_32 height, const DrawnPalette& palette, int& highest) {
    if (setjmp(png_jmpbuf(reader.png))) return false;
    for (png_uint_32 y = 0; y < height; ++y) {
        png_read_row(reader.png, scratch, nullptr);
        highest = std::max(highest,
                           drawIndexes(scratch, first + stride * static_cast<qsizetype>(y), width, palette));
    }
    png_read_end(reader.png, reader.info);
    return true;
}

// An interlaced picture: each pass's rows are made blue-green-red (converted, alpha drawn over
// black, palette entries looked up) and their pixels put where the pass places them.
struct PassRows {
    std::uint8_t* first = nullptr;  // the picture's rows
    qsizetype stride = 0;
    int channels = 3;  // of libpng's rows: 1 (palette indexes), 3 or 4
    const SrgbConversion* conversion = nullptr;
    const DrawnPalette* palette = nullptr;
    std::uint8_t* bgr = nullptr;  // 3 × width bytes, for rows that are not blue-green-red already
    int highest = 0;              // the highest palette index met

    void put(std::uint8_t* row, png_uint_32 y, png_uint_32 x0, png_uint_32 step, png_uint_32 count) {
        const std::uint8_t* pixels = row;
        if (palette) {
            highest = std::max(highest, drawIndexes(row, bgr, count, *palette));
            pixels = bgr;
        } else {
            if (conversion) conversion->convertRow(row, count);
            if (channels == 4) {
                bgraOverBlack(row, bgr, count);
                pixels = bgr;
            }
        }
        std::uint8_t* out = first + stride * static_cast<qsizetype>(y) + std::size_t{3} * x0;
        if (step == 1) {
            std::memcpy(out, pixels, std::size_t{3} * count);
            return;
        }
        for (png_uint_32 i = 0; i < count; ++i, out += std::size_t{3} * step, pixels += 3)
            std::memcpy(out, pixels, 3);
    }
};

bool readPasses(PngReader& reader, std::uint8_t* scratch, png_uint_32 width, png_uint_32 height,
                PassRows& rows) {
    if (setjmp(png_jmpbuf(reader.png))) return false;
    for (int pass = 0; pass < 7; ++pass) {
        const png_uint_32 count = PNG_PASS_COLS(width, pass), passRows = PNG_PASS_ROWS(height, pass);
        if (count == 0 || passRows == 0) continue;  // libpng skips an empty pass too
        for (png_uint_32 r = 0; r < passRows; ++r) {
            png_read_row(reader.png, scratch, nullptr);
            rows.put(scratch, PNG_PASS_START_ROW(pass) + (r << PNG_PASS_ROW_SHIFT(pass)),
                     PNG_PASS_START_COL(pass), png_uint_32{1} << PNG_PASS_COL_SHIFT(pass), count);
        }
    }
    png_read_end(reader.png, reader.info);
    return true;
}

double fromFixed(png_fixed_point v) {
    return v / 100000.0;
}

bool near(double a, double b, double tolerance) {
    return a > b - tolerance && a < b + tolerance;
}

// iCCP: the profile. sRGB chunk: nothing to do. gAMA/cHRM: a profile built from them, except that
// gAMA 1/2.2 with the sRGB primaries (or none) is what most programs write to mean sRGB, and is
// taken as sRGB, as browsers take it.
ColourSource colourOf(const PngColourChunks& c, int colourType) {
    ColourSource source;
    source.samples = (colourType & PNG_COLOR_MASK_COLOR) ? Samples::Rgb : Samples::Grey;
    if (c.profile && c.profileSize > 0) {
        source.iccProfile =
            QByteArray(reinterpret_cast<const char*>(c.profile), static_cast<qsizetype>(c.profileSize));
        return source;
    }
    if (c.srgb) return source;
    std::optional<Chromaticities> primaries;
    if (c.haveChromaticities)
        primaries = Chromaticities{fromFixed(c.white[0]), fromFixed(c.white[1]), fromFixed(c.red[0]),
                                   fromFixed(c.red[1]),   fromFixed(c.green[0]), fromFixed(c.green[1]),
                                   fromFixed(c.blue[0]),  fromFixed(c.blue[1])};
    const Chromaticities srgb{0.3127, 0.3290, 0.64, 0.33, 0.30, 0.60, 0.15, 0.06};
    const bool srgbPrimaries =
        !primaries ||
        (near(primaries->whiteX, srgb.whiteX, 0.01) && near(primaries->whiteY, srgb.whiteY, 0.01) &&
         near(primaries->redX, srgb.redX, 0.01) && near(primaries->redY, srgb.redY, 0.01) &&
         near(primaries->greenX, srgb.greenX, 0.01) && near(primaries->greenY, srgb.greenY, 0.01) &&
         near(primaries->blueX, srgb.blueX, 0.01) && near(primaries->blueY, srgb.blueY, 0.01));
    const bool srgbGamma = !c.haveGamma || near(fromFixed(c.gamma), 1 / 2.2, 0.01);
    if (srgbPrimaries && srgbGamma) return source;
    if (!srgbPrimaries) source.primaries = primaries;
    if (c.haveGamma && !srgbGamma) {
        source.transfer = Transfer::Power;
        source.encodingGamma = fromFixed(c.gamma);
    } else {
        source.transfer = Transfer::Srgb;
    }
    return source;
}

int orientationOf(png_structp png, png_infop info) {
    png_uint_32 size = 0;
    png_bytep exif = nullptr;
    if (!png_get_eXIf_1(png, info, &size, &exif) || !exif || size == 0) return 1;
    return exifOrientation(QByteArray(reinterpret_cast<const char*>(exif), static_cast<qsizetype>(size)));
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

// The profile of the first iCCP chunk when there are several: libpng keeps the first profile it
// accepts, so a damaged first chunk would let a later one stand. Nothing when there are fewer than
// two; empty when the first cannot be inflated (the picture is then taken as sRGB).
std::optional<QByteArray> firstOfSeveralProfiles(const unsigned char* data, std::size_t size) {
    std::size_t at = 8, first = 0;
    int count = 0;
    while (size - at >= 12) {  // chunksFit() has checked every length
        const std::size_t length = png_get_uint_32(data + at);
        if (std::memcmp(data + at + 4, "IDAT", 4) == 0 || std::memcmp(data + at + 4, "IEND", 4) == 0) break;
        if (std::memcmp(data + at + 4, "iCCP", 4) == 0 && count++ == 0) first = at;
        at += 12 + length;
    }
    if (count < 2) return std::nullopt;
    const unsigned char* chunk = data + first + 8;
    const std::size_t length = png_get_uint_32(data + first);
    // A name of 1 to 79 bytes, its end, the method (0: deflate), the compressed profile.
    const auto* end =
        static_cast<const unsigned char*>(std::memchr(chunk, 0, std::min<std::size_t>(length, 80)));
    if (!end || end == chunk || static_cast<std::size_t>(end - chunk) + 2 > length || end[1] != 0)
        return QByteArray();
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return QByteArray();
    z.next_in = const_cast<Bytef*>(end + 2);
    z.avail_in = static_cast<uInt>(length - static_cast<std::size_t>(end - chunk) - 2);
    QByteArray profile;
    int status = Z_OK;
    while (status == Z_OK && profile.size() < kMaxProfileBytes) {
        const qsizetype had = profile.size();
        profile.resize(std::min<qsizetype>(had + (qsizetype{64} << 10), kMaxProfileBytes));
        z.next_out = reinterpret_cast<Bytef*>(profile.data() + had);
        z.avail_out = static_cast<uInt>(profile.size() - had);
        status = inflate(&z, Z_NO_FLUSH);
        profile.resize(profile.size() - static_cast<qsizetype>(z.avail_out));
    }
    inflateEnd(&z);
    return status == Z_STREAM_END ? profile : QByteArray();
}

[[noreturn]] void failed(const PngReader& reader) {
    if (reader.truncated) throw base::Error(messages::pngTruncated());
    throw base::Error(messages::pngDamaged(QString::fromLocal8Bit(reader.errors.message)));
}

}  // namespace

Decoded decodePng(const QByteArray& data) {
    PngReader reader;
    reader.data = reinterpret_cast<const unsigned char*>(data.constData());
    reader.size = static_cast<std::size_t>(data.size());
    if (reader.size < 8 || png_sig_cmp(reader.data, 0, 8) != 0) throw base::Error(messages::pngNotPng());
    const Claim claim = headerClaim(reader.data, reader.size);
    if (claim.found)
        base::checkSize(static_cast<std::int64_t>(claim.width), static_cast<std::int64_t>(claim.height));
    if (!chunksFit(reader.data, reader.size, claim)) throw base::Error(messages::pngTruncated());
    reader.png = createPngReader(reader.errors);
    if (reader.png) reader.info = png_create_info_struct(reader.png);
    if (!reader.png || !reader.info) throw base::Error(messages::outOfMemory());

    PngLayout layout;
    PngColourChunks chunks;
    if (!readHeader(reader, layout, chunks)) failed(reader);
    ColourSource colour = colourOf(chunks, layout.colourType);
    if (const auto first = firstOfSeveralProfiles(reader.data, reader.size)) {
        colour.iccProfile = *first;
        if (first->isEmpty()) colour = ColourSource();
    }
    const bool palette = layout.colourType == PNG_COLOR_TYPE_PALETTE;
    const auto conversion =
        SrgbConversion::make(colour, palette ? layout.paletteAlpha : layout.channels == 4);
    base::checkSize(layout.width, layout.height);
    const int width = static_cast<int>(layout.width), height = static_cast<int>(layout.height);
    QImage image = base::allocateBgr(width, height);
    std::uint8_t* first = image.scanLine(0);
    const qsizetype stride = image.bytesPerLine();

    bool ok = false;
    int highest = 0;
    if (layout.passes > 1) {
        DrawnPalette drawn;
        if (palette) drawn = drawnPalette(layout, conversion.get());
        std::vector<std::uint8_t> scratch(png_get_rowbytes(reader.png, reader.info));
        std::vector<std::uint8_t> bgr(std::size_t{3} * layout.width);
        PassRows rows;
        rows.first = first;
        rows.stride = stride;
        rows.channels = layout.channels;
        rows.conversion = conversion.get();
        rows.palette = palette ? &drawn : nullptr;
        rows.bgr = bgr.data();
        ok = readPasses(reader, scratch.data(), layout.width, layout.height, rows);
        highest = rows.highest;
    } else if (palette) {
        std::vector<std::uint8_t> scratch(layout.width);
        ok = readPaletteRows(reader, first, stride, scratch.data(), layout.width, layout.height,
                             drawnPalette(layout, conversion.get()), highest);
    } else if (layout.channels == 3) {
        std::vector<png_bytep> rows(layout.height);
        for (int y = 0; y < height; ++y) rows[y] = first + stride * y;
        ok = readAll(reader, rows.data());
        if (ok && conversion) conversion->convert(image);
    } else {
        std::vector<std::uint8_t> scratch(std::size_t{4} * layout.width);
        ok = readRowsDroppingAlpha(reader, first, stride, scratch.data(), layout.width, layout.height,
                                   conversion.get());
    }
    if (!ok) failed(reader);
    // As the BMP and GIF readers do.
    if (palette && highest >= layout.paletteSize)
        throw base::Error(messages::pngIndexOutsidePalette(highest, layout.paletteSize));
    Decoded decoded;
    decoded.picture = std::move(image);
    decoded.orientation = orientationOf(reader.png, reader.info);
    return decoded;
}

}  // namespace codecs::detail
