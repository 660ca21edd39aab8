#include <gtest/gtest.h>

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

}  // namespace
