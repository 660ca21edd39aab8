#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include "app/command_line.h"
#include "app/wiring.h"
#include "base/image.h"
#include "codecs/codecs.h"
#include "collage/document.h"
#include "collage/loading.h"
#include "collage/openraster.h"
#include "collage/recovery.h"
#include "collage/window/tkadrel.h"
#include "test_support.h"

namespace {

QStringList recoveries(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("recovery-*.ora")}, QDir::Files);
}

// The program killed while it holds unsaved work: its recovery document survives, no other
// program takes it while it runs, and the next start brings the same arrangement back.
TEST(Recovery, AKilledProgramsWorkComesBackOnTheNextStart) {
    QTemporaryDir dir;
    const QString state = dir.filePath(QStringLiteral("state"));
    const QString folder = state + QStringLiteral("/kadrel");
    QStringList files;
    for (int i = 0; i < 3; ++i) {
        files << dir.filePath(QStringLiteral("p%1.bmp").arg(i));
        codecs::writeFile(files.back(),
                          base::makeBgr(40 + 10 * i, 30, base::rgb(static_cast<std::uint8_t>(60 * i), 90, 9)),
                          codecs::Format::Bmp);
    }

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_STATE_HOME"), state);
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(KADREL_BINARY), files);
    ASSERT_TRUE(program.waitForStarted(10000));
    QElapsedTimer waited;
    waited.start();
    while (recoveries(folder).isEmpty() && waited.elapsed() < 30000) QThread::msleep(50);
    ASSERT_EQ(recoveries(folder).size(), 1) << "no recovery document was written";
    QThread::msleep(300);  // the document is renamed into place whole; let the writer finish
    // While the program runs, its document is not offered to another.
    EXPECT_TRUE(collage::leftOverRecoveries(folder).empty());
    program.kill();
    ASSERT_TRUE(program.waitForFinished(10000));

    testsupport::resetFake();
    collage::Tkadrel k(testsupport::fake());
    k.show();
    testsupport::fake().askAnswers = {0};  // 復元
    k.offerRecovery(folder);
    EXPECT_EQ(testsupport::fake().texts(platform::FakeDesktop::Kind::Question),
              QStringList{QStringLiteral("前回終了時の配置を復元しますか？")});
    collage::Document expected(collage::PieceTable(testsupport::fake().screen));
    expected.setScreenWidth(testsupport::fake().screen.width());
    expected.addFiles(collage::readPieceFiles(files));
    ASSERT_EQ(k.pieceCount(), 3);
    EXPECT_EQ(k.table().rects(), expected.table().rects());
    EXPECT_EQ(collage::composeTable(k.table()), collage::composeTable(expected.table()));
    EXPECT_TRUE(k.isWindowModified());  // restored work is unsaved work
    EXPECT_TRUE(recoveries(folder).isEmpty());
}

// `kadrel layout.ora` opens the arrangement as its document; closing with changes asks even while
// the cut editor is open, and キャンセル keeps both windows.
TEST(Document, OpenedFromTheCommandLineAndAskedAboutWithTheEditorOpen) {
    QTemporaryDir dir;
    collage::PieceTable saved(QSize(10, 10));
    for (int i = 0; i < 2; ++i) {
        collage::Piece piece;
        piece.picture = base::makeBgr(20 + 10 * i, 15, base::rgb(static_cast<std::uint8_t>(90 * i), 40, 4));
        saved.add(piece, {});
    }
    const QString path = dir.filePath(QStringLiteral("layout.ora"));
    collage::saveOpenRaster(saved, path);

    testsupport::resetFake();
    app::Windows windows(testsupport::fake());
    windows.kadrel.show();
    app::addStartFiles(windows.kadrel, {path});
    EXPECT_EQ(windows.kadrel.document().fileName(), path);
    EXPECT_TRUE(windows.kadrel.table() == saved);
    EXPECT_FALSE(windows.kadrel.isWindowModified());

    windows.kadrel.editmenu->trigger();
    ASSERT_TRUE(windows.loadcut.isVisible());
    collage::PieceTable moved = windows.kadrel.table();
    moved.nudge(3, 0, {});
    windows.kadrel.setTable(moved);
    testsupport::fake().askAnswers = {2};
    EXPECT_FALSE(windows.kadrel.close());
    EXPECT_TRUE(windows.kadrel.isVisible());
    EXPECT_TRUE(windows.loadcut.isVisible());
    testsupport::fake().askAnswers = {1};
    EXPECT_TRUE(windows.kadrel.close());
    EXPECT_EQ(testsupport::fake().texts(platform::FakeDesktop::Kind::Question).size(), 2);
}

}  // namespace
