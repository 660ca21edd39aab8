#include <cstdlib>

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QtTest/QTest>

#include "platform/widgets.h"
#include "test_support.h"
#include "window_helpers.h"

namespace {

using loadtest::CutEditor;

// From the first control, Tab reaches every enabled control once, row by row from the top and
// left to right in a row, also when it leaves a selection edit (which applies it).
TEST_F(CutEditor, TabVisitsEveryControlInReadingOrder) {
    give(40, 30);
    testsupport::expectTabInReadingOrder(editor.get(), editor->Loadpic);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F10);
    QWidget* popup = QApplication::activePopupWidget();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup, editor->menuBar()->actions().first()->menu());
    popup->close();
}

// Closed, the editor closes its resize dialog and keeps no picture; the next edit brings one.
TEST_F(CutEditor, ClosingLetsGoOfThePicturesAndTheResizeDialog) {
    int resizeClosed = 0;
    editor->closeResize = [&] { ++resizeClosed; };
    editor->editWhole(loadtest::pattern(60, 40), QString());
    ASSERT_FALSE(editor->mainimage->picture().isNull());
    QTest::mouseClick(editor->cancel, Qt::LeftButton);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(resizeClosed, 1);
    EXPECT_TRUE(editor->mainimage->picture().isNull());
    EXPECT_TRUE(editor->pictureCopy.isNull());

    editor->editPiece(loadtest::pattern(5, 7), QString());
    EXPECT_EQ(editor->pictureCopy.size(), QSize(5, 7));
    EXPECT_EQ(editor->sizex->text(), QStringLiteral("5"));
}

}  // namespace
