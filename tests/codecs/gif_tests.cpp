#include <cstring>
#include <random>
#include <vector>

#include <gif_lib.h>
#include <gtest/gtest.h>

#include "base/image.h"
#include "codec_test_util.h"
#include "codecs/codecs.h"

using base::rgb;
using codecs::Format;
using codectest::errorOf;

namespace {

// A picture whose pixel (x, y) holds palette index `index(x, y)` over a table of `colours`.
QImage indexedPicture(int w, int h, const QList<QRgb>& table, int (*index)(int, int)) {
    QImage picture(w, h, QImage::Format_Indexed8);
    picture.setColorTable(table);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) picture.scanLine(y)[x] = static_cast<uchar>(index(x, y));
    return picture;
}

const QList<QRgb> kFour = {qRgb(10, 20, 30), qRgb(200, 0, 0), qRgb(0, 200, 0), qRgb(0, 0, 200)};

// Byte layout of what our writer produces: header, screen descriptor, global table, image.
int tableEntries(const QByteArray& gif) {
    return 2 << (static_cast<uchar>(gif[10]) & 7);
}
qsizetype imageAt(const QByteArray& gif) {
    return 13 + 3 * tableEntries(gif);
}

void setScreen(QByteArray& gif, int w, int h) {
    codectest::put16(gif, 6, static_cast<std::uint32_t>(w));
    codectest::put16(gif, 8, static_cast<std::uint32_t>(h));
}

void setFrameOrigin(QByteArray& gif, int left, int top) {
    codectest::put16(gif, imageAt(gif) + 1, static_cast<std::uint32_t>(left));
    codectest::put16(gif, imageAt(gif) + 3, static_cast<std::uint32_t>(top));
}

void addTransparency(QByteArray& gif, int index) {
    gif.replace(0, 6, "GIF89a");
    gif.insert(imageAt(gif), codectest::bytesOf({0x21, 0xF9, 4, 1, 0, 0, index, 0}));
}

TEST(GifRead, TransparentPixelsShowTheBackgroundColour) {
    QByteArray gif =
        codecs::encode(indexedPicture(2, 1, kFour, [](int x, int) { return x == 0 ? 1 : 2; }), Format::Gif);
    gif[11] = 3;  // background index
    addTransparency(gif, 2);
    const QImage picture = codecs::decode(gif, Format::Gif);
    EXPECT_EQ(base::pixelAt(picture, 0, 0), rgb(200, 0, 0));
    EXPECT_EQ(base::pixelAt(picture, 1, 0), rgb(0, 0, 200));
}

TEST(GifRead, BackgroundOutsideTheTableIsBlack) {
    QByteArray gif = codecs::encode(indexedPicture(2, 1, kFour, [](int, int) { return 1; }), Format::Gif);
    gif[11] = 9;
    addTransparency(gif, 1);
    const QImage picture = codecs::decode(gif, Format::Gif);
    EXPECT_EQ(base::pixelAt(picture, 0, 0), rgb(0, 0, 0));
}

TEST(GifRead, FrameIsPlacedOnTheScreenAndClippedToIt) {
    // A 3 × 2 frame at (2, 1) on a 4 × 2 screen: only its first two columns of its first row show.
    QByteArray gif =
        codecs::encode(indexedPicture(3, 2, kFour, [](int x, int) { return x + 1; }), Format::Gif);
    setScreen(gif, 4, 2);
    setFrameOrigin(gif, 2, 1);
    gif[11] = 0;
    const QImage picture = codecs::decode(gif, Format::Gif);
    ASSERT_EQ(picture.size(), QSize(4, 2));
    for (int x = 0; x < 4; ++x) EXPECT_EQ(base::pixelAt(picture, x, 0), rgb(10, 20, 30)) << x;
    EXPECT_EQ(base::pixelAt(picture, 1, 1), rgb(10, 20, 30));
    EXPECT_EQ(base::pixelAt(picture, 2, 1), rgb(200, 0, 0));
    EXPECT_EQ(base::pixelAt(picture, 3, 1), rgb(0, 200, 0));
}

TEST(GifRead, ScreenWithoutASizeTakesTheFirstFramesExtent) {
    QByteArray gif = codecs::encode(indexedPicture(3, 2, kFour, [](int, int) { return 1; }), Format::Gif);
    setScreen(gif, 0, 0);
    setFrameOrigin(gif, 1, 2);
    const QImage picture = codecs::decode(gif, Format::Gif);
    ASSERT_EQ(picture.size(), QSize(4, 4));
    EXPECT_EQ(base::pixelAt(picture, 3, 3), rgb(200, 0, 0));
    EXPECT_EQ(base::pixelAt(picture, 0, 0), rgb(10, 20, 30));  // background index 0
}

TEST(GifRead, InterlacedRowsArriveInFourPasses) {
    // Stream rows 0..4 of an interlaced frame of height 5 belong to rows 0, 4, 2, 1, 3.
    QByteArray gif =
        codecs::encode(indexedPicture(1, 5, kFour, [](int, int y) { return y % 4; }), Format::Gif);
    gif[imageAt(gif) + 9] = static_cast<char>(gif[imageAt(gif) + 9] | 0x40);
    const QImage picture = codecs::decode(gif, Format::Gif);
    const int expected[] = {0, 3, 2, 0, 1};  // stream row index % 4 at each picture row
    for (int y = 0; y < 5; ++y)
        EXPECT_EQ(base::toQRgb(base::pixelAt(picture, 0, y)), kFour[expected[y]]) << y;
}

TEST(GifRead, MissingColourTablesGiveAGreyRamp) {
    QByteArray gif =
        codecs::encode(indexedPicture(2, 1, kFour, [](int x, int) { return x + 2; }), Format::Gif);
    const int entries = tableEntries(gif);
    gif[10] = static_cast<char>(gif[10] & 0x7F);
    gif.remove(13, 3 * entries);
    const QImage picture = codecs::decode(gif, Format::Gif);
    EXPECT_EQ(base::pixelAt(picture, 0, 0), rgb(2, 2, 2));
    EXPECT_EQ(base::pixelAt(picture, 1, 0), rgb(3, 3, 3));
}

TEST(GifRead, IndexOutsideTheTableIsRefused) {
    const QList<QRgb> eight = kFour + kFour;
    QByteArray gif =
        codecs::encode(indexedPicture(2, 1, eight, [](int x, int) { return x == 0 ? 1 : 6; }), Format::Gif);
    // Claim a table of four colours: index 6 now lies past it.
    gif[10] = static_cast<char>((gif[10] & ~7) | 1);
    gif.remove(13 + 12, 12);
    EXPECT_EQ(errorOf([&] { codecs::decode(gif, Format::Gif); }),
              QStringLiteral(
                  "画像を読めません: GIF ファイルが壊れています (色番号 6 が 4 色の色表の外にあります)"));
}

TEST(GifRead, FileWithoutAnImageIsRefused) {
    QByteArray gif = codecs::encode(indexedPicture(1, 1, kFour, [](int, int) { return 0; }), Format::Gif);
    gif.truncate(imageAt(gif));
    gif.append(';');
    EXPECT_EQ(errorOf([&] { codecs::decode(gif, Format::Gif); }),
              QStringLiteral("画像を読めません: GIF ファイルに画像がありません"));
}

TEST(GifRead, FrameEntirelyOffTheScreenLeavesTheBackground) {
    QByteArray gif = codecs::encode(indexedPicture(3, 2, kFour, [](int, int) { return 2; }), Format::Gif);
    setScreen(gif, 3, 2);
    gif[11] = 1;
    for (const auto& [left, top] : {std::pair{3, 0}, std::pair{0, 2}, std::pair{65535, 65535}}) {
        QByteArray moved = gif;
        setFrameOrigin(moved, left, top);
        const QImage picture = codecs::decode(moved, Format::Gif);
        ASSERT_EQ(picture.size(), QSize(3, 2));
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x) EXPECT_EQ(base::pixelAt(picture, x, y), rgb(200, 0, 0)) << left;
    }
}

// The LZW code size that starts the frame's data: GIF has at most 8 bits a pixel, and giflib's
// tables hold no more; a larger one must be refused, not decoded past them.
class GifCodeSize : public testing::TestWithParam<int> {};

TEST_P(GifCodeSize, OverEightIsRefused) {
    QByteArray gif =
        codecs::encode(indexedPicture(4, 4, kFour, [](int x, int y) { return (x + y) % 4; }), Format::Gif);
    gif[imageAt(gif) + 10] = static_cast<char>(GetParam());
    const QString text = errorOf([&] { codecs::decode(gif, Format::Gif); });
    EXPECT_TRUE(text.startsWith(QStringLiteral("画像を読めません: "))) << text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Sizes, GifCodeSize, testing::Values(9, 11, 12, 13, 255));

TEST(GifCodeSize, TooSmallForTheTableIsHarmless) {
    // Sizes 0 and 1 give codes too narrow for four colours: a picture or a refusal, never a fault.
    for (int size : {0, 1}) {
        QByteArray gif =
            codecs::encode(indexedPicture(4, 4, kFour, [](int x, int) { return x; }), Format::Gif);
        gif[imageAt(gif) + 10] = static_cast<char>(size);
        try {
            EXPECT_EQ(codecs::decode(gif, Format::Gif).size(), QSize(4, 4)) << size;
        } catch (const base::Error& e) {
            EXPECT_TRUE(e.text().startsWith(QStringLiteral("画像を読めません: "))) << size;
        }
    }
}

struct PaletteCase {
    int colours;
    int highestIndex;
    int entries;
};

class GifPalette : public testing::TestWithParam<PaletteCase> {};

// GIF tables hold a power of two colours: the palette is padded, and covers every index used.
TEST_P(GifPalette, IsPaddedToAPowerOfTwo) {
    const auto [colours, highest, entries] = GetParam();
    QList<QRgb> table;
    for (int i = 0; i < colours; ++i) table.append(qRgb(i, 255 - i, 7));
    QImage picture(2, 1, QImage::Format_Indexed8);
    picture.setColorTable(table);
    picture.scanLine(0)[0] = 0;
    picture.scanLine(0)[1] = static_cast<uchar>(highest);
    const QByteArray gif = codecs::encode(picture, Format::Gif);
    EXPECT_EQ(tableEntries(gif), entries);
    const QImage back = codecs::decode(gif, Format::Gif);
    EXPECT_EQ(base::toQRgb(base::pixelAt(back, 1, 0)), highest < colours ? table[highest] : qRgb(0, 0, 0));
}

INSTANTIATE_TEST_SUITE_P(Sizes, GifPalette,
                         testing::Values(PaletteCase{252, 251, 256}, PaletteCase{256, 255, 256},
                                         PaletteCase{3, 2, 4}, PaletteCase{1, 0, 2}, PaletteCase{16, 15, 16},
                                         PaletteCase{2, 5, 8}));

// The file giflib writes for the picture, as the writer made it before it had its own coder: the
// same table, header and image, the codes from EGifPutLine.
int collect(GifFileType* gif, const GifByteType* bytes, int n) {
    auto* out = static_cast<QByteArray*>(gif->UserData);
    out->append(reinterpret_cast<const char*>(bytes), n);
    return n;
}

QByteArray giflibGif(const QImage& indexed, int entries) {
    QByteArray out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, collect, &error);
    EXPECT_NE(gif, nullptr);
    std::vector<GifColorType> colours;
    for (int i = 0; i < entries; ++i) {
        const QRgb c = i < indexed.colorCount() ? indexed.color(i) : qRgb(0, 0, 0);
        colours.push_back(GifColorType{static_cast<GifByteType>(qRed(c)), static_cast<GifByteType>(qGreen(c)),
                                       static_cast<GifByteType>(qBlue(c))});
    }
    ColorMapObject* map = GifMakeMapObject(entries, colours.data());
    EXPECT_EQ(EGifPutScreenDesc(gif, indexed.width(), indexed.height(), 8, 0, map), GIF_OK);
    EXPECT_EQ(EGifPutImageDesc(gif, 0, 0, indexed.width(), indexed.height(), false, nullptr), GIF_OK);
    std::vector<GifPixelType> line(static_cast<std::size_t>(indexed.width()));
    for (int y = 0; y < indexed.height(); ++y) {
        std::memcpy(line.data(), indexed.constScanLine(y), line.size());
        EXPECT_EQ(EGifPutLine(gif, line.data(), indexed.width()), GIF_OK);
    }
    EXPECT_EQ(EGifCloseFile(gif, &error), GIF_OK);
    GifFreeMapObject(map);
    return out;
}

struct CoderCase {
    const char* name;
    int w, h, colours;
    int pattern;  // 0 noise, 1 one colour, 2 smooth bands with a little noise
};

class GifCoder : public testing::TestWithParam<CoderCase> {};

// Byte for byte what giflib wrote: the string table fills and is cleared many times over in the
// noise, codes reach 12 bits in the flat picture, and tables of 2 to 256 colours set the code size.
TEST_P(GifCoder, WritesTheBytesGiflibWrote) {
    const CoderCase& c = GetParam();
    QList<QRgb> table;
    for (int i = 0; i < c.colours; ++i) table.append(qRgb(i, 255 - i, (7 * i) & 255));
    QImage picture(c.w, c.h, QImage::Format_Indexed8);
    picture.setColorTable(table);
    std::mt19937 random(static_cast<unsigned>(c.w * 31 + c.h));
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) {
            const int noise = static_cast<int>(random() % static_cast<unsigned>(c.colours));
            const int v = c.pattern == 0   ? noise
                          : c.pattern == 1 ? c.colours - 1
                                           : ((x / 9 + y / 5) + (noise < c.colours / 8 ? 1 : 0)) % c.colours;
            picture.scanLine(y)[x] = static_cast<uchar>(v);
        }
    int entries = 2;
    while (entries < c.colours) entries *= 2;
    const QByteArray ours = codecs::encode(picture, Format::Gif);
    const QByteArray theirs = giflibGif(picture, entries);
    ASSERT_EQ(ours.size(), theirs.size());
    EXPECT_TRUE(ours == theirs);
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, GifCoder,
    testing::Values(CoderCase{"OnePixel", 1, 1, 2, 0}, CoderCase{"TwoColourNoise", 97, 41, 2, 0},
                    CoderCase{"FourColourNoise", 120, 80, 4, 0},
                    CoderCase{"SixteenColourNoise", 255, 3, 16, 0},
                    CoderCase{"FullTableNoise", 400, 300, 256, 0},
                    // Codes of nearly 12 bits a pixel, over 2 MiB of them: the bound on the stream.
                    CoderCase{"LargeFullTableNoise", 1500, 1100, 256, 0},
                    CoderCase{"StaticPaletteBands", 640, 480, 252, 2},
                    CoderCase{"OneColour", 1000, 700, 252, 1}, CoderCase{"OneColumn", 1, 3000, 8, 2}),
    [](const testing::TestParamInfo<CoderCase>& row) { return std::string(row.param.name); });

}  // namespace
