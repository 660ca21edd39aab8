#include <gtest/gtest.h>

#include <cstring>
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
              QStringLiteral("画像を読めません: IHDR: CRC error"));
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
