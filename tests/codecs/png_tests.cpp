#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <png.h>
#include <zlib.h>

#include "base/error.h"
#include "base/image.h"
#include "base/parallel.h"
#include "codec_test_util.h"
#include "codecs/codecs.h"
#include "codecs/rows.h"

using base::rgb;
using codecs::Format;

namespace {

QByteArray qtPng(const QImage& picture) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "png");
    return bytes;
}

TEST(PngRead, AlphaIsDrawnOverBlack) {
    QImage picture(4, 1, QImage::Format_ARGB32);
    picture.setPixel(0, 0, qRgba(200, 100, 50, 128));
    picture.setPixel(1, 0, qRgba(200, 100, 50, 0));
    picture.setPixel(2, 0, qRgba(200, 100, 50, 255));
    picture.setPixel(3, 0, qRgba(255, 1, 254, 1));
    const QImage read = codecs::decode(qtPng(picture), Format::Png);
    EXPECT_EQ(base::pixelAt(read, 0, 0), rgb(100, 50, 25));  // 200·128/255 = 100.4, 100·128/255 = 50.2 ...
    EXPECT_EQ(base::pixelAt(read, 1, 0), rgb(0, 0, 0));
    EXPECT_EQ(base::pixelAt(read, 2, 0), rgb(200, 100, 50));
    EXPECT_EQ(base::pixelAt(read, 3, 0), rgb(1, 0, 1));
}

// The same rule as the rest of the program uses for pictures with alpha (clipboard, drops).
TEST(PngRead, AlphaAgreesWithBaseToBgr) {
    QImage picture(64, 4, QImage::Format_ARGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 64; ++x)
            picture.setPixel(x, y, qRgba(x * 4, 255 - x * 3, y * 60, (x * 17 + y * 5) & 255));
    const QByteArray bytes = qtPng(picture);
    EXPECT_TRUE(
        codectest::sameBgr(codecs::decode(bytes, Format::Png), base::toBgr(QImage::fromData(bytes, "png"))));
}

TEST(PngRead, SixteenBitSamplesAreScaledToEight) {
    QImage picture(3, 1, QImage::Format_RGBX64);
    picture.setPixelColor(0, 0, QColor::fromRgba64(0x1234, 0xFFFF, 0x8080));
    picture.setPixelColor(1, 0, QColor::fromRgba64(0, 0x00FF, 0x0081));
    picture.setPixelColor(2, 0, QColor::fromRgba64(0x7F7F, 0x8000, 0xFEFF));
    const QByteArray bytes = qtPng(picture);
    ASSERT_EQ(static_cast<uchar>(bytes[24]), 16);  // bit depth in IHDR
    const QImage read = codecs::decode(bytes, Format::Png);
    // v · 255 / 65535 rounded: 0x1234 → 18.13, 0x8080 → 128.0, 0x00FF → 0.99, 0x0081 → 0.50
    EXPECT_EQ(base::pixelAt(read, 0, 0), rgb(18, 255, 128));
    EXPECT_EQ(base::pixelAt(read, 1, 0), rgb(0, 1, 1));
    EXPECT_EQ(base::pixelAt(read, 2, 0), rgb(127, 128, 254));
}

// A PNG written by libpng from rows of stored samples (`rowBytes` each), with a palette, a
// tRNS chunk and a profile when given.
struct LibpngFile {
    int w = 1, h = 1, colourType = PNG_COLOR_TYPE_RGB_ALPHA, depth = 8;
    bool interlaced = false;
    std::vector<std::uint8_t> samples;
    std::vector<png_color> palette;
    std::vector<std::uint8_t> alphas;  // palette entries' alpha
    bool transparentColour = false;    // a tRNS colour for grey and RGB pictures
    QByteArray profile;
};

QByteArray libpngWrite(const LibpngFile& f) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    QByteArray out;
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, size_t n) {
            static_cast<QByteArray*>(png_get_io_ptr(p))
                ->append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(n));
        },
        nullptr);
    png_set_IHDR(png, info, static_cast<png_uint_32>(f.w), static_cast<png_uint_32>(f.h), f.depth,
                 f.colourType, f.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!f.palette.empty()) png_set_PLTE(png, info, f.palette.data(), static_cast<int>(f.palette.size()));
    if (!f.alphas.empty())
        png_set_tRNS(png, info, f.alphas.data(), static_cast<int>(f.alphas.size()), nullptr);
    if (f.transparentColour) {
        png_color_16 colour{0, 1, 1, 1, 1};
        png_set_tRNS(png, info, nullptr, 0, &colour);
    }
    if (!f.profile.isEmpty())
        png_set_iCCP(png, info, "p", 0, reinterpret_cast<png_const_bytep>(f.profile.constData()),
                     static_cast<png_uint_32>(f.profile.size()));
    png_write_info(png, info);
    const std::size_t rowBytes = f.samples.size() / static_cast<std::size_t>(f.h);
    std::vector<png_bytep> rows(static_cast<size_t>(f.h));
    for (int y = 0; y < f.h; ++y) rows[y] = const_cast<png_bytep>(f.samples.data() + rowBytes * y);
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

QByteArray libpngRgba(int w, int h, const std::vector<std::uint8_t>& rgba, bool interlaced) {
    LibpngFile f;
    f.w = w;
    f.h = h;
    f.interlaced = interlaced;
    f.samples = rgba;
    return libpngWrite(f);
}

// Interlaced pictures are put together pass by pass: every colour type, depth, transparency and
// profile, at sizes where some passes are empty, gives the pixels the same picture stored
// without interlacing gives.
TEST(PngRead, InterlacedPicturesOfEveryKindMatchTheSamePixelsNotInterlaced) {
    std::mt19937 random(2812);
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const int types[] = {PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_PALETTE,
                         PNG_COLOR_TYPE_GRAY_ALPHA, PNG_COLOR_TYPE_RGB_ALPHA};
    for (int round = 0; round < 60; ++round) {
        LibpngFile f;
        f.w = 1 + pick(19);
        f.h = 1 + pick(19);
        f.colourType = types[round % 5];
        const int channels = f.colourType == PNG_COLOR_TYPE_RGB          ? 3
                             : f.colourType == PNG_COLOR_TYPE_RGB_ALPHA  ? 4
                             : f.colourType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                                                         : 1;
        const bool lowDepths = f.colourType == PNG_COLOR_TYPE_GRAY || f.colourType == PNG_COLOR_TYPE_PALETTE;
        const int depths[] = {1, 2, 4, 8, 16};
        f.depth = lowDepths ? depths[pick(f.colourType == PNG_COLOR_TYPE_PALETTE ? 4 : 5)] : 8 << pick(2);
        const std::size_t rowBytes = (std::size_t(f.w) * channels * f.depth + 7) / 8;
        f.samples.resize(rowBytes * f.h);
        for (auto& b : f.samples) b = static_cast<std::uint8_t>(random());
        if (f.colourType == PNG_COLOR_TYPE_PALETTE) {
            f.palette.resize(std::size_t{1} << f.depth);  // every index the depth can hold is inside
            for (auto& c : f.palette)
                c = {static_cast<png_byte>(random()), static_cast<png_byte>(random()),
                     static_cast<png_byte>(random())};
            if (pick(2)) f.alphas.resize(1 + pick(static_cast<int>(f.palette.size())), 0x40);
        } else if (channels < 3 && channels != 2) {
            f.transparentColour = pick(2) == 1;
        }
        if (pick(2))
            f.profile =
                (f.colourType & PNG_COLOR_MASK_COLOR) ? codectest::displayP3() : codectest::greyProfile();
        const QImage flat = codecs::decode(libpngWrite(f), Format::Png);
        f.interlaced = true;
        const QImage interlaced = codecs::decode(libpngWrite(f), Format::Png);
        ASSERT_EQ(flat.size(), QSize(f.w, f.h));
        EXPECT_TRUE(codectest::sameBgr(flat, interlaced))
            << "round " << round << ": type " << f.colourType << ", depth " << f.depth << ", " << f.w << " × "
            << f.h;
    }
}

TEST(PngRead, InterlacedWithAlphaMatchesTheSamePixelsNotInterlaced) {
    const int w = 19, h = 13;
    std::vector<std::uint8_t> rgba;
    for (int i = 0; i < w * h; ++i)
        rgba.insert(rgba.end(), {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i * 7),
                                 static_cast<std::uint8_t>(255 - i), static_cast<std::uint8_t>(i * 31)});
    const QImage flat = codecs::decode(libpngRgba(w, h, rgba, false), Format::Png);
    const QImage interlaced = codecs::decode(libpngRgba(w, h, rgba, true), Format::Png);
    EXPECT_TRUE(codectest::sameBgr(flat, interlaced));
    EXPECT_EQ(base::pixelAt(flat, 1, 0), rgb(0, 1, 31));  // (1, 7, 254) · 31/255 = 0.12, 0.85, 30.9
}

TEST(PngRead, DamagedDataKeepsLibpngsReason) {
    QByteArray bytes = codecs::encode(codectest::pattern(8, 8), Format::Png);
    bytes[30] = static_cast<char>(bytes[30] ^ 0xFF);  // the header chunk's CRC
    EXPECT_EQ(codectest::errorOf([&] { codecs::decode(bytes, Format::Png); }),
              QStringLiteral("画像を読めません: PNG ファイルが壊れています (IHDR: CRC error)"));
}

// libpng reads an index beyond the palette as black; it is refused as the BMP and GIF readers
// refuse it, whichever way the rows are read.
TEST(PngRead, AnIndexBeyondThePaletteIsRefused) {
    struct Case {
        std::vector<int> indices;
        int depth, colours;
        bool interlaced, alpha;
        int highest;  // beyond the palette; -1: every index inside it
    };
    const Case cases[] = {
        {{0, 1, 5, 1}, 8, 2, false, false, 5},   {{0, 1, 1, 255}, 8, 2, false, true, 255},
        {{0, 3, 1, 2}, 8, 3, true, false, 3},    {{0, 1, 2, 9}, 8, 4, true, true, 9},
        {{0, 15, 1, 0}, 4, 2, false, false, 15}, {{0, 1, 2, 3}, 8, 4, true, true, -1},
        {{0, 1, 1, 0}, 4, 2, false, false, -1},
    };
    for (const Case& c : cases) {
        const QByteArray file = codectest::palettePng(c.indices, c.depth, c.colours, c.interlaced, c.alpha);
        const QString error = codectest::errorOf([&] { codecs::decode(file, Format::Png); });
        if (c.highest < 0)
            EXPECT_EQ(error, QStringLiteral("no error")) << c.colours;
        else
            EXPECT_EQ(error, QStringLiteral("画像を読めません: PNG ファイルが壊れています (色番号 %1 が %2 "
                                            "色のパレットの外にあります)")
                                 .arg(c.highest)
                                 .arg(c.colours));
    }
}

// libpng keeps the first profile it accepts: with a damaged first iCCP chunk, the second stood.
TEST(PngRead, OfTwoProfilesTheFirstStands) {
    const QImage orange = base::makeBgr(2, 2, rgb(128, 64, 32));
    const QByteArray bare = codectest::pngWithoutSrgb(orange);
    auto pixel = [&](const QByteArray& first, const QByteArray& second) {
        const QByteArray file = codectest::withPngChunk(
            codectest::withPngChunk(bare, codectest::iccpChunk(first)), codectest::iccpChunk(second));
        return base::pixelAt(codecs::decode(file, Format::Png), 1, 1);
    };
    const QByteArray p3 = codectest::displayP3();
    const base::Colour p3Orange = base::pixelAt(
        codecs::decode(codectest::withPngChunk(bare, codectest::iccpChunk(p3)), Format::Png), 1, 1);
    ASSERT_NE(p3Orange, rgb(128, 64, 32));
    EXPECT_EQ(pixel(QByteArray(600, 'x'), p3), rgb(128, 64, 32));
    EXPECT_EQ(pixel(codectest::greyProfile(), p3), rgb(128, 64, 32));
    EXPECT_EQ(pixel(p3, codectest::greyProfile()), p3Orange);
    EXPECT_EQ(pixel(p3, QByteArray(600, 'x')), p3Orange);
}

TEST(PngWrite, TwentyFourBitIsRgbAndIndexedIsAPalettePng) {
    const QByteArray rgbFile = codecs::encode(codectest::pattern(5, 5), Format::Png);
    EXPECT_EQ(static_cast<uchar>(rgbFile[24]), 8);
    EXPECT_EQ(static_cast<uchar>(rgbFile[25]), 2);
    const QByteArray paletteFile = codecs::encode(codectest::indexed(5, 5, 7), Format::Png);
    EXPECT_EQ(static_cast<uchar>(paletteFile[25]), 3);
    const qsizetype plte = paletteFile.indexOf("PLTE");
    ASSERT_GT(plte, 0);
    EXPECT_EQ(paletteFile.mid(plte - 4, 4), codectest::bytesOf({0, 0, 0, 21}));  // 7 colours
}

}  // namespace

namespace {

// A chunk that claims more bytes than the file holds is refused before libpng allocates it.
TEST(PngRead, ChunkLongerThanTheFileIsRefusedUpFront) {
    QByteArray bytes = codecs::encode(codectest::pattern(4, 4), Format::Png);
    QByteArray chunk = codectest::bytesOf({0x3F, 0xFF, 0xFF, 0xFF});
    chunk.append("tEXtkey");
    bytes.insert(33, chunk);  // right after IHDR
    EXPECT_EQ(codectest::errorOf([&] { codecs::decode(bytes, Format::Png); }),
              QStringLiteral("画像を読めません: PNG ファイルが途中で切れています"));
}

TEST(PngRead, BytesAfterTheEndChunkAreIgnored) {
    const QImage picture = codectest::pattern(4, 4);
    const QByteArray bytes = codecs::encode(picture, Format::Png) + QByteArray("trailing junk");
    EXPECT_TRUE(codectest::sameBgr(codecs::decode(bytes, Format::Png), picture));
}

}  // namespace

namespace {

void append(png_structp png, png_bytep bytes, std::size_t n) {
    static_cast<QByteArray*>(png_get_io_ptr(png))
        ->append(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(n));
}
void noFlush(png_structp) {}

// The file libpng writes when it chooses every row's filter itself: what our choice must match.
QByteArray libpngChoosing(const QImage& bgr) {
    QByteArray out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, append, noFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(bgr.width()), static_cast<png_uint_32>(bgr.height()), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_sRGB(png, info, PNG_sRGB_INTENT_PERCEPTUAL);  // as ours says its pictures are sRGB
    png_write_info(png, info);
    png_set_bgr(png);
    for (int y = 0; y < bgr.height(); ++y) png_write_row(png, bgr.constScanLine(y));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

// The zlib data of every IDAT chunk, inflated: the filtered rows.
std::vector<std::uint8_t> inflatedRows(const QByteArray& png, std::size_t expected) {
    QByteArray deflated;
    for (qsizetype at = 8; at + 12 <= png.size();) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(png.constData() + at);
        const qsizetype length = (qsizetype{p[0]} << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
        if (png.mid(at + 4, 4) == "IDAT") deflated.append(png.mid(at + 8, length));
        at += 12 + length;
    }
    std::vector<std::uint8_t> rows(expected + 1);
    uLongf size = static_cast<uLongf>(rows.size());
    const int result = uncompress(rows.data(), &size, reinterpret_cast<const Bytef*>(deflated.constData()),
                                  static_cast<uLong>(deflated.size()));
    EXPECT_EQ(result, Z_OK);
    rows.resize(size);
    return rows;
}

// The file's bytes with the IDAT chunks' left out, one mark where they were: what must match where
// only the deflate data may differ.
QByteArray chunksButIdat(const QByteArray& png) {
    QByteArray kept = png.left(8);
    for (qsizetype at = 8; at + 12 <= png.size();) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(png.constData() + at);
        const qsizetype length = (qsizetype{p[0]} << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
        if (png.mid(at + 4, 4) != "IDAT")
            kept.append(png.mid(at, 12 + length));
        else if (!kept.endsWith("IDAT"))
            kept.append("IDAT");
        at += 12 + length;
    }
    return kept;
}

// The same chunks as libpng writes and the same filtered rows; the deflate data may differ.
testing::AssertionResult sameButDeflate(const QByteArray& ours, const QByteArray& theirs,
                                        const QImage& picture) {
    if (chunksButIdat(ours) != chunksButIdat(theirs)) return testing::AssertionFailure() << "chunks differ";
    const std::size_t filtered = static_cast<std::size_t>(picture.height()) * (3 * picture.width() + 1);
    if (inflatedRows(ours, filtered) != inflatedRows(theirs, filtered))
        return testing::AssertionFailure() << "filtered rows differ";
    return testing::AssertionSuccess();
}

struct FilterCase {
    const char* name;
    int w, h;
    int pattern;  // 0 noise, 1 smooth ramps, 2 flat bands, 3 ramps with noise near 0 and 255
};

class PngFilters : public testing::TestWithParam<FilterCase> {};

// Our choice of filter for each row is libpng's own: the files differ only in their deflate data. Noise
// favours no filter, ramps sub, up and Paeth; flat bands tie, and the first filter tried must win;
// values near 0 and 255 wrap in every filter; odd widths leave a tail shorter than a vector.
TEST_P(PngFilters, ChosenAsLibpngChoosesThem) {
    const FilterCase& c = GetParam();
    std::mt19937 random(static_cast<unsigned>(c.w * 7 + c.h));
    QImage picture = base::makeBgr(c.w, c.h);
    for (int y = 0; y < c.h; ++y) {
        std::uint8_t* row = picture.scanLine(y);
        for (int i = 0; i < 3 * c.w; ++i) {
            const int x = i / 3, noise = static_cast<int>(random() % 256);
            int v = 0;
            switch (c.pattern) {
                case 0:
                    v = noise;
                    break;
                case 1:
                    v = (i % 3 == 0 ? 2 * x + y : i % 3 == 1 ? 3 * y - x : x * y / 7) & 255;
                    break;
                case 2:
                    v = ((y / 3) * 40 + (x / 5) * 17 * (i % 3)) & 255;
                    break;
                default:
                    v = (noise < 128 ? noise % 9 : 255 - noise % 9) + (y % 4 == 0 ? x : 0);
                    break;
            }
            row[i] = static_cast<std::uint8_t>(v);
        }
    }
    const QByteArray theirs = libpngChoosing(picture);
    ASSERT_FALSE(theirs.isEmpty());
    EXPECT_TRUE(sameButDeflate(codecs::encode(picture, Format::Png), theirs, picture));
}

// Small pictures of a few levels, where sums tie and race closely: the first filter tried must
// win a tie, and the average must round down as libpng's does.
TEST(PngFilterRaces, ChosenAsLibpngChoosesThem) {
    std::mt19937 random(4711);
    for (int i = 0; i < 400; ++i) {
        const int w = 2 + static_cast<int>(random() % 30), h = 2 + static_cast<int>(random() % 5);
        int levels[3];
        for (int& l : levels) l = static_cast<int>(random() % 256);
        QImage picture = base::makeBgr(w, h);
        const bool flat = i % 10 == 0;  // one colour: all but "none" give zero
        for (int y = 0; y < h; ++y)
            for (int b = 0; b < 3 * w; ++b)
                picture.scanLine(y)[b] =
                    static_cast<std::uint8_t>(flat ? levels[b % 3] : levels[random() % 3]);
        const QByteArray theirs = libpngChoosing(picture);
        ASSERT_FALSE(theirs.isEmpty());
        ASSERT_TRUE(sameButDeflate(codecs::encode(picture, Format::Png), theirs, picture))
            << "picture " << i << ", " << w << " x " << h;
    }
}

INSTANTIATE_TEST_SUITE_P(Pictures, PngFilters,
                         testing::Values(FilterCase{"Noise", 300, 40, 0}, FilterCase{"Ramps", 257, 64, 1},
                                         FilterCase{"FlatBands", 200, 30, 2},
                                         FilterCase{"Extremes", 123, 50, 3}, FilterCase{"TwoByTwo", 2, 2, 3},
                                         FilterCase{"OddTail", 7, 5, 1}, FilterCase{"OneWide", 1, 20, 1},
                                         FilterCase{"OneHigh", 40, 1, 3}),
                         [](const testing::TestParamInfo<FilterCase>& row) {
                             return std::string(row.param.name);
                         });

// Big pictures are compressed in bands side by side and joined into one zlib stream.

// libpng's own reading of the file, as 8-bit RGB.
std::vector<std::uint8_t> libpngPixels(const QByteArray& png, int& w, int& h) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, png.constData(), static_cast<std::size_t>(png.size())))
        return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return {};
    w = static_cast<int>(image.width);
    h = static_cast<int>(image.height);
    return pixels;
}

// pngcheck's exit code for the file (it prints what is wrong), -1 when it did not run. Started
// with posix_spawn: QProcess starts its child in the parent's memory in a way ThreadSanitizer does
// not follow, which left it blind to the locks of threads started after.
int pngcheck(const QByteArray& png) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("banded.png"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(png) != png.size()) return -2;
    file.close();
    QByteArray name("pngcheck"), quiet("-q"), local = path.toLocal8Bit();
    char* argv[] = {name.data(), quiet.data(), local.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "pngcheck", nullptr, nullptr, argv, environ) != 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

// Three bands of about 2 MiB, the last short; as many rows filtered as libpng filters them, so
// only the deflate blocks differ from libpng's file.
// Every pixel as libpng, our reader and pngcheck see the file.
void expectPicture(const QByteArray& png, const QImage& picture) {
    int w = 0, h = 0;
    const std::vector<std::uint8_t> pixels = libpngPixels(png, w, h);
    ASSERT_EQ(w, picture.width());
    ASSERT_EQ(h, picture.height());
    std::vector<std::uint8_t> expected;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int ch = 2; ch >= 0; --ch) expected.push_back(picture.constScanLine(y)[3 * x + ch]);
    EXPECT_TRUE(pixels == expected);
    EXPECT_EQ(pngcheck(png), 0);
    EXPECT_TRUE(codectest::sameBgr(codecs::decode(png, Format::Png), picture));
}

TEST(PngBands, SameRowsAndPixelsAsLibpngOnAnyWorkerCount) {
    std::mt19937 random(2024);
    QImage picture = base::makeBgr(1001, 1500);
    for (int y = 0; y < picture.height(); ++y)
        for (int i = 0; i < 3 * picture.width(); ++i)
            picture.scanLine(y)[i] = static_cast<std::uint8_t>(y % 4 ? random() : (i / 3 + y * (i % 3)) / 3);
    QByteArray one;
    {
        const base::ScopedWorkerCount workers(1);
        one = codecs::encode(picture, Format::Png);
    }
    for (int workers : {2, 5}) {
        const base::ScopedWorkerCount count(workers);
        EXPECT_TRUE(codecs::encode(picture, Format::Png) == one) << workers << " workers";
    }
    const QByteArray theirs = libpngChoosing(picture);
    EXPECT_TRUE(sameButDeflate(one, theirs, picture));
    // The bands at libdeflate's level are no bigger than zlib's one stream at its default level.
    EXPECT_LE(one.size(), theirs.size());

    expectPicture(one, picture);
}

// Rows of smooth ramps with a row of noise in every four, from a small linear congruential
// generator so that any tool can make the same picture.
QImage rampsAndNoise(int w, int h) {
    QImage picture = base::makeBgr(w, h);
    std::uint32_t state = 1;
    for (int y = 0; y < h; ++y)
        for (int i = 0; i < 3 * w; ++i) {
            state = (state * 1103515245u + 12345u) & 0x7FFFFFFFu;
            picture.scanLine(y)[i] =
                static_cast<std::uint8_t>(y % 4 == 0 ? state >> 16 : (i / 3 + 2 * y) * (1 + i % 3) / 4);
        }
    return picture;
}

// The banded file's bytes stay as they were: four bands, the last short, at one worker and at
// three. (The file is the one the writer gave with Debian 12's libdeflate when its bands first went
// to libdeflate; another version of the library may deflate differently.)
TEST(PngBands, BytesOfABandedFileArePinned) {
    constexpr qsizetype kPinnedSize = 2080265;
    constexpr uLong kPinnedCrc = 1046187720;
    const QImage picture = rampsAndNoise(1501, 1800);
    for (int workers : {1, 3}) {
        const base::ScopedWorkerCount count(workers);
        const QByteArray png = codecs::encode(picture, Format::Png);
        EXPECT_EQ(png.size(), kPinnedSize) << workers << " workers";
        EXPECT_EQ(crc32(0, reinterpret_cast<const Bytef*>(png.constData()), static_cast<uInt>(png.size())),
                  kPinnedCrc)
            << workers << " workers";
    }
}

TEST(PngBands, PalettePicturesDecodeToTheSameIndexes) {
    const QImage picture = codectest::indexed(2003, 2600, 200);
    QByteArray one;
    {
        const base::ScopedWorkerCount workers(1);
        one = codecs::encode(picture, Format::Png);
    }
    const base::ScopedWorkerCount workers(3);
    const QByteArray many = codecs::encode(picture, Format::Png);
    EXPECT_TRUE(many == one);
    EXPECT_EQ(pngcheck(many), 0);
    int w = 0, h = 0;
    const std::vector<std::uint8_t> pixels = libpngPixels(many, w, h);
    ASSERT_EQ(w, picture.width());
    ASSERT_EQ(h, picture.height());
    for (int y = 0; y < h; y += 7)
        for (int x = 0; x < w; x += 3) {
            const std::uint8_t* p = pixels.data() + 3 * (static_cast<std::size_t>(y) * w + x);
            ASSERT_EQ(qRgb(p[0], p[1], p[2]), picture.pixel(x, y)) << x << ", " << y;
        }
}

// A picture in the writer's format fed to a row writer in bands cut where `cuts` says (each the
// first row of a call after the first).
QByteArray writtenInCuts(const QImage& picture, const std::vector<int>& cuts) {
    const std::unique_ptr<codecs::RowWriter> writer = codecs::rowWriter(Format::Png, picture.size());
    int first = 0;
    std::vector<int> ends = cuts;
    ends.push_back(picture.height());
    for (int end : ends) {
        writer->write(picture.constScanLine(first), picture.bytesPerLine(), first, end - first);
        first = end;
    }
    return writer->finish().toByteArray();
}

// Two bands of 698 rows at this width, the second ending with the picture. The first is noise,
// which deflate stores as it is, the second smooth; the file is the same however the rows
// are cut into calls and on any number of workers.
TEST(PngBands, SameBytesHoweverTheRowsArriveAndOnAnyWorkerCount) {
    std::mt19937 random(77);
    QImage picture = base::makeBgr(1000, 2 * 698);
    for (int y = 0; y < picture.height(); ++y)
        for (int i = 0; i < 3 * picture.width(); ++i)
            picture.scanLine(y)[i] =
                static_cast<std::uint8_t>(y < 698 ? random() : (i / 3 + y * (i % 3)) / 5);
    QByteArray whole;
    {
        const base::ScopedWorkerCount workers(1);
        whole = codecs::encode(picture, Format::Png);
    }
    expectPicture(whole, picture);
    EXPECT_TRUE(sameButDeflate(whole, libpngChoosing(picture), picture));
    std::vector<int> everyRow;
    for (int y = 1; y < picture.height(); ++y) everyRow.push_back(y);
    for (int workers : {1, 2, 64}) {
        const base::ScopedWorkerCount count(workers, true);
        EXPECT_TRUE(codecs::encode(picture, Format::Png) == whole) << workers << " workers";
        EXPECT_TRUE(writtenInCuts(picture, {}) == whole) << workers << " workers, one call";
        EXPECT_TRUE(writtenInCuts(picture, everyRow) == whole) << workers << " workers, a row a call";
        std::vector<int> cuts;
        for (int y = static_cast<int>(random() % 300); y < picture.height();
             y += 1 + static_cast<int>(random() % 300))
            if (y > 0) cuts.push_back(y);
        EXPECT_TRUE(writtenInCuts(picture, cuts) == whole)
            << workers << " workers, " << cuts.size() << " cuts";
    }
}

// Pictures of one band or less, one pixel wide or high among them, of a few bands with a short
// last one, and of one colour: cut at random and written on a random number of workers, the file
// is the one the whole picture gives and holds the picture.
TEST(PngBands, SmallAndOddPicturesWrittenInRandomCuts) {
    std::mt19937 random(5150);
    const QSize sizes[] = {{1, 1},     {1, 3000},  {37, 11},     {2000, 1},   {7, 5},
                           {300, 200}, {1, 65535}, {100, 20000}, {2500, 700}, {700, 2000}};
    for (const QSize size : sizes) {
        QImage picture = base::makeBgr(size.width(), size.height());
        for (int y = 0; y < size.height(); ++y)
            for (int i = 0; i < 3 * size.width(); ++i)
                picture.scanLine(y)[i] = static_cast<std::uint8_t>(size.width() == 700 ? 90 + i % 3
                                                                   : y % 3             ? random() % 8
                                                                                       : (i + y) & 255);
        QByteArray whole;
        {
            const base::ScopedWorkerCount workers(1);
            whole = codecs::encode(picture, Format::Png);
        }
        expectPicture(whole, picture);
        const int workers[] = {1, 2, 64};
        const base::ScopedWorkerCount count(workers[random() % 3], true);
        std::vector<int> cuts;
        for (int y = 1; y < size.height(); y += 1 + static_cast<int>(random() % 5000))
            if (random() % 2) cuts.push_back(y);
        EXPECT_TRUE(writtenInCuts(picture, cuts) == whole) << size.width() << " x " << size.height();
    }
}

// Rows out of order or missing are refused, not written as a broken file.
TEST(PngBands, RowsOutOfOrderOrMissingAreRefused) {
    const QImage picture = rampsAndNoise(40, 30);
    const auto writer = codecs::rowWriter(Format::Png, picture.size());
    writer->write(picture.constScanLine(0), picture.bytesPerLine(), 0, 10);
    EXPECT_THROW(writer->write(picture.constScanLine(11), picture.bytesPerLine(), 11, 5), base::Error);
    EXPECT_THROW(writer->write(picture.constScanLine(10), picture.bytesPerLine(), 10, 21), base::Error);
    writer->write(picture.constScanLine(10), picture.bytesPerLine(), 10, 19);
    EXPECT_THROW(writer->finish(), base::Error);
}

}  // namespace
