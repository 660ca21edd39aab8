#include <cstdlib>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSpinBox>

#include "collage/window/tarrange.h"
#include "window_fixture.h"

namespace {

class Keyboard : public KadrelWindow {
protected:
    void SetUp() override {
        KadrelWindow::SetUp();
        k->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(k.get()));
    }
    void press(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QWidget* to = QApplication::focusWidget() ? QApplication::focusWidget() : k.get();
        QTest::keyClick(to, Qt::Key(key), mods);
    }
};

// Ctrl+Z and Ctrl+Y act on typed text that is not applied yet; the canvas history is untouched
// until the edit is applied, and then Ctrl+Z is the canvas undo again.
TEST_F(Keyboard, UndoInAnEditWithTypedTextIsTheEditsOwn) {
    addThroughDialog({picture("a.bmp", 10, 10), picture("b.bmp", 20, 10), picture("c.bmp", 30, 10)});
    ASSERT_EQ(k->pieceCount(), 3);
    const QString shown = k->picLeft->text();
    k->picLeft->setFocus(Qt::MouseFocusReason);
    k->picLeft->selectAll();
    QTest::keyClicks(k->picLeft, QStringLiteral("12"));
    press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(k->pieceCount(), 3);
    EXPECT_EQ(k->picLeft->text(), shown);
    press(Qt::Key_Z, Qt::ControlModifier);  // nothing left to undo in the edit: still nothing else
    EXPECT_EQ(k->picLeft->text(), shown);
    EXPECT_EQ(k->pieceCount(), 3);
    press(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(k->picLeft->text(), QStringLiteral("12"));
    press(Qt::Key_Z, Qt::ControlModifier);
    press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(k->picLeft->text(), QStringLiteral("12"));
    EXPECT_EQ(k->pieceCount(), 3);
    EXPECT_TRUE(testsupport::fake().errors().isEmpty());

    press(Qt::Key_Return);  // applied: one canvas step
    EXPECT_EQ(k->table().current()->pieceRect.left, 12);
    k->picLeft->setFocus(Qt::MouseFocusReason);
    press(Qt::Key_Z, Qt::ControlModifier);  // nothing typed since: the canvas undo
    EXPECT_NE(k->table().current()->pieceRect.left, 12);
    EXPECT_EQ(k->pieceCount(), 3);
    EXPECT_TRUE(testsupport::fake().errors().isEmpty());
}

// From the piece number, Tab reaches every control of the left column once, row by row from
// the top, left to right in a row, and comes round again; applying an edit on the way keeps
// the focus moving.
TEST_F(Keyboard, TabVisitsEveryControlInReadingOrder) {
    addThroughDialog({picture("a.bmp", 10, 10), picture("b.bmp", 20, 10)});
    QTest::mouseClick(k->autosize, Qt::LeftButton, {}, QPoint(5, 8));  // the size edits take text
    testsupport::expectTabInReadingOrder(k.get(), k->pickn);
    EXPECT_EQ(k->pieceCount(), 2);
    EXPECT_TRUE(testsupport::fake().errors().isEmpty());
}

TEST_F(Keyboard, F10OpensTheFirstMenu) {
    press(Qt::Key_F10);
    QWidget* popup = QApplication::activePopupWidget();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup, k->menuBar()->actions().first()->menu());
    popup->close();
}

// The left column stays whole however small the window is made, and the zoom caption shows
// whole at the largest zoom.
TEST_F(Keyboard, TheColumnAndTheZoomCaptionAreNeverCut) {
    k->resize(120, 100);
    QApplication::processEvents();
    const QRect client = k->centralWidget()->rect();
    for (QWidget* w : {static_cast<QWidget*>(k->fullshow), static_cast<QWidget*>(k->fulledit),
                       static_cast<QWidget*>(k->sizeY), static_cast<QWidget*>(k->pickn)})
        EXPECT_TRUE(client.contains(w->geometry())) << w->objectName().toStdString();

    k->setViewZoom(16.0);
    QApplication::processEvents();
    QLabel* label = k->zoomMenu->label;
    ASSERT_EQ(label->text(), QStringLiteral("1600 %"));
    const QMargins m = label->contentsMargins();
    EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()) + m.left() + m.right());
}

// "整列" shows, while the size stays as it is, the height "高さを揃える" would start from.
TEST_F(Keyboard, ArrangeShowsTheTargetItWouldUse) {
    addThroughDialog({picture("a.bmp", 40, 30), picture("b.bmp", 20, 50)});
    k->arrangemenu->trigger();
    ASSERT_NE(k->arrangeDialog(), nullptr);
    EXPECT_FALSE(k->arrangeDialog()->target->isEnabled());
    EXPECT_EQ(k->arrangeDialog()->target->value(), 30);
    k->arrangeDialog()->reject();
}

}  // namespace

namespace {

// "全体編集" hands the composite over and keeps no reference of its own.
TEST_F(KadrelWindow, WholeEditHandsTheCompositeOverAndKeepsNone) {
    addThroughDialog({picture("a.bmp", 10, 10, base::rgb(1, 2, 3)), picture("b.bmp", 20, 10)});
    QImage handed;
    QObject::connect(k.get(), &collage::Tkadrel::editWholeRequested,
                     [&](const QImage& picture, const QString&) { handed = picture; });
    QTest::mouseClick(k->fulledit, Qt::LeftButton);
    ASSERT_EQ(handed.size(), QSize(30, 10));
    EXPECT_EQ(base::pixelAt(handed, 0, 0), base::rgb(1, 2, 3));
    EXPECT_TRUE(k->composite().isNull());
    // The editor's copy is its own: drawing on it changes no piece.
    base::setPixel(handed, 0, 0, base::rgb(9, 9, 9));
    EXPECT_EQ(base::pixelAt(k->table().piece(0).picture, 0, 0), base::rgb(1, 2, 3));
}

}  // namespace
