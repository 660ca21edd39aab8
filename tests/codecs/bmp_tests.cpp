#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

#include <QFileInfo>
#include <QTemporaryDir>

#include "base/image.h"
#include "codec_test_util.h"
#include "codecs/codecs.h"

using base::rgb;
using codecs::Format;
using codectest::errorOf;

namespace {

struct BmpLayout {
    std::int32_t width = 1;
    std::int32_t height = 1;
    int bitCount = 24;
    std::uint32_t compression = 0;
    std::vector<base::Colour> palette;
    std::vector<std::uint32_t> masks;  // red, green, blue after a 40-byte header
    QByteArray pixels;
};

QByteArray bmpFile(const BmpLayout& layout) {
    QByteArray out(54, '\0');
    out[0] = 'B';
    out[1] = 'M';
    codectest::put32(out, 14, 40);
    codectest::put32(out, 18, static_cast<std::uint32_t>(layout.width));
    codectest::put32(out, 22, static_cast<std::uint32_t>(layout.height));
    codectest::put16(out, 26, 1);
    codectest::put16(out, 28, static_cast<std::uint32_t>(layout.bitCount));
    codectest::put32(out, 30, layout.compression);
    codectest::put32(out, 46, static_cast<std::uint32_t>(layout.palette.size()));
    for (std::uint32_t m : layout.masks)
        out.append(QByteArray(4, '\0')), codectest::put32(out, out.size() - 4, m);
    for (base::Colour c : layout.palette)
        out.append(codectest::bytesOf({base::blue(c), base::green(c), base::red(c), 0}));
    codectest::put32(out, 10, static_cast<std::uint32_t>(out.size()));
    out.append(layout.pixels);
    codectest::put32(out, 2, static_cast<std::uint32_t>(out.size()));
    return out;
}

const base::Colour kRed = rgb(255, 0, 0), kGreen = rgb(0, 255, 0), kBlue = rgb(0, 0, 255),
                   kWhite = rgb(255, 255, 255);

TEST(BmpRead, PositiveHeightRunsBottomUpNegativeTopDown) {
    BmpLayout layout;
    layout.width = 1;
    layout.height = 2;
    // Two rows of one pixel, each padded to four bytes: first red, then blue.
    layout.pixels = codectest::bytesOf({0, 0, 255, 0, 255, 0, 0, 0});
    const QImage bottomUp = codecs::decode(bmpFile(layout), Format::Bmp);
    EXPECT_EQ(base::pixelAt(bottomUp, 0, 0), kBlue);
    EXPECT_EQ(base::pixelAt(bottomUp, 0, 1), kRed);
    layout.height = -2;
    const QImage topDown = codecs::decode(bmpFile(layout), Format::Bmp);
    EXPECT_EQ(base::pixelAt(topDown, 0, 0), kRed);
    EXPECT_EQ(base::pixelAt(topDown, 0, 1), kBlue);
}

TEST(BmpRead, MostNegativeHeightIsRefused) {
    BmpLayout layout;
    layout.height = INT32_MIN;
    layout.pixels = QByteArray(4, '\0');
    EXPECT_EQ(errorOf([&] { codecs::decode(bmpFile(layout), Format::Bmp); }),
              QStringLiteral("画像を読めません: BMP ファイルのヘッダーが壊れています (高さ -2147483648)"));
}

TEST(BmpRead, SizeFieldsOfTheHeaderAreIgnored) {
    BmpLayout layout;
    layout.pixels = codectest::bytesOf({10, 20, 30, 0});
    QByteArray bytes = bmpFile(layout);
    codectest::put32(bytes, 2, 0xFFFFFFF0);   // file size
    codectest::put32(bytes, 34, 0xFFFFFFF0);  // image size
    EXPECT_EQ(base::pixelAt(codecs::decode(bytes, Format::Bmp), 0, 0), rgb(30, 20, 10));
}

TEST(BmpRead, ShortPixelDataIsRefused) {
    BmpLayout layout;
    layout.width = 4;
    layout.height = 4;
    layout.pixels = QByteArray(47, '\0');  // 4 rows of 12 bytes, one missing
    EXPECT_EQ(errorOf([&] { codecs::decode(bmpFile(layout), Format::Bmp); }),
              QStringLiteral("画像を読めません: BMP ファイルが途中で切れています"));
}

TEST(BmpRead, BitFieldsScaleEachChannelWithRounding) {
    BmpLayout layout;
    layout.width = 2;
    layout.bitCount = 16;
    layout.compression = 3;
    layout.masks = {0xF800, 0x07E0, 0x001F};
    // 565: (31, 0, 0) and (16, 32, 1): 16/31 → 132, 32/63 → 130, 1/31 → 8.
    layout.pixels = codectest::bytesOf({0x00, 0xF8, 0x01, 0x84});
    const QImage picture = codecs::decode(bmpFile(layout), Format::Bmp);
    EXPECT_EQ(base::pixelAt(picture, 0, 0), kRed);
    EXPECT_EQ(base::pixelAt(picture, 1, 0), rgb(132, 130, 8));
}

TEST(BmpRead, SixteenBitWithoutMasksIs555) {
    BmpLayout layout;
    layout.bitCount = 16;
    layout.pixels = codectest::bytesOf({0xE0, 0x03, 0, 0});  // green 31
    EXPECT_EQ(base::pixelAt(codecs::decode(bmpFile(layout), Format::Bmp), 0, 0), kGreen);
}

TEST(BmpRead, ThirtyTwoBitIgnoresTheFourthByte) {
    BmpLayout layout;
    layout.bitCount = 32;
    layout.pixels = codectest::bytesOf({1, 2, 3, 77});
    EXPECT_EQ(base::pixelAt(codecs::decode(bmpFile(layout), Format::Bmp), 0, 0), rgb(3, 2, 1));
}

class BadMasks : public testing::TestWithParam<std::tuple<std::uint32_t, const char*>> {};

TEST_P(BadMasks, AreRefused) {
    BmpLayout layout;
    layout.bitCount = 32;
    layout.compression = 3;
    layout.masks = {0xFF0000, 0x00FF00, std::get<0>(GetParam())};
    layout.pixels = QByteArray(4, '\0');
    EXPECT_EQ(errorOf([&] { codecs::decode(bmpFile(layout), Format::Bmp); }),
              QStringLiteral("画像を読めません: BMP ファイルのヘッダーが壊れています (%1)")
                  .arg(QString::fromUtf8(std::get<1>(GetParam()))));
}

INSTANTIATE_TEST_SUITE_P(Masks, BadMasks,
                         testing::Values(std::make_tuple(0u, "色マスクが空です"),
                                         std::make_tuple(0x05u, "色マスクが連続していません"),
                                         std::make_tuple(0x80000001u, "色マスクが連続していません")));

TEST(BmpRead, PaletteIndexBeyondThePaletteIsRefused) {
    BmpLayout layout;
    layout.width = 2;
    layout.bitCount = 8;
    layout.palette = {kRed, kGreen};
    layout.pixels = codectest::bytesOf({1, 2, 0, 0});
    EXPECT_EQ(errorOf([&] { codecs::decode(bmpFile(layout), Format::Bmp); }),
              QStringLiteral(
                  "画像を読めません: BMP ファイルが壊れています (色番号 2 が 2 色のパレットの外にあります)"));
}

TEST(BmpRead, OneAndFourBitPixelsStartAtTheHighBits) {
    BmpLayout layout;
    layout.width = 3;
    layout.bitCount = 4;
    layout.palette = {kRed, kGreen, kBlue};
    layout.pixels = codectest::bytesOf({0x21, 0x00, 0, 0});
    QImage picture = codecs::decode(bmpFile(layout), Format::Bmp);
    EXPECT_EQ(base::pixelAt(picture, 0, 0), kBlue);
    EXPECT_EQ(base::pixelAt(picture, 1, 0), kGreen);
    EXPECT_EQ(base::pixelAt(picture, 2, 0), kRed);
    layout.bitCount = 1;
    layout.palette = {kRed, kWhite};
    layout.pixels = codectest::bytesOf({0xA0, 0, 0, 0});
    picture = codecs::decode(bmpFile(layout), Format::Bmp);
    EXPECT_EQ(base::pixelAt(picture, 0, 0), kWhite);
    EXPECT_EQ(base::pixelAt(picture, 1, 0), kRed);
    EXPECT_EQ(base::pixelAt(picture, 2, 0), kWhite);
}

BmpLayout rle8(QByteArray data) {
    BmpLayout layout;
    layout.width = 4;
    layout.height = 2;
    layout.bitCount = 8;
    layout.compression = 1;
    layout.palette = {kWhite, kRed, kGreen, kBlue};
    layout.pixels = std::move(data);
    return layout;
}

TEST(BmpRle, RunsLiteralsDeltasAndEndMarks) {
    // Bottom row: a literal green-blue-green (padded to an even length), one red, end of line;
    // top row: a delta of one column, one blue, end of bitmap.
    const QImage picture = codecs::decode(
        bmpFile(rle8(codectest::bytesOf({0, 3, 2, 3, 2, 0, 1, 1, 0, 0, 0, 2, 1, 0, 1, 3, 0, 1}))),
        Format::Bmp);
    EXPECT_EQ(base::pixelAt(picture, 0, 1), kGreen);
    EXPECT_EQ(base::pixelAt(picture, 1, 1), kBlue);
    EXPECT_EQ(base::pixelAt(picture, 2, 1), kGreen);
    EXPECT_EQ(base::pixelAt(picture, 3, 1), kRed);
    // Skipped pixels keep palette colour 0.
    EXPECT_EQ(base::pixelAt(picture, 0, 0), kWhite);
    EXPECT_EQ(base::pixelAt(picture, 1, 0), kBlue);
    EXPECT_EQ(base::pixelAt(picture, 2, 0), kWhite);
    EXPECT_EQ(base::pixelAt(picture, 3, 0), kWhite);
}

TEST(BmpRle, FourBitRunsAlternateTheirTwoIndices) {
    BmpLayout layout = rle8(codectest::bytesOf({4, 0x12, 0, 1}));
    layout.bitCount = 4;
    layout.compression = 2;
    const QImage picture = codecs::decode(bmpFile(layout), Format::Bmp);
    EXPECT_EQ(base::pixelAt(picture, 0, 1), kRed);
    EXPECT_EQ(base::pixelAt(picture, 1, 1), kGreen);
    EXPECT_EQ(base::pixelAt(picture, 2, 1), kRed);
    EXPECT_EQ(base::pixelAt(picture, 3, 1), kGreen);
}

struct RleCase {
    const char* name;
    std::vector<int> data;
    const char* reason;
};

class BadRle : public testing::TestWithParam<RleCase> {};

TEST_P(BadRle, IsRefused) {
    EXPECT_EQ(
        errorOf([] { codecs::decode(bmpFile(rle8(codectest::bytesOf(GetParam().data))), Format::Bmp); }),
        QStringLiteral("画像を読めません: %1").arg(QString::fromUtf8(GetParam().reason)));
}

const char* kOutside = "BMP ファイルが壊れています (圧縮データが画像の外を指しています)";

INSTANTIATE_TEST_SUITE_P(
    Cases, BadRle,
    testing::Values(RleCase{"RunPastTheRowEnd", {5, 1, 0, 1}, kOutside},
                    RleCase{"LiteralPastTheRowEnd", {2, 1, 0, 3, 1, 1, 1, 0, 0, 1}, kOutside},
                    RleCase{"DeltaPastTheTop", {0, 2, 0, 2, 1, 1, 0, 1}, kOutside},
                    RleCase{"DeltaPastTheRowEnd", {0, 2, 5, 0, 0, 1}, kOutside},
                    RleCase{"RowAboveThePicture", {0, 0, 0, 0, 1, 1, 0, 1}, kOutside},
                    RleCase{"IndexOutsideThePalette",
                            {1, 4, 0, 1},
                            "BMP ファイルが壊れています (色番号 4 が 4 色のパレットの外にあります)"},
                    RleCase{"EndsEarly", {2, 1}, "BMP ファイルが途中で切れています"},
                    RleCase{"LiteralCutShort", {0, 4, 1, 1}, "BMP ファイルが途中で切れています"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(BmpRle, TopDownRunLengthDataIsRefused) {
    BmpLayout layout = rle8(codectest::bytesOf({0, 1}));
    layout.height = -2;
    EXPECT_EQ(errorOf([&] { codecs::decode(bmpFile(layout), Format::Bmp); }),
              QStringLiteral(
                  "画像を読めません: BMP ファイルのヘッダーが壊れています (上から下へ並んだ圧縮データ)"));
}

TEST(BmpWrite, EightBitFileHoldsThePaletteAndPaddedBottomUpRows) {
    QImage picture(3, 2, QImage::Format_Indexed8);
    picture.setColorTable({qRgb(1, 2, 3), qRgb(4, 5, 6)});
    picture.scanLine(0)[0] = 0, picture.scanLine(0)[1] = 1, picture.scanLine(0)[2] = 0;
    picture.scanLine(1)[0] = 1, picture.scanLine(1)[1] = 1, picture.scanLine(1)[2] = 1;
    const QByteArray bytes = codecs::encode(picture, Format::Bmp);
    ASSERT_EQ(bytes.size(), 54 + 2 * 4 + 2 * 4);
    EXPECT_EQ(bytes.mid(46, 4), codectest::bytesOf({2, 0, 0, 0}));              // colours used
    EXPECT_EQ(bytes.mid(54, 8), codectest::bytesOf({3, 2, 1, 0, 6, 5, 4, 0}));  // blue, green, red, 0
    EXPECT_EQ(bytes.mid(62, 8), codectest::bytesOf({1, 1, 1, 0, 0, 1, 0, 0}));  // bottom row first
}

TEST(BmpWrite, TwentyFourBitHeaderAndPadding) {
    const QImage picture = codectest::pattern(2, 1);
    const QByteArray bytes = codecs::encode(picture, Format::Bmp);
    ASSERT_EQ(bytes.size(), 54 + 8);
    EXPECT_EQ(bytes.mid(0, 2), QByteArray("BM"));
    EXPECT_EQ(bytes.mid(28, 2), codectest::bytesOf({24, 0}));
    EXPECT_EQ(bytes.mid(30, 4), codectest::bytesOf({0, 0, 0, 0}));  // uncompressed
    EXPECT_EQ(bytes.mid(60, 2), codectest::bytesOf({0, 0}));        // zero padding
}

}  // namespace

namespace {

// A 24-bit BMP of just under the pixel budget is larger than files once could be; what the
// program writes it reads back. The widest row pads, so the file is as large as it gets.
TEST(BmpWrite, PictureJustUnderTheBudgetIsReadBack) {
    constexpr int kWidth = 16383, kHeight = 8192;  // 2^27 - 8192 pixels
    static_assert(std::int64_t{kWidth} * kHeight <= base::kMaxPixels);
    QImage picture = base::makeBgr(kWidth, kHeight, rgb(1, 2, 3));
    base::setPixel(picture, 0, 0, rgb(200, 0, 0));
    base::setPixel(picture, kWidth - 1, kHeight - 1, rgb(0, 200, 0));
    base::setPixel(picture, kWidth / 2, kHeight / 3, rgb(0, 0, 200));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.bmp"));
    codecs::writeFile(path, picture, Format::Bmp);
    EXPECT_GT(QFileInfo(path).size(), qint64{256} * 1024 * 1024);
    const QImage back = codecs::readFile(path, Format::Bmp);
    EXPECT_TRUE(back == picture);
}

}  // namespace
