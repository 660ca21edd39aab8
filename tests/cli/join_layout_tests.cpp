#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "base/image.h"
#include "cli_test_util.h"
#include "collage/piece_table.h"

using namespace clitest;
using base::pixelAt;

namespace {

// A is 3 x 2 red, B 2 x 4 green, C 4 x 1 blue.
class JoinLayout : public ::testing::Test {
protected:
    void SetUp() override {
        a = save(dir, QStringLiteral("a.bmp"), picture(3, 2, kRed));
        b = save(dir, QStringLiteral("b.bmp"), picture(2, 4, kGreen));
        c = save(dir, QStringLiteral("c.bmp"), picture(4, 1, kBlue));
        outPath = dir.filePath(QStringLiteral("out.bmp"));
    }

    Outcome run(const QStringList& options, const QStringList& files) {
        QStringList args{QStringLiteral("join"), QStringLiteral("-o"), outPath};
        args << options << files;
        return runCli(args);
    }

    QImage joinWith(const QStringList& options, const QStringList& files) {
        const Outcome o = run(options, files);
        EXPECT_EQ(o.status, 0) << o.err.toStdString();
        return load(outPath);
    }

    QTemporaryDir dir;
    QString a, b, c, outPath;
};

TEST_F(JoinLayout, ColumnsGapMarginAndAlignmentPlaceEachPieceInItsCell) {
    // Columns 4 (A, C) and 2 (B) wide, rows 4 (A, B) and 1 (C) high; cells at x 2 and 7,
    // y 2 and 7. A stands right and bottom in its cell: (3, 4).
    const QImage out =
        joinWith({QStringLiteral("--columns"), QStringLiteral("2"), QStringLiteral("--gap=1"),
                  QStringLiteral("--margin"), QStringLiteral("2"), QStringLiteral("--align"),
                  QStringLiteral("bottom"), QStringLiteral("--align-x"), QStringLiteral("right"),
                  QStringLiteral("--background"), QStringLiteral("ffffff")},
                 {a, b, c});
    ASSERT_EQ(out.size(), QSize(11, 10));
    EXPECT_EQ(pixelAt(out, 3, 4), kRed);
    EXPECT_EQ(pixelAt(out, 5, 5), kRed);
    EXPECT_EQ(pixelAt(out, 2, 4), kWhite);
    EXPECT_EQ(pixelAt(out, 3, 3), kWhite);
    EXPECT_EQ(pixelAt(out, 7, 2), kGreen);
    EXPECT_EQ(pixelAt(out, 8, 5), kGreen);
    EXPECT_EQ(pixelAt(out, 6, 2), kWhite);
    EXPECT_EQ(pixelAt(out, 2, 7), kBlue);
    EXPECT_EQ(pixelAt(out, 5, 7), kBlue);
    EXPECT_EQ(pixelAt(out, 5, 6), kWhite);
    EXPECT_EQ(pixelAt(out, 10, 9), kWhite);
}

TEST_F(JoinLayout, AnyLayoutOptionArrangesWithTheSquareRootOfTheCountAsColumns) {
    // Three pieces: two columns, A and B in the first row, C under A.
    const QImage out = joinWith({QStringLiteral("--gap"), QStringLiteral("0")}, {a, b, c});
    ASSERT_EQ(out.size(), QSize(6, 5));
    EXPECT_EQ(pixelAt(out, 4, 0), kGreen);
    EXPECT_EQ(pixelAt(out, 0, 4), kBlue);
    EXPECT_EQ(pixelAt(out, 3, 4), kBlue);
}

TEST_F(JoinLayout, OneHeightScalesAndATransparentPieceKeepsItsKeyOutOfTheMix) {
    // 4 x 4: the left half magenta (its top-left pixel, so its key with --transparent), the
    // right half blue. At height 2 it is 2 x 2: the left column is all key.
    const base::Colour magenta = base::rgb(255, 0, 255);
    QImage halves = picture(4, 4, kBlue);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 2; ++x) base::setPixel(halves, x, y, magenta);
    const QString k = save(dir, QStringLiteral("k.bmp"), halves);
    const QStringList layout{QStringLiteral("--height"), QStringLiteral("2"), QStringLiteral("--background"),
                             QStringLiteral("ffffff")};
    QImage out = joinWith(layout + QStringList{QStringLiteral("--transparent")}, {k});
    ASSERT_EQ(out.size(), QSize(2, 2));
    EXPECT_EQ(pixelAt(out, 0, 0), kWhite);
    EXPECT_EQ(pixelAt(out, 1, 1), kBlue);
    out = joinWith(layout, {k});
    EXPECT_EQ(pixelAt(out, 0, 0), magenta);

    // One width: A (3 x 2) at width 6 is 6 x 4.
    out = joinWith({QStringLiteral("--width"), QStringLiteral("6")}, {a});
    EXPECT_EQ(out.size(), QSize(6, 4));
}

TEST_F(JoinLayout, WrongLayoutOptionsAreUsageErrorsAndWriteNothing) {
    const std::vector<QStringList> wrong = {
        {QStringLiteral("--canvas"), QStringLiteral("8x5"), QStringLiteral("--gap"), QStringLiteral("1")},
        {QStringLiteral("--columns"), QStringLiteral("0")},
        {QStringLiteral("--columns"), QStringLiteral("256")},
        {QStringLiteral("--gap"), QStringLiteral("1001")},
        {QStringLiteral("--margin"), QStringLiteral("-1")},
        {QStringLiteral("--align"), QStringLiteral("left")},
        {QStringLiteral("--align-x"), QStringLiteral("middle")},
        {QStringLiteral("--height"), QStringLiteral("0")},
        {QStringLiteral("--height"), QStringLiteral("2"), QStringLiteral("--width"), QStringLiteral("2")},
        {QStringLiteral("--justify"), QStringLiteral("100")},
        {QStringLiteral("--row-height"), QStringLiteral("100")},
        {QStringLiteral("--justify"), QStringLiteral("100"), QStringLiteral("--row-height"),
         QStringLiteral("9"), QStringLiteral("--columns"), QStringLiteral("2")},
        {QStringLiteral("--justify"), QStringLiteral("0"), QStringLiteral("--row-height"),
         QStringLiteral("9")},
        {QStringLiteral("--size"), QStringLiteral("0x10")},
        {QStringLiteral("--size"), QStringLiteral("70000x10")},
        {QStringLiteral("--fill")},
        {QStringLiteral("--size"), QStringLiteral("10x10"), QStringLiteral("--fit"),
         QStringLiteral("--fill")},
        {QStringLiteral("--size"), QStringLiteral("10x10"), QStringLiteral("--height"), QStringLiteral("5")},
    };
    for (const QStringList& options : wrong) {
        const Outcome o = run(options, {a, b});
        EXPECT_EQ(o.status, 2) << options.join(u' ').toStdString();
        EXPECT_FALSE(o.err.isEmpty());
        EXPECT_FALSE(QFileInfo::exists(outPath)) << options.join(u' ').toStdString();
    }
}

TEST_F(JoinLayout, AScaledPictureOverTheBudgetFailsAndWritesNothing) {
    for (const QStringList& options :
         {QStringList{QStringLiteral("--height"), QStringLiteral("65535")},
          QStringList{QStringLiteral("--size"), QStringLiteral("65535x65535")},
          QStringList{QStringLiteral("--justify"), QStringLiteral("65535"),
                      QStringLiteral("--row-height=60000")},
          QStringList{QStringLiteral("--size"), QStringLiteral("100x100"), QStringLiteral("--margin=50")}}) {
        const Outcome o = run(options, {a});
        EXPECT_EQ(o.status, 1) << options.join(u' ').toStdString();
        EXPECT_FALSE(o.err.isEmpty());
        EXPECT_FALSE(QFileInfo::exists(outPath));
    }
}

// Shaded pictures, so that a crop or a scale that goes wrong shows in the pixels.
QImage shaded(int w, int h, int seed) {
    QImage p = base::makeBgr(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            base::setPixel(
                p, x, y,
                base::rgb(static_cast<std::uint8_t>(x * 7 + seed), static_cast<std::uint8_t>(y * 5),
                          static_cast<std::uint8_t>((x + y) * 3 + seed * 11)));
    return p;
}

TEST(JoinLayouts, JustifiedRowsAndFixedSizesAreTheWindowsArrangement) {
    QTemporaryDir dir;
    const std::vector<QImage> pictures{shaded(40, 30, 1), shaded(20, 50, 2), shaded(60, 20, 3),
                                       shaded(33, 33, 4), shaded(25, 40, 5)};
    QStringList files;
    for (size_t i = 0; i < pictures.size(); ++i)
        files << save(dir, QStringLiteral("p%1.bmp").arg(i), pictures[i]);
    const QString out = dir.filePath(QStringLiteral("out.bmp"));

    struct Case {
        QStringList options;
        collage::Arrangement arrangement;
    };
    collage::Arrangement rows;
    rows.kind = collage::LayoutKind::Justified;
    rows.rowWidth = 150;
    rows.rowHeight = 40;
    rows.gap = 3;
    rows.margin = 2;
    rows.columnAlign = collage::ColumnAlign::Center;
    collage::Arrangement fill;
    fill.output = QSize(101, 77);
    fill.columns = 3;
    fill.gap = 1;
    fill.fit = collage::CellFit::Fill;
    collage::Arrangement fit = fill;
    fit.fit = collage::CellFit::Fit;
    fit.columns = 2;
    fit.rowAlign = collage::RowAlign::Bottom;
    fit.columnAlign = collage::ColumnAlign::Right;
    fit.margin = 4;
    fit.output = QSize(120, 200);
    const std::vector<Case> cases{
        {{QStringLiteral("--justify"), QStringLiteral("150"), QStringLiteral("--row-height=40"),
          QStringLiteral("--gap"), QStringLiteral("3"), QStringLiteral("--margin"), QStringLiteral("2"),
          QStringLiteral("--align-x"), QStringLiteral("center")},
         rows},
        {{QStringLiteral("--size"), QStringLiteral("101x77"), QStringLiteral("--fill"),
          QStringLiteral("--columns"), QStringLiteral("3"), QStringLiteral("--gap"), QStringLiteral("1")},
         fill},
        {{QStringLiteral("--size"), QStringLiteral("120x200"), QStringLiteral("--columns"),
          QStringLiteral("2"), QStringLiteral("--gap"), QStringLiteral("1"), QStringLiteral("--margin"),
          QStringLiteral("4"), QStringLiteral("--align"), QStringLiteral("bottom"),
          QStringLiteral("--align-x"), QStringLiteral("right")},
         fit},
    };
    for (const Case& c : cases) {
        const Outcome o =
            runCli(QStringList{QStringLiteral("join"), QStringLiteral("-o"), out} << c.options << files);
        ASSERT_EQ(o.status, 0) << o.err.toStdString();
        // The window's table with the same pieces, arranged the same way.
        collage::PieceTable table(QSize(1920, 1080), true);
        collage::Options options;
        options.screenWidth = 1920;
        for (const QImage& p : pictures) {
            collage::Piece piece;
            piece.picture = p;
            table.add(piece, options);
        }
        table.arrange(c.arrangement, options);
        EXPECT_EQ(load(out), collage::composeTable(table)) << c.options.join(u' ').toStdString();
    }
    EXPECT_EQ(load(out).size(), QSize(120, 200));
}

TEST(JoinLayouts, PiecesTooManyToStackAreStillArranged) {
    // Wrapping at a 10-pixel screen, three 20 × 30000 pieces would stack 90000 high, beyond the
    // limit of a side; side by side in a grid they are 60 × 30000.
    QTemporaryDir dir;
    QStringList files;
    for (int i = 0; i < 3; ++i)
        files << save(dir, QStringLiteral("s%1.png").arg(i), picture(20, 30000, i == 1 ? kGreen : kRed));
    const QString out = dir.filePath(QStringLiteral("out.png"));
    const Outcome o =
        runCli(QStringList{QStringLiteral("join"), QStringLiteral("-o"), out, QStringLiteral("--screen"),
                           QStringLiteral("10x10"), QStringLiteral("--columns"), QStringLiteral("3")}
               << files);
    ASSERT_EQ(o.status, 0) << o.err.toStdString();
    const QImage joined = load(out);
    EXPECT_EQ(joined.size(), QSize(60, 30000));
    EXPECT_EQ(pixelAt(joined, 30, 29999), kGreen);
}

TEST(JoinWithoutLayout, WritesTheSameBytesAsBefore) {
    // The bytes kadrel-cli wrote for this join before the layout options existed.
    QTemporaryDir dir;
    const QString a = save(dir, QStringLiteral("a.bmp"), picture(3, 2, kRed));
    const QString b = save(dir, QStringLiteral("b.bmp"), picture(2, 4, kGreen));
    const QString c = save(dir, QStringLiteral("c.bmp"), picture(5, 1, kBlue, {{0, 0, kWhite}}));
    const QString out = dir.filePath(QStringLiteral("out.bmp"));
    const Outcome o =
        runCli({QStringLiteral("join"), QStringLiteral("-o"), out, QStringLiteral("--screen"),
                QStringLiteral("4x100"), QStringLiteral("--background"), QStringLiteral("102030"), a, b, c});
    ASSERT_EQ(o.status, 0) << o.err.toStdString();
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex(),
              QByteArray("539908f98900f8ea6c72e2de88eab5c5108cb06ceb57870f560ce820eca7eca5"));
}

}  // namespace
