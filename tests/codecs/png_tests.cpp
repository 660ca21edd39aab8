#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include <QBuffer>

#include <png.h>

#include "base/image.h"
#include "codec_test_util.h"
#include "codecs/codecs.h"

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

QByteArray libpngRgba(int w, int h, const std::vector<std::uint8_t>& rgba, bool interlaced) {
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
    png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), 8, PNG_COLOR_TYPE_RGBA,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_bytep> rows(static_cast<size_t>(h));
    for (int y = 0; y < h; ++y) rows[y] = const_cast<png_bytep>(rgba.data() + 4 * static_cast<size_t>(w) * y);
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
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

// The file libpng writes when it chooses every row's filter itself, as our writer once let it.
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

struct FilterCase {
    const char* name;
    int w, h;
    int pattern;  // 0 noise, 1 smooth ramps, 2 flat bands, 3 ramps with noise near 0 and 255
};

class PngFilters : public testing::TestWithParam<FilterCase> {};

// Our choice of filter for each row is libpng's own: the files are the same to the byte. Noise
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
    const QByteArray ours = codecs::encode(picture, Format::Png);
    ASSERT_EQ(ours.size(), theirs.size());
    EXPECT_TRUE(ours == theirs);
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
        ASSERT_TRUE(codecs::encode(picture, Format::Png) == theirs)
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

}  // namespace
