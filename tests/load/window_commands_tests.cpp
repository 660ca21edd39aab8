#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QtTest/QTest>

#include "base/image.h"
#include "codecs/codecs.h"
#include "platform/widgets.h"
#include "test_support.h"
#include "window_helpers.h"

namespace {

using loadtest::CutEditor;

class EditorCommands : public CutEditor {
protected:
    // The 200 x 100 pattern with the selection x 10..50, y 20..60.
    void giveSelected() {
        give(200, 100);
        typeInto(editor->edgexr, QStringLiteral("50"));
        typeInto(editor->edgexl, QStringLiteral("10"));
        typeInto(editor->edgeyb, QStringLiteral("60"));
        typeInto(editor->edgeyu, QStringLiteral("20"));
        ASSERT_EQ(editor->selection(), QRect(10, 20, 40, 40));
    }
    void answerSave(const QString& name, int filterIndex) {
        testsupport::fake().saveAnswers.push_back(
            platform::Desktop::SaveChoice{dir.filePath(name), filterIndex});
    }
};

// Pixels of the button's bright green caption in its rendering.
int greenPixels(QWidget* w) {
    const QImage shot = w->grab().toImage();
    int n = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            n += c.green() > 90 && c.green() > 2 * c.red() && c.green() > 2 * c.blue();
        }
    return n;
}

// In whole mode "OK" is disabled and must look it: the style's grey, not its green caption.
TEST_F(EditorCommands, DisabledOkLooksDisabled) {
    editor->editPiece(loadtest::pattern(20, 20), QString());
    ASSERT_TRUE(editor->addpic->isEnabled());
    EXPECT_GT(greenPixels(editor->addpic), 0);
    editor->editWhole(loadtest::pattern(20, 20), QString());
    ASSERT_FALSE(editor->addpic->isEnabled());
    EXPECT_EQ(greenPixels(editor->addpic), 0);
    EXPECT_EQ(editor->addpic->palette().color(QPalette::Disabled, QPalette::ButtonText),
              QApplication::palette(editor->addpic).color(QPalette::Disabled, QPalette::ButtonText));
}

TEST_F(EditorCommands, CutOutKeepsTheSelectedPixels) {
    giveSelected();
    const QImage before = loadtest::pattern(200, 100);
    QTest::mouseClick(editor->cutout, Qt::LeftButton);
    EXPECT_EQ(editor->mainimage->picture().size(), QSize(40, 40));
    EXPECT_EQ(base::pixelAt(editor->mainimage->picture(), 0, 0), base::pixelAt(before, 10, 20));
    EXPECT_EQ(base::pixelAt(editor->mainimage->picture(), 39, 39), base::pixelAt(before, 49, 59));
    EXPECT_EQ(edits(), QStringLiteral("0 40 40 | 0 40 40"));
    EXPECT_EQ(editor->originx->text(), QStringLiteral("X : 40"));
}

// The name written gets the format's extension when it has none: the question names that file
// and comes whenever it exists; No writes nothing.
TEST_F(EditorCommands, SaveAsksBeforeReplacingTheFileReallyWritten) {
    giveSelected();
    const QString existing = writeFile(QStringLiteral("clip.bmp"), loadtest::pattern(3, 3));
    testsupport::fake().confirmAnswers = {false};
    answerSave(QStringLiteral("clip"), 1);
    QTest::mouseClick(editor->savepic, Qt::LeftButton);
    EXPECT_EQ(
        testsupport::fake().texts(platform::FakeDesktop::Kind::Confirm),
        QStringList{
            QStringLiteral("%1は既に存在します。上書きしますか？").arg(QDir::toNativeSeparators(existing))});
    EXPECT_EQ(codecs::readFile(existing, codecs::Format::Bmp).size(), QSize(3, 3));

    testsupport::fake().confirmAnswers = {true};
    answerSave(QStringLiteral("clip"), 1);
    QTest::mouseClick(editor->savepic, Qt::LeftButton);
    EXPECT_EQ(codecs::readFile(existing, codecs::Format::Bmp).size(), QSize(40, 40));
}

TEST_F(EditorCommands, SaveWritesOnlyTheSelectionAndReloadReadsIt) {
    giveSelected();
    answerSave(QStringLiteral("clip"), 1);
    QTest::mouseClick(editor->savepic, Qt::LeftButton);
    const QImage saved = codecs::readFile(dir.filePath("clip.bmp"), codecs::Format::Bmp);
    EXPECT_EQ(saved, base::toBgr(loadtest::pattern(200, 100)).copy(10, 20, 40, 40));
    EXPECT_EQ(editor->mainimage->picture().size(), QSize(200, 100));

    // JPEG chosen for a name with its own extension: JPEG data under that name.
    answerSave(QStringLiteral("clip.png"), 2);
    QTest::mouseClick(editor->savepic, Qt::LeftButton);
    QFile f(dir.filePath("clip.png"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(2) == QByteArray("\xFF\xD8", 2));

    // The next reload reads the file saved last.
    editor->lastFile = dir.filePath("clip.bmp");
    answerSave(QStringLiteral("again"), 1);
    QTest::mouseClick(editor->savepic, Qt::LeftButton);
    QTest::mouseClick(editor->Loadpic, Qt::LeftButton);
    EXPECT_EQ(editor->mainimage->picture().size(), QSize(40, 40));
}

TEST_F(EditorCommands, SavesWebpAsTheFifthFormatWithTheQualityField) {
    giveSelected();
    answerSave(QStringLiteral("clip"), 5);
    QTest::mouseClick(editor->savepic, Qt::LeftButton);
    const QImage saved = codecs::readFile(dir.filePath("clip.webp"), codecs::Format::Webp);
    EXPECT_EQ(saved, base::toBgr(loadtest::pattern(200, 100)).copy(10, 20, 40, 40));  // 100: lossless

    editor->jpgq->setText(QStringLiteral("40"));
    answerSave(QStringLiteral("small.webp"), 5);
    QTest::mouseClick(editor->savepic, Qt::LeftButton);
    QFile f(dir.filePath("small.webp"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_GT(f.readAll().indexOf("VP8 "), 0);  // lossy at 40
}

TEST_F(EditorCommands, CtrlClickCutsButTheShortcutSaves) {
    giveSelected();
    answerSave(QStringLiteral("kept"), 4);
    ctrl = true;
    QTest::keyClick(editor.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("kept.png")));
    EXPECT_EQ(editor->mainimage->picture().size(), QSize(200, 100));
    QTest::mouseClick(editor->savepic, Qt::LeftButton);
    EXPECT_EQ(editor->mainimage->picture().size(), QSize(40, 40));
}

TEST_F(EditorCommands, CopyPasteAndInvalidClipboard) {
    giveSelected();
    editor->Copymenu->trigger();
    EXPECT_EQ(testsupport::fake().clipboard.size(), QSize(40, 40));
    give(10, 10);
    editor->Pastemenu->trigger();
    EXPECT_EQ(editor->mainimage->picture().size(), QSize(40, 40));
    EXPECT_EQ(editor->originy->text(), QStringLiteral("Y : 40"));

    testsupport::fake().clipboard = QImage();
    editor->Pastemenu->trigger();
    EXPECT_EQ(testsupport::fake().shown.back().text, QStringLiteral("無効なクリップボード フォーマットです"));
    EXPECT_EQ(editor->mainimage->picture().size(), QSize(40, 40));
}

TEST_F(EditorCommands, FlipsKeepTheSelection) {
    giveSelected();
    const QImage before = base::toBgr(editor->mainimage->picture());
    editor->Hflip->trigger();
    EXPECT_EQ(base::pixelAt(editor->mainimage->picture(), 0, 0), base::pixelAt(before, 199, 0));
    EXPECT_EQ(editor->selection(), QRect(10, 20, 40, 40));
    editor->Vflip->trigger();
    editor->Vflip->trigger();
    editor->Hflip->trigger();
    EXPECT_EQ(base::toBgr(editor->mainimage->picture()), before);
}

}  // namespace
