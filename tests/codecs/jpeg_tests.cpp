#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <jpeglib.h>

#include "base/image.h"
#include "base/parallel.h"
#include "codec_test_util.h"
#include "codecs/codecs.h"
#include "codecs/jpeg_profile.h"
#include "codecs/rows.h"

using codecs::Format;
using codectest::Encoding;
using codectest::errorOf;
using codectest::libjpegEncode;
using codectest::rgbSamples;
using codectest::withScans;

namespace {

class JpegWriter : public testing::TestWithParam<int> {};

// Library defaults, float DCT, baseline tables: byte for byte what libjpeg makes of the RGB rows.
TEST_P(JpegWriter, MatchesLibjpegWithFloatDctAndBaselineTables) {
    const QImage picture = codectest::pattern(37, 23);
    Encoding e;
    e.quality = GetParam();
    EXPECT_EQ(codecs::encode(picture, Format::Jpeg, {GetParam()}),
              libjpegEncode(37, 23, rgbSamples(picture), e));
    e.dct = JDCT_ISLOW;
    if (GetParam() >= 50) {  // at quality 1 every coefficient quantises to the same few values
        EXPECT_NE(codecs::encode(picture, Format::Jpeg, {GetParam()}),
                  libjpegEncode(37, 23, rgbSamples(picture), e));
    }
}

INSTANTIATE_TEST_SUITE_P(Qualities, JpegWriter, testing::Values(1, 50, 75, 90, 100));

// The writer converts and downsamples the rows itself, a band at a time on several workers: on
// every width and height modulo the blocks (the edges widened, a last pair or iMCU row made up)
// and however the rows arrive, the file is still libjpeg's from the same rows.
TEST(JpegWriter, MatchesLibjpegOnEverySizeAndCutOfTheRows) {
    std::mt19937 random(90);
    std::uniform_int_distribution<int> side(1, 40), cut(1, 20), byte(0, 255);
    for (int round = 0; round < 40; ++round) {
        const int w = round < 16 ? round % 4 + 14 + 16 * (round / 8) : side(random);
        const int h = round < 16 ? round + 17 : side(random);
        QImage picture = base::makeBgr(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < 3 * w; ++x)
                picture.scanLine(y)[x] = static_cast<uchar>((x * 7 + y * 13) % 256 / 2 + byte(random) / 2);
        Encoding e;
        e.quality = 90;
        const QByteArray expected = libjpegEncode(w, h, rgbSamples(picture), e);
        const base::ScopedWorkerCount workers(round % 3 + 1, true);
        EXPECT_TRUE(codecs::encode(picture, Format::Jpeg, {90}) == expected) << w << " x " << h;
        const auto writer = codecs::rowWriter(Format::Jpeg, picture.size(), {90});
        for (int y = 0; y < h;) {
            const int n = std::min(h - y, cut(random));
            writer->write(picture.constScanLine(y), picture.bytesPerLine(), y, n);
            y += n;
        }
        EXPECT_TRUE(writer->finish().toByteArray() == expected) << w << " x " << h << " in cuts";
    }
}

// Noise at quality 100 takes about 2 bytes a pixel, more than the writer's first block: the
// grown file is still byte for byte libjpeg's, in memory and on disk.
TEST(JpegWriter, FileLargerThanItsFirstBlockIsWhole) {
    constexpr int kSide = 600;
    QImage noise = base::makeBgr(kSide, kSide);
    std::srand(21);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < 3 * kSide; ++x) noise.scanLine(y)[x] = static_cast<uchar>(std::rand());
    const QByteArray jpeg = codecs::encode(noise, Format::Jpeg, {100});
    EXPECT_GT(jpeg.size(), kSide * kSide + 64 * 1024);
    Encoding e;
    EXPECT_TRUE(jpeg == libjpegEncode(kSide, kSide, rgbSamples(noise), e));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("noise.jpg"));
    codecs::writeFile(path, noise, Format::Jpeg, {100});
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll() == jpeg);
}

TEST(JpegWriter, WritesASequentialBaselineColourFile) {
    const QByteArray jpeg = codecs::encode(codectest::smooth(16, 16), Format::Jpeg);
    const qsizetype sof = codectest::findMarker(jpeg, 0xC0);
    ASSERT_GT(sof, 0);
    EXPECT_EQ(static_cast<uchar>(jpeg[sof + 4]), 8);   // precision
    EXPECT_EQ(static_cast<uchar>(jpeg[sof + 9]), 3);   // components
    EXPECT_EQ(codectest::findMarker(jpeg, 0xC2), -1);  // no progressive frame
}

TEST(JpegRead, TruncatedFileIsRefusedNotFilledWithGrey) {
    const QByteArray jpeg = codecs::encode(codectest::smooth(64, 64), Format::Jpeg);
    EXPECT_EQ(
        errorOf([&] { codecs::decode(jpeg.left(jpeg.size() * 2 / 3), Format::Jpeg); }),
        QStringLiteral("画像を読めません: JPEG ファイルが途中で切れています (Premature end of JPEG file)"));
}

// The profile pass shares the readers' error manager: a header libjpeg refuses comes back to it
// (without a manager libjpeg would end the process) and leaves no profile.
TEST(JpegRead, HeaderTheProfilePassCannotReadGivesNoProfile) {
    const QByteArray jpeg = codectest::jpegWithProfile(codecs::encode(codectest::smooth(8, 8), Format::Jpeg),
                                                       QByteArray(600, 'p'));
    EXPECT_EQ(codecs::detail::jpegIccProfile(jpeg), QByteArray(600, 'p'));
    EXPECT_TRUE(codecs::detail::jpegIccProfile(QByteArray("\x89PNG....", 8)).isEmpty());
    EXPECT_TRUE(codecs::detail::jpegIccProfile(jpeg.left(30)).isEmpty());
}

TEST(JpegRead, NotAJpegKeepsTheLibraryMessage) {
    EXPECT_EQ(errorOf([] { codecs::decode(QByteArray("\x89PNG....", 8), Format::Jpeg); }),
              QStringLiteral(
                  "画像を読めません: JPEG ファイルではありません (Not a JPEG file: starts with 0x89 0x50)"));
}

TEST(JpegRead, TwelveBitPrecisionIsRefusedWithTheLibraryMessage) {
    QByteArray jpeg = codecs::encode(codectest::smooth(8, 8), Format::Jpeg);
    jpeg[codectest::findMarker(jpeg, 0xC0) + 4] = 12;
    EXPECT_EQ(errorOf([&] { codecs::decode(jpeg, Format::Jpeg); }),
              QStringLiteral(
                  "画像を読めません: 12 ビットの JPEG は扱えません (Unsupported JPEG data precision 12)"));
}

TEST(JpegRead, GreyscaleBecomesEqualChannels) {
    std::vector<std::uint8_t> grey(16 * 8);
    for (size_t i = 0; i < grey.size(); ++i) grey[i] = static_cast<std::uint8_t>(i * 2);
    Encoding e;
    e.space = JCS_GRAYSCALE;
    e.components = 1;
    const QImage picture = codecs::decode(libjpegEncode(16, 8, grey, e), Format::Jpeg);
    ASSERT_EQ(picture.size(), QSize(16, 8));
    for (int x = 0; x < 16; ++x) {
        const base::Colour c = base::pixelAt(picture, x, 3);
        EXPECT_EQ(base::red(c), base::green(c));
        EXPECT_EQ(base::green(c), base::blue(c));
        EXPECT_NEAR(base::red(c), grey[3 * 16 + x], 2);
    }
}

struct CmykCase {
    bool adobe;
    std::uint8_t stored[4];
};

class JpegCmyk : public testing::TestWithParam<CmykCase> {};

// Adobe's files store CMYK inverted (255 = no ink); the stored samples are chosen so that both
// spellings mean magenta: no cyan, full magenta, no yellow, no black.
TEST_P(JpegCmyk, IsConvertedToRgb) {
    const CmykCase c = GetParam();
    std::vector<std::uint8_t> samples;
    for (int i = 0; i < 16 * 16; ++i) samples.insert(samples.end(), c.stored, c.stored + 4);
    Encoding e;
    e.space = JCS_CMYK;
    e.components = 4;
    e.adobeMarker = c.adobe;
    const QImage picture = codecs::decode(libjpegEncode(16, 16, samples, e), Format::Jpeg);
    const base::Colour px = base::pixelAt(picture, 5, 5);
    EXPECT_NEAR(base::red(px), 255, 2);
    EXPECT_NEAR(base::green(px), 0, 2);
    EXPECT_NEAR(base::blue(px), 255, 2);
}

// A profile counts only for the samples it describes: grey for grey, RGB for colour; an RGB
// profile on ink (CMYK) or on grey samples is ignored, as a grey one is on colour.
TEST(JpegRead, AProfileAppliesOnlyToTheSamplesItDescribes) {
    Encoding grey;
    grey.space = JCS_GRAYSCALE;
    grey.components = 1;
    const QByteArray greyFile = libjpegEncode(8, 8, std::vector<std::uint8_t>(64, 128), grey);
    Encoding cmyk;
    cmyk.space = JCS_CMYK;
    cmyk.components = 4;
    std::vector<std::uint8_t> ink;
    for (int i = 0; i < 64; ++i) ink.insert(ink.end(), {200, 128, 60, 255});
    const QByteArray cmykFile = libjpegEncode(8, 8, ink, cmyk);
    const QByteArray colourFile = codecs::encode(codectest::smooth(8, 8), Format::Jpeg);
    struct Case {
        const char* what;
        QByteArray file;
        QByteArray profile;
        bool applies;
    };
    const Case cases[] = {
        {"grey on grey", greyFile, codectest::greyProfile(), true},
        {"RGB on grey", greyFile, codectest::gammaProfile(1.8), false},
        {"RGB on CMYK", cmykFile, codectest::gammaProfile(1.8), false},
        {"grey on colour", colourFile, codectest::greyProfile(), false},
        {"RGB on colour", colourFile, codectest::displayP3(), true},
    };
    for (const Case& c : cases) {
        const QImage plain = codecs::decode(c.file, Format::Jpeg);
        const QImage withProfile =
            codecs::decode(codectest::jpegWithProfile(c.file, c.profile), Format::Jpeg);
        EXPECT_EQ(codectest::maxDifference(plain, withProfile) > 0, c.applies) << c.what;
    }
    // Linear light: grey 128 becomes 188.
    const QImage greyConverted =
        codecs::decode(codectest::jpegWithProfile(greyFile, codectest::greyProfile()), Format::Jpeg);
    EXPECT_NEAR(base::red(base::pixelAt(greyConverted, 3, 3)), 188, 2);
}

INSTANTIATE_TEST_SUITE_P(Spellings, JpegCmyk,
                         testing::Values(CmykCase{true, {255, 0, 255, 255}},
                                         CmykCase{false, {0, 255, 0, 0}}));

TEST(JpegRead, ProgressiveFilesUpToTheScanLimitLoad) {
    EXPECT_EQ(codecs::decode(withScans(1000), Format::Jpeg).size(), QSize(8, 8));
}

TEST(JpegRead, ProgressiveFilesOverTheScanLimitAreStopped) {
    EXPECT_EQ(
        errorOf([] { codecs::decode(withScans(1001), Format::Jpeg); }),
        QStringLiteral("画像を読めません: プログレッシブ JPEG のスキャンが多すぎます (1000 を超えています)"));
}

// Each scan passes over the whole picture, so the scan cap alone let a large picture with a few
// hundred scans take a minute. 4096 × 2048 pixels allow 512 scans of work: 600 are refused before
// the first is decoded.
TEST(JpegRead, ProgressiveWorkIsBoundedByScansTimesPixels) {
    const QByteArray many = withScans(600, 4096, 2048);
    EXPECT_EQ(
        errorOf([&] { codecs::decode(many, Format::Jpeg); }),
        QStringLiteral("画像を読めません: プログレッシブ JPEG の展開に時間がかかりすぎます (600 スキャン × "
                       "4096 × 2048 ピクセル)"));
    // The same picture with its ordinary ten scans, and few pixels with many scans, still load.
    EXPECT_EQ(codecs::decode(withScans(10, 4096, 2048), Format::Jpeg).size(), QSize(4096, 2048));
    EXPECT_EQ(codecs::decode(withScans(1000, 64, 64), Format::Jpeg).size(), QSize(64, 64));
}

// The scans are counted from the file's markers before any is decoded: 990 scans claiming
// 16384 × 8192 pixels are refused at once, not after decoding 33 of them.
TEST(JpegRead, ScansAreCountedBeforeDecoding) {
    QByteArray claim = withScans(990, 16, 16);
    const qsizetype frame = codectest::findMarker(claim, 0xC2);
    ASSERT_GT(frame, 0);
    codectest::put16be(claim, frame + 5, 8192);
    codectest::put16be(claim, frame + 7, 16384);
    // An Exif thumbnail's scans are not the picture's: one with two thousand does not count.
    const QByteArray withThumbnail =
        codectest::jpegWithSegment(withScans(40, 16, 16), 0xE1, QByteArray("Exif\0\0", 6) + withScans(2000));
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(
        errorOf([&] { codecs::decode(claim, Format::Jpeg); }),
        QStringLiteral("画像を読めません: プログレッシブ JPEG の展開に時間がかかりすぎます (990 スキャン × "
                       "16384 × 8192 ピクセル)"));
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_EQ(codecs::decode(withThumbnail, Format::Jpeg).size(), QSize(16, 16));
}

QByteArray arithmeticFile(const QImage& picture) {
    Encoding e;
    e.arithmetic = true;
    return libjpegEncode(picture.width(), picture.height(), rgbSamples(picture), e);
}

// Arithmetic-coded data has no end of its own: a cut file decodes from zero bits, which libjpeg
// does without a word. Its made-up rows are refused; a picture that really ends in a plain area
// (whose data is as short) loads.
TEST(JpegRead, ArithmeticDataCutShortIsRefused) {
    const QImage picture = codectest::smooth(64, 96);
    const QByteArray whole = arithmeticFile(picture);
    EXPECT_LE(codectest::maxDifference(codecs::decode(whole, Format::Jpeg), picture), 8);
    const QByteArray cut = whole.left(whole.size() / 2) + QByteArray("\xFF\xD9", 2);
    EXPECT_EQ(errorOf([&] { codecs::decode(cut, Format::Jpeg); }),
              QStringLiteral(
                  "画像を読めません: JPEG ファイルが途中で切れているか壊れています (算術符号のデータが画像の"
                  "終わりより前で尽きています)"));

    QImage plainBelow = codectest::pattern(64, 96);
    for (int y = 48; y < 96; ++y)
        for (int x = 0; x < 64; ++x) base::setPixel(plainBelow, x, y, base::rgb(200, 40, 90));
    EXPECT_EQ(codecs::decode(arithmeticFile(plainBelow), Format::Jpeg).size(), QSize(64, 96));
    EXPECT_EQ(
        codecs::decode(arithmeticFile(base::makeBgr(300, 300, base::rgb(9, 99, 199))), Format::Jpeg).size(),
        QSize(300, 300));
}

// Huffman-coded data under an arithmetic frame: the decoder stops early and libjpeg warns of the
// bytes left over, which for arithmetic coding means the data did not decode.
TEST(JpegRead, HuffmanDataUnderAnArithmeticFrameIsRefused) {
    QByteArray jpeg = codecs::encode(codectest::smooth(64, 64), Format::Jpeg);
    const qsizetype sof = codectest::findMarker(jpeg, 0xC0);
    ASSERT_GT(sof, 0);
    jpeg[sof + 1] = static_cast<char>(0xC9);
    const QString text = errorOf([&] { codecs::decode(jpeg, Format::Jpeg); });
    EXPECT_TRUE(
        text.startsWith(QStringLiteral("画像を読めません: JPEG ファイルが壊れています (Corrupt JPEG data: ")))
        << text.toStdString();
}

}  // namespace
