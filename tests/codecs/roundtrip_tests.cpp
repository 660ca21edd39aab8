#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "base/image.h"
#include "codec_test_util.h"
#include "codecs/codecs.h"

using codecs::Format;
using codectest::sameBgr;

namespace {

struct Size {
    int w;
    int h;
};

class LosslessRoundTrip : public testing::TestWithParam<std::tuple<Format, Size>> {};

// Widths 1..5 cover every row padding of a bitmap.
TEST_P(LosslessRoundTrip, TwentyFourBitComesBackExactly) {
    const auto [format, size] = GetParam();
    const QImage picture = codectest::pattern(size.w, size.h);
    EXPECT_TRUE(sameBgr(codecs::decode(codecs::encode(picture, format), format), picture));
}

TEST_P(LosslessRoundTrip, PaletteColoursComeBackExactly) {
    const auto [format, size] = GetParam();
    const QImage picture = codectest::indexed(size.w, size.h, 252);
    EXPECT_TRUE(sameBgr(codecs::decode(codecs::encode(picture, format), format), base::toBgr(picture)));
}

INSTANTIATE_TEST_SUITE_P(Writers, LosslessRoundTrip,
                         testing::Combine(testing::Values(Format::Bmp, Format::Png),
                                          testing::Values(Size{1, 1}, Size{2, 3}, Size{3, 2}, Size{4, 5},
                                                          Size{5, 4}, Size{33, 17})));

TEST(GifRoundTrip, KeepsThePaletteColoursOfEveryPixel) {
    for (int colours : {1, 2, 3, 16, 17, 252, 256}) {
        const QImage picture = codectest::indexed(13, 7, colours);
        EXPECT_TRUE(
            sameBgr(codecs::decode(codecs::encode(picture, Format::Gif), Format::Gif), base::toBgr(picture)))
            << colours << " colours";
    }
}

TEST(JpegRoundTrip, StaysCloseToTheOriginal) {
    const QImage picture = codectest::smooth(96, 64);
    const QImage q100 = codecs::decode(codecs::encode(picture, Format::Jpeg, {100}), Format::Jpeg);
    const QImage q90 = codecs::decode(codecs::encode(picture, Format::Jpeg, {90}), Format::Jpeg);
    ASSERT_EQ(q100.size(), picture.size());
    EXPECT_LE(codectest::maxDifference(q100, picture), 12);
    EXPECT_LE(codectest::maxDifference(q90, picture), 40);
}

TEST(JpegRoundTrip, QualityOutsideTheRangeIsBroughtToItsEnds) {
    const QImage picture = codectest::smooth(40, 30);
    EXPECT_EQ(codecs::encode(picture, Format::Jpeg, {0}), codecs::encode(picture, Format::Jpeg, {1}));
    EXPECT_EQ(codecs::encode(picture, Format::Jpeg, {-7}), codecs::encode(picture, Format::Jpeg, {1}));
    EXPECT_EQ(codecs::encode(picture, Format::Jpeg, {250}), codecs::encode(picture, Format::Jpeg, {100}));
    EXPECT_LT(codecs::encode(picture, Format::Jpeg, {1}).size(),
              codecs::encode(picture, Format::Jpeg, {100}).size());
}

TEST(Writers, TakeOtherTwentyFourBitLayoutsAsTheirColours) {
    const QImage picture = codectest::pattern(9, 5);
    const QImage rgb32 = picture.convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(sameBgr(codecs::decode(codecs::encode(rgb32, Format::Bmp), Format::Bmp), picture));
    EXPECT_TRUE(sameBgr(codecs::decode(codecs::encode(rgb32, Format::Png), Format::Png), picture));
    EXPECT_EQ(codecs::encode(rgb32, Format::Jpeg), codecs::encode(picture, Format::Jpeg));
}

class NullPicture : public testing::TestWithParam<Format> {};

TEST_P(NullPicture, IsRefusedWithAMessage) {
    EXPECT_EQ(codectest::errorOf([] { codecs::encode(QImage(), GetParam()); }),
              QStringLiteral("画像を書き出せません: 画像が空です"));
}

INSTANTIATE_TEST_SUITE_P(Writers, NullPicture,
                         testing::Values(Format::Bmp, Format::Jpeg, Format::Gif, Format::Png));

TEST(Writers, GifOfATwentyFourBitPictureIsAProgrammingError) {
    EXPECT_EQ(codectest::errorOf([] { codecs::encode(codectest::pattern(4, 4), Format::Gif); }),
              QStringLiteral("画像を書き出せません: GIF に書き出せるのは 8 ビットのパレット画像だけです"));
}

TEST(Writers, IconsAreNotWritten) {
    EXPECT_EQ(codectest::errorOf([] { codecs::encode(codectest::pattern(4, 4), Format::Ico); }),
              QStringLiteral("画像を書き出せません: ICO 形式には書き出せません"));
}

TEST(Files, WriteThenReadGivesThePictureBack) {
    QTemporaryDir dir;
    const QImage picture = codectest::pattern(21, 11);
    for (Format format : {Format::Bmp, Format::Png}) {
        const QString path = dir.filePath(QStringLiteral("out.bin"));
        codecs::writeFile(path, picture, format);
        EXPECT_TRUE(sameBgr(codecs::readFile(path, format), picture));
    }
}

TEST(Files, WriteErrorsNameTheFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.gif"));
    EXPECT_EQ(
        codectest::errorOf([&] { codecs::writeFile(path, codectest::pattern(2, 2), Format::Gif); }),
        QStringLiteral("ファイル「%1」に書き込めません: GIF に書き出せるのは 8 ビットのパレット画像だけです")
            .arg(path));
}

}  // namespace
