// What the user reads when a file cannot be read or written: Japanese, naming what went wrong,
// with the library's or the system's own reason in parentheses where there is one.

#include <unistd.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "base/image.h"
#include "codec_test_util.h"
#include "codecs/codecs.h"
#include "test_support.h"

using codecs::Format;
using codectest::errorOf;

namespace {

// Outside the parentheses only Japanese, numbers, file names and the formats' own names.
bool japaneseOutsideParentheses(const QString& text) {
    QString bare = text;
    bare.remove(QRegularExpression(QStringLiteral("\\([^()]*\\)")));
    bare.remove(QRegularExpression(QStringLiteral("「[^」]*」")));
    for (const char* name : {"JPEG", "PNG", "GIF", "BMP", "LZW", "MiB"}) bare.remove(QLatin1String(name));
    return !bare.contains(QRegularExpression(QStringLiteral("[A-Za-z]{2,}")));
}

struct Refusal {
    const char* name;
    QByteArray data;
    Format format;
    const char* expected;
};

QByteArray gifHeader() {
    // GIF89a, a 2 × 2 screen with a two-colour table.
    return codectest::bytesOf({'G', 'I', 'F', '8', '9', 'a', 2, 0, 2, 0, 0x80, 0, 0, 0, 0, 0, 255, 255, 255});
}

std::vector<Refusal> refusals() {
    const QByteArray gif = codecs::encode(codectest::indexed(8, 8, 4), Format::Gif);
    return {
        {"PngOfOtherBytes", QByteArray("GIF89a and more"), Format::Png,
         "画像を読めません: PNG ファイルではありません"},
        {"JpegOfText", QByteArray("this is text"), Format::Jpeg,
         "画像を読めません: JPEG ファイルではありません (Not a JPEG file: starts with 0x74 0x68)"},
        {"GifCutShort", gif.left(gif.size() - 6), Format::Gif,
         "画像を読めません: GIF ファイルが途中で切れているか壊れています (Failed to read from given file)"},
        {"GifWithAStrayRecord", gifHeader() + QByteArray("Z", 1), Format::Gif,
         "画像を読めません: GIF ファイルが壊れています (Wrong record type detected)"},
        {"GifOfOtherBytes", QByteArray("not a gif"), Format::Gif,
         "画像を読めません: GIF ファイルではありません (Data is not in GIF format)"},
        {"IconWithoutEntries", codectest::bytesOf({0, 0, 1, 0, 0, 0}), Format::Ico,
         "画像を読めません: アイコン ファイルに画像がありません"},
    };
}

TEST(Messages, ReadersRefuseInJapaneseKeepingTheLibrarysReason) {
    for (const Refusal& r : refusals()) {
        const QString text = errorOf([&] { codecs::decode(r.data, r.format); });
        EXPECT_EQ(text, QString::fromUtf8(r.expected)) << r.name;
        EXPECT_TRUE(japaneseOutsideParentheses(text)) << r.name;
    }
}

TEST(Messages, JpegWiderThanLibjpegWritesIsNamedWithItsLimit) {
    const QString text = errorOf([] { codecs::encode(base::makeBgr(65501, 1), Format::Jpeg); });
    EXPECT_EQ(text, QStringLiteral(
                        "画像を書き出せません: JPEG に書き出せるのは一辺 65500 ピクセルまでです (65501 × 1) "
                        "(Maximum supported image dimension is 65500 pixels)"));
    EXPECT_TRUE(japaneseOutsideParentheses(text));
}

TEST(Messages, FileErrorsSayWhatWentWrongInJapanese) {
    QTemporaryDir dir;
    const QImage picture = codectest::pattern(4, 4);
    const QString folder = dir.filePath(QStringLiteral("folder.png"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString intoFolder = errorOf([&] { codecs::writeFile(folder, picture, Format::Png); });
    EXPECT_TRUE(intoFolder.startsWith(QStringLiteral("ファイル「%1」に書き込めません: フォルダーです (")
                                          .arg(QDir::toNativeSeparators(folder))))
        << intoFolder.toStdString();
    const QString readFolder = errorOf([&] { codecs::readFile(folder, Format::Png); });
    EXPECT_TRUE(readFolder.contains(QStringLiteral("を読めません: フォルダーです")))
        << readFolder.toStdString();

    const QString nowhere = dir.filePath(QStringLiteral("no/such/out.png"));
    const QString noFolder = errorOf([&] { codecs::writeFile(nowhere, picture, Format::Png); });
    EXPECT_TRUE(noFolder.contains(QStringLiteral("に書き込めません: フォルダーがありません (")))
        << noFolder.toStdString();
    const QString missing =
        errorOf([&] { codecs::readFile(dir.filePath(QStringLiteral("gone.png")), Format::Png); });
    EXPECT_TRUE(missing.contains(QStringLiteral("を読めません: ファイルがありません (")))
        << missing.toStdString();
    for (const QString& text : {intoFolder, readFolder, noFolder, missing})
        EXPECT_TRUE(japaneseOutsideParentheses(text)) << text.toStdString();

    const QString locked = dir.filePath(QStringLiteral("locked.png"));
    codecs::writeFile(locked, picture, Format::Png);
    QFile::setPermissions(locked, QFileDevice::ReadOwner);
    QString text;
    {
        const testsupport::Unprivileged user({dir.path(), locked});
        text = errorOf([&] { codecs::writeFile(locked, picture, Format::Png); });
    }
    EXPECT_TRUE(text.contains(QStringLiteral("に書き込めません: 書き込みが許可されていません (")))
        << text.toStdString();
}

// A PNG with only its header: signature, IHDR (w × h, 8-bit RGB) and IEND.
QByteArray pngHeaderOnly(std::uint32_t w, std::uint32_t h) {
    QByteArray png =
        codectest::bytesOf({0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0,
                            0,    0,   0,   0,   0,    0,    0,    8,    2, 0, 0, 0,  0,   0,   0,   0});
    codectest::put32be(png, 16, w);
    codectest::put32be(png, 20, h);
    codectest::fixPngCrc(png, 8);
    png.append(codectest::bytesOf({0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82}));
    return png;
}

// An icon whose PNG entry is over the pixel budget by a row: Qt's reader would only say it cannot
// read the data; it gets the size message a file of that size gets.
TEST(Messages, IconWithAPngEntryOverTheBudgetGetsTheSizeMessage) {
    const QByteArray png = pngHeaderOnly(16384, 8193);
    QByteArray icon = codectest::bytesOf({0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 1, 0, 32, 0});
    icon.append(QByteArray(8, '\0'));
    codectest::put32(icon, 14, static_cast<std::uint32_t>(png.size()));
    codectest::put32(icon, 18, 22);
    icon.append(png);
    EXPECT_TRUE(errorOf([&] {
                    codecs::decode(icon, Format::Ico);
                }).startsWith(QStringLiteral("画像を読めません: 画像が大きすぎるか空です (16384 × 8193)")));
}

// GIF allows LZW minimum code sizes 2 to 8; giflib decodes only those and refused larger ones
// with a bare read error.
TEST(Messages, GifLzwCodeSizeBeyondEightIsNamed) {
    for (int bits : {9, 11, 12}) {
        QByteArray gif = gifHeader();
        gif.append(codectest::bytesOf({',', 0, 0, 0, 0, 2, 0, 2, 0, 0, bits, 1, 0, 0, ';'}));
        EXPECT_EQ(errorOf([&] { codecs::decode(gif, Format::Gif); }),
                  QStringLiteral(
                      "画像を読めません: GIF の LZW 最小コード長 %1 ビットは扱えません (GIF が定めるのは "
                      "2〜8 ビットです)")
                      .arg(bits));
    }
    // With a local colour table the size follows it.
    QByteArray local = gifHeader();
    local.append(codectest::bytesOf({',', 0, 0, 0, 0, 2, 0, 2, 0, 0x80, 1, 2, 3, 4, 5, 6, 10, 1, 0, 0, ';'}));
    EXPECT_TRUE(errorOf([&] {
                    codecs::decode(local, Format::Gif);
                }).contains(QStringLiteral("最小コード長 10 ビット")));
}

TEST(Messages, CorpusFilesTheIssueNamed) {
    const QString root = testsupport::corpusDir();
    if (root.isEmpty() || !QDir(root).exists()) GTEST_SKIP() << "no conformance pictures here";
    const QString gif = root + QStringLiteral("/pillow-tests/gif/issue_2811.gif");
    EXPECT_TRUE(errorOf([&] { codecs::readFile(gif, Format::Gif); })
                    .endsWith(QStringLiteral(
                        "GIF の LZW 最小コード長 11 ビットは扱えません (GIF が定めるのは 2〜8 ビットです)")));
    QFile ari(root + QStringLiteral("/libjpeg-turbo-testimages/testimgari.jpg"));
    ASSERT_TRUE(ari.open(QIODevice::ReadOnly));
    const QByteArray whole = ari.readAll();
    EXPECT_EQ(codecs::decode(whole, Format::Jpeg).size(), QSize(227, 149));
    const QByteArray cut = whole.left(whole.size() / 2) + QByteArray("\xFF\xD9", 2);
    EXPECT_TRUE(errorOf([&] {
                    codecs::decode(cut, Format::Jpeg);
                }).contains(QStringLiteral("算術符号のデータが画像の終わりより前で尽きています")));
}

// The README and the manual page state the read cap; the figure is the one the reader enforces.
TEST(Messages, TheDocumentsNameTheReadCap) {
    const QRegularExpression cap(QStringLiteral("(\\d+) MiB at most"));
    for (const char* name : {"README.md", "data/man/kadrel-cli.1"}) {
        QFile file(QStringLiteral(KADREL_SOURCE_DIR "/") + QString::fromLatin1(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name;
        const QString text = QString::fromUtf8(file.readAll());
        int found = 0;
        for (auto it = cap.globalMatch(text); it.hasNext(); ++found)
            EXPECT_EQ(it.next().captured(1).toLongLong(), codecs::kMaxFileBytes / (1024 * 1024)) << name;
        EXPECT_GE(found, 1) << name;
    }
}

}  // namespace
