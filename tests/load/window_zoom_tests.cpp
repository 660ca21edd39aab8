// Mouse events go through the window, as the desktop delivers them.
#define QTEST_QPA_MOUSE_HANDLING

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QScrollArea>
#include <QTest>

#include "load/window/outline.h"
#include "load/window/slide_bar.h"
#include "load/window/tloadcut.h"
#include "platform/widgets.h"
#include "platform/zoom_menu.h"
#include "window_helpers.h"

namespace {

using loadtest::CutEditor;

class EditorZoom : public CutEditor {
protected:
    void SetUp() override {
        CutEditor::SetUp();
        give(200, 100);
    }
    // The point on the picture control over the middle of picture pixel p.
    QPoint over(QPoint p) const {
        const double f = editor->viewScale().factor();
        return QPoint(static_cast<int>((p.x() + 0.5) * f), static_cast<int>((p.y() + 0.5) * f));
    }
    void drag(QPoint from, QPoint to, Qt::KeyboardModifiers mods) {
        QWidget* on = editor->mainimage;
        QTest::mousePress(on, Qt::LeftButton, mods, over(from));
        QTest::mouseMove(on, over(to));
        QTest::mouseRelease(on, Qt::LeftButton, mods, over(to));
    }
};

// At 400 % a Ctrl-drag from pixel (10, 20) to pixel (49, 59) selects what it does at 100 %: the
// press anchors one pixel before (9, 19), the release at (49, 59) ends the selection after it.
TEST_F(EditorZoom, ACtrlDragAtFourHundredPercentSelectsThePixelsUnderThePointer) {
    editor->setViewZoom(4.0, QPoint(0, 0));
    EXPECT_EQ(editor->zoomMenu->label->text(), QStringLiteral("400 %"));
    EXPECT_EQ(editor->mainimage->size(), QSize(800, 400));
    drag({10, 20}, {49, 59}, Qt::ControlModifier);
    EXPECT_EQ(editor->selection(), QRect(10, 20, 40, 40));
    EXPECT_EQ(edits(), QStringLiteral("10 40 50 | 20 40 60"));
    // The frame drawn lies one screen pixel outside the selected pixels 10..49 and 20..59.
    EXPECT_EQ(editor->shot->geometry(), QRect(27 + 40 - 1, 25 + 80 - 1, 160 + 2, 160 + 2));
    // The rulers follow the columns: value v stands over the start of column v.
    EXPECT_EQ(14 + editor->areax->pixelOf(10), 27 + 40);
    EXPECT_EQ(editor->areax->valueAt(editor->areax->pixelOf(37)), 37);
    EXPECT_EQ(editor->areax->width(), 800 + 26);
}

TEST_F(EditorZoom, TheSameDragAtAQuarterSelectsWholeScreenPixelsOfFourColumns) {
    editor->setViewZoom(0.25, QPoint(0, 0));
    drag({8, 20}, {47, 59}, Qt::ControlModifier);
    // The pointer lands on the first picture pixel of each screen pixel: 8 and 44, 20 and 56.
    EXPECT_EQ(editor->selection(), QRect(8, 20, 37, 37));
}

TEST_F(EditorZoom, TheFrameMovesByWholePicturePixels) {
    typeInto(editor->edgexl, QStringLiteral("60"));
    typeInto(editor->sizex, QStringLiteral("40"));
    editor->setViewZoom(4.0, QPoint(0, 0));
    // Positions on the picture control, which stays where it is while the frame moves.
    QWidget* picture = editor->mainimage;
    const QPoint grab = editor->shot->geometry().topLeft() - picture->pos() + QPoint(10, 10);
    QTest::mousePress(picture, Qt::LeftButton, {}, grab);
    QTest::mouseMove(picture, grab + QPoint(-22, 0));  // 5.5 pixels to the left
    QTest::mouseRelease(picture, Qt::LeftButton, {}, grab + QPoint(-22, 0));
    // From the pixel under the press (62) to the one under the release (56).
    EXPECT_EQ(editor->selection().left(), 54);
    EXPECT_EQ(editor->selection().width(), 40);
}

TEST_F(EditorZoom, TheViewMenuAndWhatIsCutDoNotDependOnTheZoom) {
    QTest::keyClick(editor.get(), Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_EQ(editor->viewZoom(), 1.5);
    QTest::keyClick(editor.get(), Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(editor->viewZoom(), 1.0);
    editor->zoomMenu->fitWindow->trigger();
    EXPECT_GT(editor->viewZoom(), 1.0);
    EXPECT_LE(editor->mainimage->width() + 27, editor->view->maximumViewportSize().width());
    const QImage before = editor->mainimage->picture();
    EXPECT_EQ(editor->pictureCopy, before);
    EXPECT_EQ(editor->selection(), QRect(0, 0, 200, 100));
}

}  // namespace
