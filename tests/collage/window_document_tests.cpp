#include <QAction>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "collage/openraster.h"
#include "platform/qt_desktop.h"
#include "window_fixture.h"

namespace {

using Shown = platform::FakeDesktop::Kind;

class Document : public KadrelWindow {
protected:
    QString saveArrangementAs(const QString& name) {
        const QString path = dir.filePath(name);
        testsupport::fake().saveAnswers.push_back(platform::Desktop::SaveChoice{path, 1});
        k->saveArrangementMenu->trigger();
        return path;
    }
    QByteArray savePng(const QString& name) {
        const QString path = dir.filePath(name);
        testsupport::fake().saveAnswers.push_back(platform::Desktop::SaveChoice{path, 4});
        k->Savemenu->trigger();
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    int questions() const { return static_cast<int>(testsupport::fake().texts(Shown::Question).size()); }
};

// The caption names the document and marks unsaved changes; undoing back to the saved point clears
// the mark, and exporting the joined picture does not.
TEST_F(Document, TheTitleNamesTheDocumentAndMarksChanges) {
    EXPECT_EQ(k->windowTitle(), QStringLiteral("カドレル"));
    addThroughDialog({picture("a.bmp", 30, 20), picture("b.bmp", 20, 20)});
    EXPECT_TRUE(k->isWindowModified());
    const QString path = saveArrangementAs("work");  // the extension is added
    EXPECT_TRUE(QFile::exists(path + ".ora"));
    EXPECT_EQ(k->windowTitle(), QStringLiteral("work.ora[*] - カドレル"));
    EXPECT_FALSE(k->isWindowModified());
    QTest::keyClick(k.get(), Qt::Key_PageDown);
    EXPECT_TRUE(k->isWindowModified());
    savePng("joined.png");
    EXPECT_TRUE(k->isWindowModified());
    k->undomenu->trigger();
    EXPECT_FALSE(k->isWindowModified());
    // Saving again goes to the same file without a dialog.
    QTest::keyClick(k.get(), Qt::Key_PageDown);
    const int dialogs = testsupport::fake().saveCalls;
    k->saveArrangementMenu->trigger();
    EXPECT_EQ(testsupport::fake().saveCalls, dialogs);
    EXPECT_FALSE(k->isWindowModified());
}

// Opening a saved document gives the same table back, and "保存" then writes the same file.
TEST_F(Document, ASavedArrangementOpensAsItWasAndSavesTheSamePicture) {
    addThroughDialog({picture("a.bmp", 30, 20, base::rgb(200, 0, 0)), picture("b.bmp", 20, 25)});
    k->intrans->click();
    QTest::keyClick(k.get(), Qt::Key_Left);
    const QString path = saveArrangementAs("layout.ora");
    const collage::PieceTable saved = k->table();
    const QByteArray before = savePng("before.png");
    ASSERT_FALSE(before.isEmpty());

    k = std::make_unique<collage::Tkadrel>(testsupport::fake());
    k->show();
    testsupport::fake().openAnswers.push_back({path});
    k->openArrangementMenu->trigger();
    EXPECT_TRUE(k->table() == saved);
    EXPECT_FALSE(k->isWindowModified());
    EXPECT_FALSE(k->undomenu->isEnabled());
    EXPECT_EQ(savePng("after.png"), before);
}

// Closing with unsaved changes asks; キャンセル keeps everything, 保存しない closes, 保存 saves
// (asking for a name) and closes. An empty arrangement never asks.
TEST_F(Document, ClosingAsksBeforeUnsavedWorkIsLost) {
    k->close();
    EXPECT_EQ(questions(), 0);
    k->show();
    addThroughDialog({picture("a.bmp", 30, 20)});
    testsupport::fake().askAnswers = {2};
    EXPECT_FALSE(k->close());
    EXPECT_TRUE(k->isVisible());
    EXPECT_EQ(k->pieceCount(), 1);
    EXPECT_EQ(testsupport::fake().texts(Shown::Question),
              QStringList{QStringLiteral("配置への変更を保存しますか？")});

    testsupport::fake().askAnswers = {0};
    const QString path = dir.filePath("kept.ora");
    testsupport::fake().saveAnswers.push_back(platform::Desktop::SaveChoice{path, 1});
    EXPECT_TRUE(k->close());
    EXPECT_TRUE(collage::openOpenRaster(path).table == k->table());

    k->show();
    QTest::keyClick(k.get(), Qt::Key_Right);
    testsupport::fake().askAnswers = {1};
    EXPECT_TRUE(k->close());
}

// Opening another document asks first; a refused file leaves the arrangement as it was.
TEST_F(Document, OpeningAsksFirstAndABadFileChangesNothing) {
    addThroughDialog({picture("a.bmp", 30, 20)});
    const collage::PieceTable before = k->table();
    const QString bad = testsupport::writeBytes(dir.filePath("bad.ora"), QByteArray("PK\x03\x04 broken"));
    testsupport::fake().askAnswers = {1};
    testsupport::fake().openAnswers.push_back({bad});
    k->openArrangementMenu->trigger();
    EXPECT_EQ(questions(), 1);
    ASSERT_EQ(testsupport::fake().errors().size(), 1);
    EXPECT_TRUE(testsupport::fake().errors()[0].contains(QStringLiteral("bad.ora")));
    EXPECT_TRUE(k->table() == before);
    EXPECT_TRUE(k->isWindowModified());
}

// The real question box: each answer by its letter without Alt, by Esc and by the mouse.
class CloseQuestion : public Document, public ::testing::WithParamInterface<int> {};

TEST_P(CloseQuestion, AnswersByLetterAndByMouse) {
    // A document with a name, so that 保存 writes it without a dialog.
    collage::PieceTable start(QSize(40, 30), false);
    const QString path = dir.filePath("named.ora");
    collage::saveOpenRaster(start, path);
    platform::QtDesktop desktop;
    collage::Tkadrel w(desktop);
    w.show();
    QApplication::processEvents();
    w.openArrangement(path);
    collage::Piece piece;
    piece.picture = base::makeBgr(10, 10);
    collage::PieceTable t = w.table();
    t.add(piece, {});
    w.setTable(t);

    const int way = GetParam();
    QTimer::singleShot(0, [way] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        const QStringList captions{QStringLiteral("保存(&S)"), QStringLiteral("保存しない(&N)"),
                                   QStringLiteral("キャンセル")};
        const int keys[] = {Qt::Key_S, Qt::Key_N, Qt::Key_Escape};
        if (way < 3) {
            QTest::keyClick(box, Qt::Key(keys[way]));
            return;
        }
        for (QAbstractButton* b : box->buttons())
            if (b->text() == captions[way - 3]) QTest::mouseClick(b, Qt::LeftButton);
    });
    const bool closed = w.close();
    const int answer = way % 3;  // 保存, 保存しない, キャンセル
    EXPECT_EQ(closed, answer != 2);
    EXPECT_EQ(collage::openOpenRaster(path).table.pieceCount(), answer == 0 ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Ways, CloseQuestion, ::testing::Range(0, 6));

}  // namespace
