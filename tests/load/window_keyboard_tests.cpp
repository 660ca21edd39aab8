#include <cstdlib>

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QtTest/QTest>

#include "platform/widgets.h"
#include "window_helpers.h"

namespace {

using loadtest::CutEditor;

// From the first control, Tab reaches every enabled control once, row by row from the top and
// left to right in a row, also when it leaves a selection edit (which applies it).
TEST_F(CutEditor, TabVisitsEveryControlInReadingOrder) {
    give(40, 30);
    QWidget* first = editor->Loadpic;
    first->setFocus(Qt::MouseFocusReason);
    QList<QWidget*> visited{first};
    for (int i = 0; i < 60; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* now = QApplication::focusWidget();
        ASSERT_NE(now, nullptr) << "after " << visited.last()->objectName().toStdString();
        if (now == first) break;
        visited << now;
    }
    QList<QWidget*> reachable;
    for (QWidget* w : editor->findChildren<QWidget*>())
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisible() &&
            w->window() == editor.get() && !qobject_cast<QMenuBar*>(w))
            reachable << w;
    for (QWidget* w : reachable) EXPECT_EQ(visited.count(w), 1) << w->objectName().toStdString();
    EXPECT_EQ(visited.size(), reachable.size());
    for (qsizetype i = 1; i < visited.size(); ++i) {
        const QPoint a = visited[i - 1]->mapTo(editor.get(), QPoint(0, 0));
        const QPoint b = visited[i]->mapTo(editor.get(), QPoint(0, 0));
        EXPECT_TRUE(b.y() > a.y() + 4 || (std::abs(b.y() - a.y()) <= 4 && b.x() > a.x()))
            << visited[i - 1]->objectName().toStdString() << " then "
            << visited[i]->objectName().toStdString();
    }

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
