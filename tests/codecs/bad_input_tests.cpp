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
    for (Format other : {Format::Bmp, Format::Jpeg, Format::Gif, Format::Png, Format::Ico}) {
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
                         testing::Values(Format::Bmp, Format::Jpeg, Format::Gif, Format::Png, Format::Ico),
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
                         testing::Values(Format::Bmp, Format::Jpeg, Format::Gif, Format::Png),
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
