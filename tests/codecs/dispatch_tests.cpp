#include <gtest/gtest.h>

#include <vector>

#include <QFile>
#include <QTemporaryDir>

#include "codec_test_util.h"
#include "codecs/codecs.h"
#include "codecs/messages.h"

using codecs::Format;

namespace {

struct ExtensionCase {
    const char* name;
    const char* extension;
};

class ExtensionOf : public testing::TestWithParam<ExtensionCase> {};

TEST_P(ExtensionOf, TakesTheLastDotOfTheFileNamePart) {
    EXPECT_EQ(codecs::extensionOf(QString::fromUtf8(GetParam().name)),
              QString::fromUtf8(GetParam().extension));
}

INSTANTIATE_TEST_SUITE_P(Names, ExtensionOf,
                         testing::Values(ExtensionCase{"photo.jpg", ".jpg"},
                                         ExtensionCase{"/x/y/photo.tar.gz", ".gz"},
                                         ExtensionCase{"/a.b/c", ""}, ExtensionCase{"noext", ""},
                                         ExtensionCase{"C:\\a.b\\c", ""}, ExtensionCase{"trailing.", "."},
                                         ExtensionCase{"/home/u/.hidden", ".hidden"},
                                         ExtensionCase{"写真.PNG", ".PNG"}, ExtensionCase{"", ""}));

struct PieceCase {
    const char* name;
    Format format;
};

class PieceFormat : public testing::TestWithParam<PieceCase> {};

// Pieces match only the all-lower and all-upper spellings; everything else is read as JPEG.
TEST_P(PieceFormat, FollowsTheExactCaseTable) {
    EXPECT_EQ(codecs::pieceFormat(QString::fromUtf8(GetParam().name)), GetParam().format);
}

INSTANTIATE_TEST_SUITE_P(Names, PieceFormat,
                         testing::Values(PieceCase{"a.bmp", Format::Bmp}, PieceCase{"a.BMP", Format::Bmp},
                                         PieceCase{"a.Bmp", Format::Jpeg}, PieceCase{"a.gif", Format::Gif},
                                         PieceCase{"a.GIF", Format::Gif}, PieceCase{"a.Gif", Format::Jpeg},
                                         PieceCase{"a.png", Format::Png}, PieceCase{"a.PNG", Format::Png},
                                         PieceCase{"a.pNg", Format::Jpeg}, PieceCase{"a.jpeg", Format::Jpeg},
                                         PieceCase{"a.JPG", Format::Jpeg}, PieceCase{"noext", Format::Jpeg},
                                         PieceCase{"/dir.png/file", Format::Jpeg},
                                         PieceCase{"a.ico", Format::Jpeg}));

class AnyCaseFormat : public testing::TestWithParam<PieceCase> {};

TEST_P(AnyCaseFormat, IgnoresLetterCase) {
    EXPECT_EQ(codecs::formatByExtension(QString::fromUtf8(GetParam().name)), GetParam().format);
}

INSTANTIATE_TEST_SUITE_P(Names, AnyCaseFormat,
                         testing::Values(PieceCase{"photo.JPEG", Format::Jpeg},
                                         PieceCase{"photo.jpg", Format::Jpeg},
                                         PieceCase{"photo.JpG", Format::Jpeg},
                                         PieceCase{"scan.Bmp", Format::Bmp}, PieceCase{"a.GIF", Format::Gif},
                                         PieceCase{"a.Png", Format::Png},
                                         PieceCase{"icon.ICO", Format::Ico}));

TEST(AnyCaseFormat, RefusesOtherExtensionsNamingThemWithoutTheDot) {
    EXPECT_EQ(codectest::errorOf([] { codecs::formatByExtension(QStringLiteral("scan.xyz")); }),
              QStringLiteral("拡張子 .xyz の画像形式は処理できません"));
    EXPECT_EQ(codectest::errorOf([] { codecs::formatByExtension(QStringLiteral("picture.wmf")); }),
              QStringLiteral("拡張子 .wmf の画像形式は処理できません"));
    EXPECT_EQ(codectest::errorOf([] { codecs::formatByExtension(QStringLiteral("/a.jpg/noext")); }),
              QStringLiteral("拡張子 . の画像形式は処理できません"));
}

TEST(Messages, WrapTheLibraryReasonWithWhatFailed) {
    namespace m = codecs::messages;
    EXPECT_EQ(m::decodeFailed(QStringLiteral("Not a JPEG file")),
              QStringLiteral("画像を読めません: Not a JPEG file"));
    EXPECT_EQ(m::readFailed(QStringLiteral("/tmp/a.jpg"), QStringLiteral("why")),
              QStringLiteral("ファイル「/tmp/a.jpg」を読めません: why"));
    EXPECT_EQ(m::encodeFailed(QStringLiteral("why")), QStringLiteral("画像を書き出せません: why"));
    EXPECT_EQ(m::writeFailed(QStringLiteral("/tmp/b.png"), QStringLiteral("why")),
              QStringLiteral("ファイル「/tmp/b.png」に書き込めません: why"));
}

// An icon with one PNG entry.
QByteArray iconOf(const QByteArray& png, int side) {
    QByteArray icon = codectest::bytesOf({0, 0, 1, 0, 1, 0, side, side, 0, 0, 1, 0, 32, 0});
    icon.append(QByteArray(8, '\0'));
    codectest::put32(icon, 14, static_cast<std::uint32_t>(png.size()));
    codectest::put32(icon, 18, 22);
    return icon + png;
}

// A picture whose name says another format (a PNG saved as .jpg, a WebP a browser named .jpg) is
// read by the decoder its bytes name, through either rule of names; a picture whose name is right
// is read as its own decoder reads it; bytes no decoder recognises get the named decoder's refusal.
TEST(ReadFile, AMisnamedPictureIsReadByTheDecoderItsBytesName) {
    QTemporaryDir dir;
    const QImage picture = codectest::pattern(4, 4);
    const QByteArray png = codecs::encode(picture, Format::Png);
    struct Kind {
        Format format;
        QByteArray bytes;
    };
    std::vector<Kind> kinds = {{Format::Png, png},
                               {Format::Bmp, codecs::encode(picture, Format::Bmp)},
                               {Format::Gif, codecs::encode(codectest::indexed(4, 4, 5), Format::Gif)},
                               {Format::Jpeg, codecs::encode(picture, Format::Jpeg)},
                               {Format::Webp, codecs::encode(picture, Format::Webp)},
                               {Format::Ico, iconOf(png, 4)}};
    const QByteArray heic = codectest::heifFile(picture, codectest::HeifKind::Heic);
    if (!heic.isEmpty()) kinds.push_back({Format::Heif, heic});
    const QStringList names = {"a.jpg",  "a.JPG",  "a.jpeg", "a.Png", "a.png", "a.bmp",      "a.gif",
                               "a.webp", "a.heic", "a.AVIF", "a.ico", "a.txt", "noextension"};
    for (const Kind& kind : kinds) {
        ASSERT_FALSE(kind.bytes.isEmpty());
        EXPECT_EQ(codecs::signatureFormat(kind.bytes), kind.format);
        const QImage expected = codecs::decode(kind.bytes, kind.format);
        for (const QString& name : names) {
            const QString path = dir.filePath(name);
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(kind.bytes);
            file.close();
            std::vector<Format> chosen = {codecs::pieceFormat(name)};
            if (const auto any = codecs::knownFormat(name)) chosen.push_back(*any);
            for (const Format format : chosen) {
                QImage got;
                const QString text = codectest::errorOf([&] { got = codecs::readFile(path, format); });
                EXPECT_EQ(text, QStringLiteral("no error")) << name.toStdString();
                EXPECT_TRUE(codectest::sameBgr(got, expected)) << name.toStdString();
            }
        }
    }

    const QByteArray junk("neither a picture nor anything else", 35);
    EXPECT_EQ(codecs::signatureFormat(junk), std::nullopt);
    const QString prefix = QStringLiteral("画像を読めません: ");
    for (const Format format :
         {Format::Jpeg, Format::Png, Format::Bmp, Format::Gif, Format::Webp, Format::Heif}) {
        const QString path = dir.filePath(QStringLiteral("junk"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(junk);
        file.close();
        const QString reason = codectest::errorOf([&] { codecs::decode(junk, format); }).mid(prefix.size());
        EXPECT_EQ(codectest::errorOf([&] { codecs::readFile(path, format); }),
                  codecs::messages::readFailed(path, reason));
    }
}

}  // namespace
