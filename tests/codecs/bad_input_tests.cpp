#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QTemporaryDir>

#include "base/image.h"
#include "codec_test_util.h"
#include "codecs/codecs.h"

using codecs::Format;

namespace {

QByteArray validFile(Format format) {
    const QImage picture = codectest::pattern(24, 16);
    switch (format) {
        case Format::Gif:
            return codecs::encode(codectest::indexed(24, 16, 200), Format::Gif);
        case Format::Ico: {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            QImageWriter writer(&buffer, "ico");
            writer.write(picture.convertToFormat(QImage::Format_ARGB32));
            return bytes;
        }
        case Format::Heif: {
            // Encoding takes a while; every case starts from the same file.
            static const QByteArray heic = codectest::heifFile(picture, codectest::HeifKind::Heic);
            return heic;
        }
        default:
            return codecs::encode(picture, format);
    }
}

const char* nameOf(Format format) {
    switch (format) {
        case Format::Bmp:
            return "Bmp";
        case Format::Jpeg:
            return "Jpeg";
        case Format::Gif:
            return "Gif";
        case Format::Png:
            return "Png";
        case Format::Ico:
            return "Ico";
        case Format::Webp:
            return "Webp";
        case Format::Heif:
            return "Heif";
    }
    return "?";
}

// Anything the decoder does with bad bytes must end in a picture within the budget or in
// base::Error: no crash, no other exception (the sanitizer build watches the memory side).
void expectHarmless(const QByteArray& bytes, Format format) {
    try {
        const QImage picture = codecs::decode(bytes, format);
        EXPECT_TRUE(base::sizeAllowed(picture.width(), picture.height()));
        EXPECT_EQ(picture.format(), QImage::Format_BGR888);
    } catch (const base::Error& e) {
        EXPECT_TRUE(e.text().startsWith(QStringLiteral("画像を読めません: "))) << e.text().toStdString();
    }
}

class BadInput : public testing::TestWithParam<Format> {};

TEST_P(BadInput, ValidSampleDecodes) {
    const QImage picture = codecs::decode(validFile(GetParam()), GetParam());
    EXPECT_EQ(picture.size(), QSize(24, 16));
    EXPECT_EQ(picture.format(), QImage::Format_BGR888);
}

TEST_P(BadInput, CutShortIsRefused) {
    const QByteArray whole = validFile(GetParam());
    for (qsizetype keep : {whole.size() / 2, whole.size() * 3 / 4, qsizetype{20}, qsizetype{3}}) {
        const QString text = codectest::errorOf([&] { codecs::decode(whole.left(keep), GetParam()); });
        EXPECT_TRUE(text.startsWith(QStringLiteral("画像を読めません: ")))
            << keep << " bytes: " << text.toStdString();
    }
}

TEST_P(BadInput, EmptyDataIsRefused) {
    EXPECT_EQ(codectest::errorOf([] { codecs::decode(QByteArray(), GetParam()); }),
              QStringLiteral("画像を読めません: ファイルが空です"));
}

TEST_P(BadInput, ContentOfAnotherFormatFailsInTheChosenDecoder) {
    for (Format other :
         {Format::Bmp, Format::Jpeg, Format::Gif, Format::Png, Format::Ico, Format::Webp, Format::Heif}) {
        if (other == GetParam()) continue;
        const QString text = codectest::errorOf([&] { codecs::decode(validFile(other), GetParam()); });
        EXPECT_TRUE(text.startsWith(QStringLiteral("画像を読めません: ")))
            << nameOf(other) << " content: " << text.toStdString();
    }
}

TEST_P(BadInput, BrokenSignatureIsRefused) {
    QByteArray bytes = validFile(GetParam());
    bytes[0] = static_cast<char>(bytes[0] ^ 0x5A);
    bytes[1] = static_cast<char>(bytes[1] ^ 0x5A);
    if (GetParam() == Format::Ico) bytes[2] = 7;  // an icon starts 0, 0, type
    EXPECT_NE(codectest::errorOf([&] { codecs::decode(bytes, GetParam()); }), QStringLiteral("no error"));
}

TEST_P(BadInput, FlippedBytesAnywhereAreHarmless) {
    const QByteArray whole = validFile(GetParam());
    std::uint32_t seed = 12345;
    for (int round = 0; round < 300; ++round) {
        QByteArray bytes = whole;
        for (int k = 0; k < 1 + round % 4; ++k) {
            seed = seed * 1103515245u + 12345u;
            const qsizetype at =
                static_cast<qsizetype>((seed >> 8) % static_cast<std::uint32_t>(bytes.size()));
            bytes[at] = static_cast<char>(bytes[at] ^ static_cast<char>(1u << (seed % 8)));
        }
        expectHarmless(bytes, GetParam());
    }
}

INSTANTIATE_TEST_SUITE_P(Decoders, BadInput,
                         testing::Values(Format::Bmp, Format::Jpeg, Format::Gif, Format::Png, Format::Ico,
                                         Format::Webp, Format::Heif),
                         [](const auto& row) { return std::string(nameOf(row.param)); });

// A header that claims a picture beyond the budget is refused before the pixels are allocated.
QByteArray claimHuge(Format format) {
    QByteArray bytes = validFile(format);
    switch (format) {
        case Format::Bmp:
            codectest::put32(bytes, 18, 100000);
            codectest::put32(bytes, 22, 100000);
            break;
        case Format::Png:
            codectest::put32be(bytes, 16, 100000);
            codectest::put32be(bytes, 20, 100000);
            codectest::fixPngCrc(bytes, 8);
            break;
        case Format::Gif:
            codectest::put16(bytes, 6, 65535);
            codectest::put16(bytes, 8, 65535);
            break;
        case Format::Jpeg: {
            const qsizetype sof = codectest::findMarker(bytes, 0xC0);
            codectest::put16be(bytes, sof + 5, 60000);
            codectest::put16be(bytes, sof + 7, 60000);
            break;
        }
        case Format::Webp:
            // The lossless header packs width - 1 and height - 1 in 14 bits each: 16384 × 16384.
            EXPECT_EQ(bytes.mid(12, 4), QByteArray("VP8L"));
            bytes[21] = bytes[22] = bytes[23] = static_cast<char>(0xFF);
            bytes[24] = static_cast<char>(bytes[24] | 0x0F);
            break;
        case Format::Heif: {
            // 60000 × 60000 in every size box (libheif's encoder writes a grid of tiles): each side
            // within what libheif takes, the whole beyond the budget.
            qsizetype ispe = bytes.indexOf("ispe");
            EXPECT_GT(ispe, 0);
            for (; ispe > 0; ispe = bytes.indexOf("ispe", ispe + 1)) {
                codectest::put32be(bytes, ispe + 8, 60000);
                codectest::put32be(bytes, ispe + 12, 60000);
            }
            break;
        }
        case Format::Ico:
            break;
    }
    return bytes;
}

class HugeClaim : public testing::TestWithParam<Format> {};

TEST_P(HugeClaim, IsRefusedWithTheSizeMessage) {
    const QString text = codectest::errorOf([] { codecs::decode(claimHuge(GetParam()), GetParam()); });
    EXPECT_TRUE(text.startsWith(QStringLiteral("画像を読めません: 画像が大きすぎるか空です")))
        << text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Decoders, HugeClaim,
                         testing::Values(Format::Bmp, Format::Jpeg, Format::Gif, Format::Png, Format::Webp,
                                         Format::Heif),
                         [](const auto& row) { return std::string(nameOf(row.param)); });

TEST(ReadFile, MissingFileNamesTheFileAndKeepsTheSystemReason) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("nothing.png"));
    const QString text = codectest::errorOf([&] { codecs::readFile(path, Format::Png); });
    EXPECT_TRUE(text.startsWith(QStringLiteral("ファイル「%1」を読めません: ").arg(path)))
        << text.toStdString();
    EXPECT_GT(text.size(), QStringLiteral("ファイル「%1」を読めません: ").arg(path).size());
}

TEST(ReadFile, DecoderReasonIsWrappedOnceWithTheFileName) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("zero.jpg"));
    QFile(path).open(QIODevice::WriteOnly);
    EXPECT_EQ(codectest::errorOf([&] { codecs::readFile(path, Format::Jpeg); }),
              QStringLiteral("ファイル「%1」を読めません: ファイルが空です").arg(path));
}

TEST(ReadFile, FilesOverTheCapAreRefusedUnread) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.bmp"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(file.resize(qint64{256} * 1024 * 1024 + 1));  // sparse: costs no disk
    file.close();
    EXPECT_EQ(codectest::errorOf([&] { codecs::readFile(path, Format::Bmp); }),
              QStringLiteral(
                  "ファイル「%1」を読めません: ファイルが大きすぎます (268435457 バイト)。読めるのは 256 MiB "
                  "までです")
                  .arg(path));
}

TEST(ReadFile, FolderIsNotAPicture) {
    QTemporaryDir dir;
    EXPECT_TRUE(codectest::errorOf([&] {
                    codecs::readFile(dir.path(), Format::Png);
                }).startsWith(QStringLiteral("ファイル「%1」を読めません: ").arg(dir.path())));
}

}  // namespace

namespace {

// A device that reports no size and never ends is still read only up to the cap.
TEST(ReadFile, EndlessDeviceStopsAtTheCap) {
    if (!QFile::exists(QStringLiteral("/dev/zero"))) GTEST_SKIP() << "no /dev/zero";
    EXPECT_EQ(
        codectest::errorOf([] { codecs::readFile(QStringLiteral("/dev/zero"), Format::Jpeg); }),
        QStringLiteral(
            "ファイル「/dev/zero」を読めません: ファイルが大きすぎます (268435457 バイト)。読めるのは 256 "
            "MiB までです"));
}

}  // namespace

namespace {

// Headers whose claim the rest of the file cannot back: refused before the reader allocates for
// the claim, with the reason that fits. Each case was a fuzzing finding or its near neighbour.

bool isSizeRefusal(const QString& text) {
    return text.startsWith(QStringLiteral("画像を読めません: 画像が大きすぎるか空です"));
}

TEST(HeaderClaim, PngRowBeyondTheBudgetIsRefusedBeforeLibpngReadsTheHeader) {
    // libpng would size its row buffers from this (16 GiB for 2^31 pixels of 64 bits) first.
    QByteArray bytes = codecs::encode(codectest::pattern(4, 4), Format::Png);
    codectest::put32be(bytes, 16, 0x7FFFFFFF);
    bytes[24] = 16;  // bits a sample
    bytes[25] = 6;   // RGBA
    // The header's checksum is left stale: libpng stops there, so only an earlier check answers.
    const QString text = codectest::errorOf([&] { codecs::decode(bytes, Format::Png); });
    EXPECT_TRUE(isSizeRefusal(text)) << text.toStdString();
}

TEST(HeaderClaim, PngImageDataTooShortToInflateToThePictureIsTruncated) {
    QByteArray bytes = codecs::encode(codectest::pattern(4, 4), Format::Png);
    codectest::put32be(bytes, 16, 20000);  // 10^8 pixels: within the budget, 300 MB of samples
    codectest::put32be(bytes, 20, 5000);
    codectest::fixPngCrc(bytes, 8);
    EXPECT_EQ(codectest::errorOf([&] { codecs::decode(bytes, Format::Png); }),
              QStringLiteral("画像を読めません: PNG ファイルが途中で切れています"));
}

TEST(HeaderClaim, PngImageDataThatCanInflateToThePictureStillDecodes) {
    // One flat colour deflates far below a byte a pixel; the length bound must not refuse it.
    const QImage flat = base::makeBgr(2000, 2000, 0x336699);
    const QByteArray bytes = codecs::encode(flat, Format::Png);
    ASSERT_LT(bytes.size(), 2000 * 2000 / 50);
    EXPECT_TRUE(codectest::sameBgr(codecs::decode(bytes, Format::Png), flat));
}

TEST(HeaderClaim, GifFrameBeyondTheBudgetIsRefusedEvenWhereTheScreenClipsIt) {
    QByteArray gif = codecs::encode(codectest::indexed(4, 4, 4), Format::Gif);
    const qsizetype image = 13 + 3 * (2 << (static_cast<uchar>(gif[10]) & 7));
    ASSERT_EQ(static_cast<uchar>(gif[image]), 0x2C);
    codectest::put16(gif, image + 5, 65535);
    codectest::put16(gif, image + 7, 65535);
    const QString text = codectest::errorOf([&] { codecs::decode(gif, Format::Gif); });
    EXPECT_TRUE(isSizeRefusal(text)) << text.toStdString();
}

TEST(HeaderClaim, JpegCutInsideItsHeaderIsReportedAsCut) {
    const QByteArray jpeg = codecs::encode(codectest::smooth(16, 16), Format::Jpeg);
    const qsizetype scan = codectest::findMarker(jpeg, 0xDA);
    ASSERT_GT(scan, 0);
    for (qsizetype keep : {scan, scan - 30, qsizetype{4}}) {
        EXPECT_EQ(codectest::errorOf([&] { codecs::decode(jpeg.left(keep), Format::Jpeg); }),
                  QStringLiteral(
                      "画像を読めません: JPEG ファイルが途中で切れています (Premature end of JPEG file)"))
            << keep << " bytes";
    }
}

TEST(HeaderClaim, JpegClaimingAHugePictureWithoutTheDataIsRefusedAtTheFirstDamage) {
    QByteArray jpeg = codecs::encode(codectest::smooth(16, 16), Format::Jpeg);
    const qsizetype sof = codectest::findMarker(jpeg, 0xC0);
    codectest::put16be(jpeg, sof + 5, 8192);  // 2^27 pixels, exactly the budget
    codectest::put16be(jpeg, sof + 7, 16384);
    EXPECT_EQ(
        codectest::errorOf([&] { codecs::decode(jpeg, Format::Jpeg); }),
        QStringLiteral("画像を読めません: JPEG ファイルが壊れています (Corrupt JPEG data: premature end "
                       "of data segment)"));
}

TEST(HeaderClaim, IconWhosePictureIsLargerThanItsDirectorySaysIsRefused) {
    // The directory says 256 × 256 (0, 0); the PNG inside is 65536 pixels wide.
    QImage wide(65536, 1, QImage::Format_BGR888);
    wide.fill(Qt::red);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(QImageWriter(&buffer, "png").write(wide));
    const QByteArray png = buffer.data();
    QByteArray icon = codectest::bytesOf({0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 1, 0, 32, 0});
    icon.append(QByteArray(8, '\0'));
    codectest::put32(icon, 14, static_cast<std::uint32_t>(png.size()));
    codectest::put32(icon, 18, 22);
    icon.append(png);
    const QString text = codectest::errorOf([&] { codecs::decode(icon, Format::Ico); });
    EXPECT_TRUE(isSizeRefusal(text)) << text.toStdString();
}

}  // namespace
