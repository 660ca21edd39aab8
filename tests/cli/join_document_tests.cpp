#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "cli_test_util.h"
#include "collage/openraster.h"

using namespace clitest;

namespace {

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

Outcome join(const QString& out, const QStringList& rest) {
    return runCli(QStringList{QStringLiteral("join"), QStringLiteral("-o"), out} + rest);
}

// An arrangement written as a document and then drawn gives the very file a direct join
// writes, in every output format.
TEST(JoinDocument, ADocumentDrawsAsTheJoinThatWroteIt) {
    QTemporaryDir dir;
    const QString a = save(dir, QStringLiteral("a.bmp"), picture(3, 2, kRed, {{1, 1, kBlue}}));
    const QString b = save(dir, QStringLiteral("b.png"), picture(2, 4, kGreen, {{0, 0, kWhite}}));
    const QString bg = save(dir, QStringLiteral("bg.bmp"), picture(2, 3, kBlue, {{1, 2, kRed}}));
    const QString layout = dir.filePath(QStringLiteral("layout.ora"));
    const QStringList options{QStringLiteral("--transparent"),
                              QStringLiteral("--background-picture"),
                              bg,
                              QStringLiteral("--columns"),
                              QStringLiteral("1"),
                              QStringLiteral("--margin"),
                              QStringLiteral("2"),
                              a,
                              b};
    Outcome o = join(layout, options);
    ASSERT_EQ(o.status, 0) << o.err.toStdString();
    const collage::PieceTable table = collage::openOpenRaster(layout).table;
    EXPECT_EQ(table.pieceCount(), 2);
    EXPECT_EQ(table.piece(1).pieceFile, b);
    EXPECT_TRUE(table.piece(1).transparent);

    for (const char* ext : {"png", "bmp", "gif", "jpg"}) {
        SCOPED_TRACE(ext);
        const QString direct = dir.filePath(QStringLiteral("direct.") + QLatin1String(ext));
        const QString drawn = dir.filePath(QStringLiteral("drawn.") + QLatin1String(ext));
        ASSERT_EQ(join(direct, options).status, 0);
        o = join(drawn, {layout});
        ASSERT_EQ(o.status, 0) << o.err.toStdString();
        EXPECT_EQ(bytesOf(drawn), bytesOf(direct));
    }
}

TEST(JoinDocument, ADocumentIsJoinedAloneAndADamagedOneWritesNothing) {
    QTemporaryDir dir;
    const QString a = save(dir, QStringLiteral("a.bmp"), picture(3, 2, kRed));
    const QString layout = dir.filePath(QStringLiteral("layout.ora"));
    ASSERT_EQ(join(layout, {a}).status, 0);
    const QString out = dir.filePath(QStringLiteral("out.png"));
    EXPECT_EQ(join(out, {layout, a}).status, 2);
    EXPECT_EQ(join(out, {QStringLiteral("--canvas"), QStringLiteral("9x9"), layout}).status, 2);
    EXPECT_FALSE(QFile::exists(out));

    const QString broken = dir.filePath(QStringLiteral("壊れた.ora"));
    QFile f(broken);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytesOf(layout).left(100));
    f.close();
    const Outcome o = join(out, {broken});
    EXPECT_EQ(o.status, 1);
    EXPECT_TRUE(o.err.contains(broken)) << o.err.toStdString();
    EXPECT_FALSE(QFile::exists(out));
}

}  // namespace
