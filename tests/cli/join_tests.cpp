#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "base/image.h"
#include "base/parallel.h"
#include "cli_test_util.h"
#include "collage/texts.h"

using namespace clitest;
using base::pixelAt;

namespace {

// Two pieces: A is 3 x 2 red, B is 2 x 4 green.
class Join : public ::testing::Test {
protected:
    void SetUp() override {
        a = save(dir, QStringLiteral("a.bmp"), picture(3, 2, kRed));
        b = save(dir, QStringLiteral("b.png"), picture(2, 4, kGreen));
        outPath = dir.filePath(QStringLiteral("out.bmp"));
    }

    // Joins with the given options and returns the written picture.
    QImage joinWith(QStringList options, const QStringList& files) {
        QStringList args{QStringLiteral("join"), QStringLiteral("-o"), outPath};
        args << options << files;
        last = runCli(args);
        EXPECT_EQ(last.status, 0) << last.err.toStdString();
        return load(outPath);
    }

    QTemporaryDir dir;
    QString a, b, outPath;
    Outcome last;
};

TEST_F(Join, AutoSizePlacesEachPieceRightOfThePreviousAndFitsTheCanvas) {
    const QImage out = joinWith({}, {a, b});
    ASSERT_EQ(out.size(), QSize(5, 4));
    EXPECT_EQ(pixelAt(out, 0, 0), kRed);
    EXPECT_EQ(pixelAt(out, 2, 1), kRed);
    EXPECT_EQ(pixelAt(out, 3, 0), kGreen);
    EXPECT_EQ(pixelAt(out, 4, 3), kGreen);
    // Below the shorter piece the black background shows.
    EXPECT_EQ(pixelAt(out, 0, 2), kBlack);
    EXPECT_EQ(pixelAt(out, 2, 3), kBlack);
    EXPECT_TRUE(last.err.isEmpty());
}

TEST_F(Join, ScreenWidthWrapsTheRowAndThePieceDropsBelowTheOneInTheWay) {
    // x = 3 reaches the 3-pixel screen: B wraps to x = 0, meets A and drops to y = 2.
    const QImage out = joinWith({QStringLiteral("--screen"), QStringLiteral("3x100")}, {a, b});
    ASSERT_EQ(out.size(), QSize(3, 6));
    EXPECT_EQ(pixelAt(out, 2, 1), kRed);
    EXPECT_EQ(pixelAt(out, 0, 2), kGreen);
    EXPECT_EQ(pixelAt(out, 1, 5), kGreen);
    EXPECT_EQ(pixelAt(out, 2, 2), kBlack);
}

TEST_F(Join, TypedCanvasKeepsItsSizeAndClipsWhatSticksOut) {
    QImage out = joinWith({QStringLiteral("--canvas"), QStringLiteral("8x5")}, {a, b});
    ASSERT_EQ(out.size(), QSize(8, 5));
    EXPECT_EQ(pixelAt(out, 4, 3), kGreen);
    EXPECT_EQ(pixelAt(out, 5, 0), kBlack);
    EXPECT_EQ(pixelAt(out, 7, 4), kBlack);

    // Without keep-inside, B stays at x = 3 on a 4-wide canvas and is cut at its edge.
    out = joinWith({QStringLiteral("--canvas"), QStringLiteral("4x10")}, {a, b});
    ASSERT_EQ(out.size(), QSize(4, 10));
    EXPECT_EQ(pixelAt(out, 3, 0), kGreen);
    EXPECT_EQ(pixelAt(out, 0, 2), kBlack);
}

TEST_F(Join, KeepInsideStartsANewRowForAPieceThatWouldStickOut) {
    const QImage out = joinWith({QStringLiteral("--canvas=4x10"), QStringLiteral("--keep-inside")}, {a, b});
    EXPECT_EQ(pixelAt(out, 3, 0), kBlack);
    EXPECT_EQ(pixelAt(out, 0, 2), kGreen);
    EXPECT_EQ(pixelAt(out, 1, 5), kGreen);
    EXPECT_TRUE(last.err.isEmpty());
}

TEST_F(Join, KeepInsideIsSwitchedOffWithTheWindowsNoticeAndTheJoinGoesOn) {
    // B wraps to (0, 2) but still passes the 3-high canvas: the notice, and the rule is off.
    // C (3 x 1 blue) then stays right of B at x = 2 instead of wrapping again.
    const QString c = save(dir, QStringLiteral("c.png"), picture(3, 1, kBlue));
    const QImage out = joinWith(
        {QStringLiteral("--canvas"), QStringLiteral("4x3"), QStringLiteral("--keep-inside")}, {a, b, c});
    EXPECT_TRUE(last.err.contains(collage::texts::keepInsideOffOnAdd())) << last.err.toStdString();
    EXPECT_TRUE(last.err.contains(b));
    EXPECT_EQ(last.err.count(collage::texts::keepInsideOffOnAdd()), 1);
    EXPECT_EQ(pixelAt(out, 1, 2), kGreen);
    EXPECT_EQ(pixelAt(out, 2, 2), kBlue);
    EXPECT_EQ(pixelAt(out, 3, 2), kBlue);
}

TEST_F(Join, BackgroundColourIsHexadecimalRedGreenBlue) {
    const QImage out = joinWith({QStringLiteral("--canvas"), QStringLiteral("5x3"),
                                 QStringLiteral("--background"), QStringLiteral("10a0F0")},
                                {a});
    EXPECT_EQ(pixelAt(out, 4, 2), base::rgb(0x10, 0xA0, 0xF0));
    EXPECT_EQ(pixelAt(out, 0, 0), kRed);
}

TEST_F(Join, BackgroundPictureIsTiledFromTheCanvasCorner) {
    const base::Colour left = base::rgb(1, 2, 3), right = base::rgb(4, 5, 6);
    const QString tile = save(dir, QStringLiteral("tile.PNG"), picture(2, 1, left, {{1, 0, right}}));
    const QImage out = joinWith(
        {QStringLiteral("--canvas"), QStringLiteral("7x4"), QStringLiteral("--background-picture"), tile},
        {a});
    EXPECT_EQ(pixelAt(out, 4, 3), left);
    EXPECT_EQ(pixelAt(out, 5, 2), right);
    EXPECT_EQ(pixelAt(out, 6, 0), left);
    EXPECT_EQ(pixelAt(out, 2, 1), kRed);
}

TEST_F(Join, TransparentLeavesOutEachPiecesOwnTopLeftColourExactly) {
    const base::Colour nearWhite = base::rgb(254, 255, 255), grey = base::rgb(128, 128, 128);
    a = save(dir, QStringLiteral("keyed-a.bmp"),
             picture(3, 2, kRed, {{0, 0, kWhite}, {1, 0, kWhite}, {2, 0, nearWhite}}));
    b = save(dir, QStringLiteral("keyed-b.bmp"), picture(2, 4, kGreen, {{0, 0, kBlue}, {1, 3, kWhite}}));
    const QStringList options{QStringLiteral("--canvas"), QStringLiteral("6x4"),
                              QStringLiteral("--background"), QStringLiteral("808080")};

    QImage out = joinWith(options + QStringList{QStringLiteral("--transparent")}, {a, b});
    EXPECT_EQ(pixelAt(out, 0, 0), grey);
    EXPECT_EQ(pixelAt(out, 1, 0), grey);
    EXPECT_EQ(pixelAt(out, 2, 0), nearWhite);
    EXPECT_EQ(pixelAt(out, 0, 1), kRed);
    // B is keyed by its own blue corner, so its white pixel stays.
    EXPECT_EQ(pixelAt(out, 3, 0), grey);
    EXPECT_EQ(pixelAt(out, 4, 0), kGreen);
    EXPECT_EQ(pixelAt(out, 4, 3), kWhite);

    out = joinWith(options, {a, b});
    EXPECT_EQ(pixelAt(out, 0, 0), kWhite);
    EXPECT_EQ(pixelAt(out, 3, 0), kBlue);
}

TEST_F(Join, PiecesAreReadByTheWindowsExactCaseExtensionRule) {
    // A name .Bmp goes to the JPEG reader, as the window reads it: bytes no reader recognises get
    // its refusal, while a real bitmap so named is read by the bitmap reader its bytes name.
    const QString junk = dir.filePath(QStringLiteral("junk.Bmp"));
    QFile file(junk);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("BX not a bitmap");
    file.close();
    Outcome o = runCli({QStringLiteral("join"), QStringLiteral("-o"), outPath, b, junk});
    EXPECT_EQ(o.status, 1);
    EXPECT_TRUE(o.err.contains(QStringLiteral("junk.Bmp"))) << o.err.toStdString();
    EXPECT_TRUE(o.err.contains(QStringLiteral("JPEG"))) << o.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(outPath));

    const QString mixed = dir.filePath(QStringLiteral("mixed.Bmp"));
    ASSERT_TRUE(QFile::copy(a, mixed));
    o = runCli({QStringLiteral("join"), QStringLiteral("-o"), outPath, b, mixed});
    EXPECT_EQ(o.status, 0) << o.err.toStdString();
    EXPECT_TRUE(QFileInfo::exists(outPath));
}

// The pieces are decoded side by side but fail as one by one: the first bad file in order is the
// one named, after the notices of the pieces added before it, on any number of workers.
TEST_F(Join, FirstBadFileInOrderIsReportedAfterTheNoticesBeforeIt) {
    const QString c = save(dir, QStringLiteral("c.png"), picture(3, 1, kBlue));
    const QString broken1 = dir.filePath(QStringLiteral("broken1.png"));
    const QString broken2 = dir.filePath(QStringLiteral("broken2.bmp"));
    for (const QString& path : {broken1, broken2}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not a picture at all");
    }
    for (int workers : {1, 2, 8}) {
        const base::ScopedWorkerCount count(workers);
        const Outcome o =
            runCli({QStringLiteral("join"), QStringLiteral("-o"), outPath, QStringLiteral("--canvas"),
                    QStringLiteral("4x3"), QStringLiteral("--keep-inside"), a, b, c, broken1, a, broken2});
        EXPECT_EQ(o.status, 1) << workers;
        EXPECT_TRUE(o.err.contains(collage::texts::keepInsideOffOnAdd())) << o.err.toStdString();
        EXPECT_TRUE(o.err.contains(QStringLiteral("broken1.png"))) << o.err.toStdString();
        EXPECT_FALSE(o.err.contains(QStringLiteral("broken2.bmp"))) << o.err.toStdString();
        EXPECT_LT(o.err.indexOf(collage::texts::keepInsideOffOnAdd()),
                  o.err.indexOf(QStringLiteral("broken1.png")));
        EXPECT_FALSE(QFileInfo::exists(outPath));
    }
}

TEST_F(Join, MoreFilesThanTheTableHoldsAreRefusedBeforeAnyIsRead) {
    QStringList args{QStringLiteral("join"), QStringLiteral("-o"), outPath};
    for (int i = 0; i < 256; ++i) args << a;
    const Outcome o = runCli(args);
    EXPECT_EQ(o.status, 2);
    EXPECT_TRUE(o.err.contains(collage::texts::tooManyPieces()));
}

// Every output format, through our own reader again. Pieces are 16 x 16 blocks of colours on
// the static palette, so only JPEG may move them, and only a little at the blocks' centres.
struct FormatCase {
    const char* name;
    int tolerance;
};

class JoinFormat : public ::testing::TestWithParam<FormatCase> {};

int distance(base::Colour x, base::Colour y) {
    return std::max({std::abs(base::red(x) - base::red(y)), std::abs(base::green(x) - base::green(y)),
                     std::abs(base::blue(x) - base::blue(y))});
}

TEST_P(JoinFormat, RoundTripsThroughOurReaders) {
    QTemporaryDir dir;
    const QString a = save(dir, QStringLiteral("a.bmp"), picture(16, 16, kRed));
    const QString b = save(dir, QStringLiteral("b.bmp"), picture(16, 16, kGreen));
    const QString out = dir.filePath(QString::fromLatin1(GetParam().name));
    const Outcome o = runCli({QStringLiteral("join"), QStringLiteral("-o"), out, a, b});
    ASSERT_EQ(o.status, 0) << o.err.toStdString();
    const QImage back = load(out);
    ASSERT_EQ(back.size(), QSize(32, 16));
    EXPECT_LE(distance(pixelAt(back, 8, 8), kRed), GetParam().tolerance);
    EXPECT_LE(distance(pixelAt(back, 24, 8), kGreen), GetParam().tolerance);
}

INSTANTIATE_TEST_SUITE_P(Formats, JoinFormat,
                         ::testing::Values(FormatCase{"joined.bmp", 0}, FormatCase{"joined.png", 0},
                                           FormatCase{"joined.PNG", 0}, FormatCase{"joined.gif", 0},
                                           FormatCase{"joined.jpg", 6}, FormatCase{"joined.jpeg", 6}),
                         [](const auto& row) {
                             QString n = QString::fromLatin1(row.param.name);
                             return n.replace(u'.', u'_').toStdString();
                         });

TEST(JoinQuality, ReachesTheJpegWriter) {
    QTemporaryDir dir;
    // Noise, so that the quality shows in the file size.
    QImage noisy = picture(64, 64, kBlack);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            base::setPixel(noisy, x, y,
                           base::rgb(static_cast<std::uint8_t>(x * 37 + y * 11),
                                     static_cast<std::uint8_t>(x * y), static_cast<std::uint8_t>(y * 53)));
    const QString in = save(dir, QStringLiteral("noisy.png"), noisy);
    const QString low = dir.filePath(QStringLiteral("low.jpg")),
                  high = dir.filePath(QStringLiteral("high.jpg"));
    ASSERT_EQ(runCli({QStringLiteral("join"), QStringLiteral("--quality"), QStringLiteral("1"),
                      QStringLiteral("-o"), low, in})
                  .status,
              0);
    ASSERT_EQ(runCli({QStringLiteral("join"), QStringLiteral("-o"), high, in}).status, 0);
    EXPECT_LT(QFileInfo(low).size() * 2, QFileInfo(high).size());
}

}  // namespace
