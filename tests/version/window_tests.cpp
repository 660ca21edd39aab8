#define QTEST_QPA_MOUSE_HANDLING

#include <memory>

#include <gtest/gtest.h>

#include <QClipboard>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

#include "test_support.h"
#include "version/help_text.h"
#include "version/ttobrisk.h"

namespace {

using testsupport::fake;

class HelpWindow : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::resetFake();
        help = std::make_unique<version::Ttobrisk>(testsupport::fake());
    }
    void TearDown() override { help.reset(); }

    void open() {
        help->verClick();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(help.get()));
    }

    // The memo's lines as the document holds them.
    QStringList memoLines() const {
        QStringList lines;
        for (QTextBlock b = help->Memo1->document()->begin(); b.isValid(); b = b.next()) lines << b.text();
        return lines;
    }

    std::unique_ptr<version::Ttobrisk> help;
};

TEST_F(HelpWindow, ShowsTheTwentyNotesExactly) {
    const QStringList expected = {
        QStringLiteral("Ａ．画像パーツはドラッグ＆ドロップでも追加できます。"),
        QStringLiteral("Ｂ．「編集」ボタンまたは「パーツ編集」でカット画面になります。"),
        QStringLiteral("　　カットした部分やサイズ変更を元に戻すには"),
        QStringLiteral("　　カット画面でリロードしてください。"),
        QStringLiteral("Ｃ．画像パーツはクリック→ドラッグで動かせる他、"),
        QStringLiteral("　　カーソルキーでも動かせます。"),
        QStringLiteral("Ｄ．「フィット」ボタンまたは「キャンバスフィット」で"),
        QStringLiteral("　　余白部分をカットできます。"),
        QStringLiteral("Ｅ．「全体編集」で合成後の画像全体をカット画面に送って、"),
        QStringLiteral("　　まとめてカットやサイズ変更ができます。"),
        QStringLiteral("　　変更後はカット画面の「保存」ボタンで保存してください。"),
        QStringLiteral("＜ロード＆カット＞"),
        QStringLiteral("１．Ctrl＋画像上クリック→ドラッグで選択範囲を直接指定できます。"),
        QStringLiteral("２．Ctrl＋｢ロード」ボタンクリックで別の画像をロードできます。"),
        QStringLiteral("３．｢切り抜き」またはCtrl＋｢保存」ボタンクリックで"),
        QStringLiteral("　　選択範囲だけを切り抜けます。"),
        QStringLiteral("　　ただし元に戻せないので注意してください。"),
        QStringLiteral("４．｢元画像」と書いてあるところをダブルクリック、または「リセット」で"),
        QStringLiteral("　　選択範囲が画像全体にリセットされます。"),
        QStringLiteral("５．範囲スライドバーはフォーカス時にカーソルキーでも動かせます。"),
    };
    const QStringList lines = memoLines();
    ASSERT_EQ(lines.size(), 20);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(lines[i], expected[i]) << "line " << i + 1;
}

// Each of the twenty notes fits the memo's width at its font (no "ます。" alone on a line), at a
// legible size; laid out, every note is one line.
TEST_F(HelpWindow, EveryNoteFitsOnItsLine) {
    QPlainTextEdit* memo = help->Memo1;
    const QFontMetrics metrics(memo->font());
    EXPECT_GE(QFontInfo(memo->font()).pixelSize(), 9);
    for (const QString& line : version::helpLines())
        EXPECT_LE(metrics.horizontalAdvance(line), version::memoLineRoom(memo)) << line.toStdString();
    help->verClick();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(help.get()));
    int wrapped = 0;
    for (QTextBlock b = memo->document()->begin(); b.isValid(); b = b.next())
        wrapped += b.layout()->lineCount() > 1;
    EXPECT_EQ(wrapped, 0);
}

TEST_F(HelpWindow, BracketsAreHalfWidthOpenersOnlyInLinesFourteenFifteenAndEighteen) {
    const QStringList lines = memoLines();
    ASSERT_EQ(lines.size(), 20);
    for (int i = 0; i < 20; ++i) {
        const int line = i + 1;
        const bool halfWidth = line == 14 || line == 15 || line == 18;
        EXPECT_EQ(lines[i].contains(QChar(0xFF62)), halfWidth) << "line " << line;
        // Closed by the full-width bracket everywhere, never the half-width one.
        EXPECT_FALSE(lines[i].contains(QChar(0xFF63))) << "line " << line;
    }
    // Ideographic spaces open the continuation lines.
    for (int line : {3, 4, 6, 8, 10, 11, 16, 17, 19})
        EXPECT_TRUE(lines[line - 1].startsWith(QStringLiteral("\u3000\u3000"))) << "line " << line;
}

TEST_F(HelpWindow, ControlsStandWhereTheWindowDefinitionPutsThem) {
    EXPECT_EQ(help->windowTitle(), QStringLiteral("ヘルプ"));
    EXPECT_TRUE(help->windowFlags() & Qt::Tool);
    EXPECT_EQ(help->size(), QSize(367, 307));
    EXPECT_EQ(help->minimumSize(), help->maximumSize());
    EXPECT_EQ(help->Memo1->geometry(), QRect(0, 0, 366, 246));
    EXPECT_EQ(help->Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_FALSE(help->Memo1->isReadOnly());
    EXPECT_EQ(help->Label1->text(), QStringLiteral("Version 4.3"));
    EXPECT_EQ(help->Label2->text(), QStringLiteral("DRAVENKO PRODUCTION"));
    EXPECT_EQ(help->Label3->text(), version::homePage());
    EXPECT_EQ(help->Label3->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(help->Label3->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_EQ(help->Image1->size(), QSize(41, 24));
    EXPECT_FALSE(help->Image1->pixmap().isNull());

    // Version and link on the left, credit on the right, all below the memo; the picture under
    // the labels.
    const QRect client = help->rect();
    for (QWidget* w :
         std::initializer_list<QWidget*>{help->Label1, help->Label2, help->Label3, help->Image1}) {
        EXPECT_TRUE(client.contains(w->geometry())) << qPrintable(w->objectName());
        EXPECT_GE(w->y(), help->Memo1->geometry().bottom()) << qPrintable(w->objectName());
    }
    EXPECT_LT(help->Label1->x(), help->Label2->x());
    EXPECT_GT(help->Image1->y(), help->Label2->y());
    for (const char* name : {"tobrisk", "Memo1", "Label1", "Label2", "Label3", "Image1"})
        EXPECT_TRUE(help->objectName() == QLatin1String(name) ||
                    help->findChild<QWidget*>(QLatin1String(name)))
            << name;
}

TEST_F(HelpWindow, ClickingTheLinkOpensTheProjectPage) {
    open();
    QTest::mouseClick(help->Label3, Qt::LeftButton);
    ASSERT_EQ(fake().openedUrls.size(), 1u);
    EXPECT_EQ(fake().openedUrls[0], version::homePage());
    EXPECT_TRUE(version::homePage().startsWith(QStringLiteral("https://")));
}

TEST_F(HelpWindow, AFailedOpenIsNotReported) {
    fake().openUrlResult = false;
    open();
    QTest::mouseClick(help->Label3, Qt::LeftButton);
    EXPECT_EQ(fake().openedUrls.size(), 1u);
    EXPECT_TRUE(fake().shown.empty());
    EXPECT_TRUE(help->isVisible());
}

TEST_F(HelpWindow, OtherClicksOpenNothing) {
    open();
    QTest::mouseClick(help->Label3, Qt::RightButton);
    QTest::mouseClick(help->Label1, Qt::LeftButton);
    QTest::mouseClick(help->Image1, Qt::LeftButton);
    EXPECT_TRUE(fake().openedUrls.empty());
}

TEST_F(HelpWindow, ClosingOnlyHidesAndTypedTextStays) {
    open();
    help->Memo1->moveCursor(QTextCursor::End);
    QTest::keyClicks(help->Memo1, QStringLiteral(" my note"));
    const QString typed = help->Memo1->toPlainText();
    ASSERT_TRUE(typed.endsWith(QStringLiteral(" my note")));

    EXPECT_TRUE(help->close());
    EXPECT_FALSE(help->isVisible());
    open();
    EXPECT_EQ(help->Memo1->toPlainText(), typed);
}

TEST_F(HelpWindow, ShowingAgainWhileShownResetsNothing) {
    open();
    help->Memo1->setPlainText(QStringLiteral("x"));
    help->verClick();
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->Memo1->toPlainText(), QStringLiteral("x"));
}

TEST_F(HelpWindow, CentredOnTheScreenWithHalvesTruncated) {
    help->centreOn(QSize(1024, 768));
    const QRect outer = help->frameGeometry();
    EXPECT_EQ(outer.left(), (1024 - outer.width()) / 2);
    EXPECT_EQ(outer.top(), (768 - outer.height()) / 2);
}

TEST_F(HelpWindow, PasteTakesTextAndLeavesAnEmptyOrPictureClipboardAlone) {
    open();
    help->Memo1->setPlainText(QStringLiteral("note"));
    help->Memo1->moveCursor(QTextCursor::End);
    help->Memo1->setFocus();
    // An offer with no format at all, as an unowned clipboard gives; then a picture only.
    QGuiApplication::clipboard()->setMimeData(new QMimeData);
    QTest::keyClick(help->Memo1, Qt::Key_V, Qt::ControlModifier);
    QGuiApplication::clipboard()->setImage(QImage(4, 4, QImage::Format_RGB32));
    QTest::keyClick(help->Memo1, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(help->Memo1->toPlainText(), QStringLiteral("note"));
    QGuiApplication::clipboard()->setText(QStringLiteral(" 1e3"));
    QTest::keyClick(help->Memo1, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(help->Memo1->toPlainText(), QStringLiteral("note 1e3"));
}

TEST_F(HelpWindow, EscClosesItAndTabLeavesTheMemo) {
    open();
    help->Memo1->setFocus();
    const QString before = help->Memo1->toPlainText();
    QTest::keyClick(help->Memo1, Qt::Key_Tab);
    EXPECT_EQ(help->Memo1->toPlainText(), before);  // no tab typed
    ASSERT_TRUE(help->Label3->hasFocus());
    QTest::keyClick(help->Label3, Qt::Key_Return);
    EXPECT_EQ(fake().openedUrls.size(), 1U);
    help->Memo1->setFocus();
    QTest::keyClick(help->Memo1, Qt::Key_Escape);
    EXPECT_FALSE(help->isVisible());
    EXPECT_EQ(help->Memo1->toPlainText(), before);
}

}  // namespace
