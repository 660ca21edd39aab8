// Mouse events go through the window, as the desktop delivers them: to the widget under the
// pointer, with the pressed widget keeping the moves and the release.
#define QTEST_QPA_MOUSE_HANDLING

#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

#include "base/image.h"
#include "load/window/outline.h"
#include "load/window/slide_bar.h"
#include "load/window/tloadcut.h"
#include "platform/widgets.h"
#include "test_support.h"
#include "window_helpers.h"

namespace {

using loadtest::CutEditor;
using testsupport::fake;

TEST_F(CutEditor, AFiveBySevenPictureIsSelectedWholeWithRulersAndLimits) {
    give(5, 7);
    load::Tloadcut& e = *editor;
    EXPECT_EQ(e.picWidth, 5);
    EXPECT_EQ(e.picHeight, 7);
    EXPECT_EQ(e.areax->minimum(), -1);
    EXPECT_EQ(e.areax->maximum(), 5);
    EXPECT_EQ(e.areay->maximum(), 7);
    EXPECT_EQ(e.areax->value(), 2);
    EXPECT_EQ(e.areay->value(), 4);
    EXPECT_EQ(e.areax->width(), 5 + 26);
    EXPECT_EQ(e.areay->height(), 7 + 26);
    EXPECT_EQ(edits(), QStringLiteral("0 5 5 | 0 7 7"));
    EXPECT_EQ(e.UpDownX->maximum(), 5);
    EXPECT_EQ(e.UpDownxl->maximum(), 4);
    EXPECT_EQ(e.UpDownxr->maximum(), 5);
    EXPECT_EQ(e.UpDownY->maximum(), 7);
    EXPECT_EQ(e.UpDownyu->maximum(), 6);
    EXPECT_EQ(e.UpDownyb->maximum(), 7);
    EXPECT_EQ(e.originx->text(), QStringLiteral("X : 5"));
    EXPECT_EQ(e.originy->text(), QStringLiteral("Y : 7"));
    EXPECT_EQ(e.shot->geometry(), QRect(26, 24, 7, 9));
    EXPECT_EQ(e.selection(), QRect(0, 0, 5, 7));
    EXPECT_EQ(e.pictureCopy.format(), QImage::Format_BGR888);
    EXPECT_EQ(e.pictureCopy.size(), QSize(5, 7));
    EXPECT_FALSE(e.resizeTransparency);
}

TEST_F(CutEditor, LimitsHoldPicturesWiderThanSixteenBits) {
    give(40000, 2);
    EXPECT_EQ(editor->UpDownxr->maximum(), 40000);
    EXPECT_EQ(editor->areax->maximum(), 40000);
    typeInto(editor->edgexl, QStringLiteral("39000"));
    QTest::mouseClick(editor->UpDownxl->button(platform::UpDown::Button::Up), Qt::LeftButton);
    EXPECT_EQ(editor->selection().left(), 39001);
}

TEST_F(CutEditor, BarValuesLieOverTheirPictureColumnsAndRows) {
    give(50, 40);
    load::Tloadcut& e = *editor;
    for (int v : {-1, 0, 17, 50}) {
        EXPECT_EQ(e.areax->x() + e.areax->pixelOf(v), e.mainimage->x() + v);
        EXPECT_EQ(e.areay->y() + e.areay->pixelOf(v), e.mainimage->y() + v);
    }
}

TEST_F(CutEditor, ControlsCarryTheirCaptionsAndShortcuts) {
    load::Tloadcut& e = *editor;
    EXPECT_EQ(e.windowTitle(), QStringLiteral("ロード＆カット"));
    EXPECT_EQ(e.findChild<QPushButton*>(QStringLiteral("Loadpic"))->text(), QStringLiteral("リロード"));
    EXPECT_EQ(e.findChild<QLabel*>(QStringLiteral("Label1"))->text(), QStringLiteral("元画像　"));
    EXPECT_EQ(e.findChild<QPushButton*>(QStringLiteral("XL"))->text(), QStringLiteral("左端移動"));
    EXPECT_EQ(e.findChild<QLineEdit*>(QStringLiteral("jpgq"))->text(), QStringLiteral("100"));
    EXPECT_EQ(e.findChild<QScrollArea*>(QStringLiteral("view"))->pos(), QPoint(72, 64));
    const auto shortcut = [&](const char* name) {
        return e.findChild<QAction*>(QString::fromLatin1(name))->shortcut().toString();
    };
    EXPECT_EQ(shortcut("reloadmenu"), QStringLiteral("Ctrl+O"));
    EXPECT_EQ(shortcut("cutsavemenu"), QStringLiteral("Ctrl+S"));
    EXPECT_EQ(shortcut("resizemenu"), QStringLiteral("Ctrl+R"));
    EXPECT_EQ(shortcut("Pastemenu"), QStringLiteral("Ctrl+V"));
    EXPECT_EQ(shortcut("Copymenu"), QStringLiteral("Ctrl+C"));
    EXPECT_EQ(shortcut("resetmenu"), QStringLiteral("Esc"));
    EXPECT_EQ(shortcut("Helpmenu"), QStringLiteral("F1"));
    EXPECT_TRUE(e.findChild<QAction*>(QStringLiteral("N8"))->isSeparator());
}

// Every number edit shows the widest value its range allows (a side of 65535) at the window's size.
TEST_F(CutEditor, NumberEditsShowTheirWidestValues) {
    const QStringList side{QStringLiteral("65535")};
    testsupport::expectNumbersShown(editor.get(), {{QStringLiteral("edgexl"), side},
                                                   {QStringLiteral("sizex"), side},
                                                   {QStringLiteral("edgexr"), side},
                                                   {QStringLiteral("edgeyu"), side},
                                                   {QStringLiteral("sizey"), side},
                                                   {QStringLiteral("edgeyb"), side},
                                                   {QStringLiteral("jpgq"), {QStringLiteral("100")}}});
}

TEST_F(CutEditor, TheViewFillsTheWindowRightAndBelowIt) {
    editor->resize(800, 600);
    QTRY_COMPARE(editor->view->geometry().right() + 1, editor->centralWidget()->width());
    EXPECT_EQ(editor->view->geometry().bottom() + 1, editor->centralWidget()->height());
}

// --- Loading -------------------------------------------------------------------------------------

class LoadFormat : public CutEditor, public ::testing::WithParamInterface<const char*> {};

TEST_P(LoadFormat, LoadAnotherReadsTheFileByItsExtensionInAnyCase) {
    const QString name = QString::fromLatin1(GetParam());
    const QString path = writeFile(name, loadtest::pattern(6, 4));
    fake().openAnswers.push_back({path});
    editor->loadmenu->trigger();
    ASSERT_EQ(fake().errors(), QStringList());
    EXPECT_EQ(editor->picWidth, 6);
    EXPECT_EQ(editor->picHeight, 4);
    EXPECT_EQ(editor->lastFile, path);
    EXPECT_EQ(editor->SaveDialog1.fileName, path);
    EXPECT_EQ(editor->OpenPictureDialog1.fileName, path);
    EXPECT_EQ(
        fake().lastFilters,
        QStringLiteral("画像(*.bmp,*,jpg,*.gif,*.png,*.webp,*.heic,*.heif,*.avif)|*.bmp;*.jpg;*.gif;*.png;"
                       "*.webp;*.heic;*.heif;*.avif|全部|*.*"));
    // Lossless formats give the pixels back exactly; JPEG only roughly.
    const base::Colour c = base::pixelAt(editor->pictureCopy, 5, 3);
    if (name.endsWith(u"jpg", Qt::CaseInsensitive) || name.endsWith(u"jpeg", Qt::CaseInsensitive))
        EXPECT_NEAR(base::red(c), 25, 12);
    else
        EXPECT_EQ(c, base::rgb(25, 27, 0x80));
}

INSTANTIATE_TEST_SUITE_P(Formats, LoadFormat,
                         ::testing::Values("a.bmp", "b.Bmp", "c.jpg", "scan.JPEG", "d.png", "e.PNG", "f.gif",
                                           "g.ico"));

TEST_F(CutEditor, AnUnknownExtensionIsRefusedAndNothingChanges) {
    give(9, 8);
    editor->lastFile = QStringLiteral("before.png");
    editor->SaveDialog1.fileName = QStringLiteral("before.png");
    const QString path = dir.filePath(QStringLiteral("scan.xyz"));
    testsupport::writeBytes(path, "not a picture");
    fake().openAnswers.push_back({path});
    editor->loadmenu->trigger();
    EXPECT_EQ(fake().errors(), QStringList{QStringLiteral("拡張子 .xyz の画像形式は処理できません")});
    EXPECT_EQ(editor->picWidth, 9);
    EXPECT_EQ(editor->mainimage->picture().size(), QSize(9, 8));
    EXPECT_EQ(editor->lastFile, QStringLiteral("before.png"));
    EXPECT_EQ(editor->SaveDialog1.fileName, QStringLiteral("before.png"));
}

TEST_F(CutEditor, ABrokenFileShowsItsReadersReasonAndNothingChanges) {
    give(9, 8);
    const QString path = dir.filePath(QStringLiteral("broken.png"));
    testsupport::writeBytes(path, "\x89PNG but not really");
    fake().openAnswers.push_back({path});
    editor->loadmenu->trigger();
    EXPECT_EQ(fake().errors().size(), 1u);
    EXPECT_EQ(editor->picWidth, 9);
    EXPECT_TRUE(editor->lastFile.isEmpty());
}

TEST_F(CutEditor, ReloadWithCtrlAsksAndACancelLeavesTheSelection) {
    const QString path = writeFile(QStringLiteral("p.png"), loadtest::pattern(20, 10));
    fake().openAnswers.push_back({path});
    editor->loadmenu->trigger();
    typeInto(editor->edgexl, QStringLiteral("5"));
    ctrl = true;
    QTest::mouseClick(editor->Loadpic, Qt::LeftButton);
    EXPECT_EQ(fake().openCalls, 2);
    EXPECT_EQ(editor->selection(), QRect(5, 0, 15, 10));
}

TEST_F(CutEditor, ReloadWithoutCtrlReadsTheFileAgainAndSelectsTheWhole) {
    const QString path = writeFile(QStringLiteral("p.bmp"), loadtest::pattern(20, 10));
    fake().openAnswers.push_back({path});
    editor->loadmenu->trigger();
    typeInto(editor->edgexl, QStringLiteral("5"));
    writeFile(QStringLiteral("p.bmp"), loadtest::pattern(30, 12));
    QTest::mouseClick(editor->Loadpic, Qt::LeftButton);
    EXPECT_EQ(fake().openCalls, 1);
    EXPECT_EQ(editor->picWidth, 30);
    EXPECT_EQ(editor->selection(), QRect(0, 0, 30, 12));
}

TEST_F(CutEditor, ReloadOfAVanishedFileAsksAndACancelStillResetsTheSelection) {
    const QString path = writeFile(QStringLiteral("gone.png"), loadtest::pattern(20, 10));
    fake().openAnswers.push_back({path});
    editor->loadmenu->trigger();
    typeInto(editor->edgexl, QStringLiteral("5"));
    QFile::remove(path);
    ctrl = true;  // the menu item reloads whatever Ctrl says
    editor->reloadmenu->trigger();
    EXPECT_EQ(fake().openCalls, 2);
    EXPECT_EQ(editor->selection(), QRect(0, 0, 20, 10));
    EXPECT_EQ(editor->lastFile, path);
}

TEST_F(CutEditor, MenuShortcutsActWhileAnEditHasTheFocus) {
    editor->edgexl->setFocus();
    QTest::keyClick(editor->edgexl, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(fake().openCalls, 1);
    int helps = 0;
    editor->showHelp = [&] { ++helps; };
    QTest::keyClick(editor->edgexl, Qt::Key_F1);
    EXPECT_EQ(helps, 1);
}

// --- Typed edges and sizes --------------------------------------------------------------------

TEST_F(CutEditor, TypedEdgesAreClampedAndShownCorrected) {
    give(100, 80);
    typeInto(editor->edgexr, QStringLiteral("120"));
    EXPECT_EQ(editor->edgexr->text(), QStringLiteral("100"));
    typeInto(editor->edgexl, QStringLiteral("30"));
    typeInto(editor->edgexr, QStringLiteral("20"));
    EXPECT_EQ(editor->selection().left(), 30);
    EXPECT_EQ(editor->selection().width(), 1);
    EXPECT_EQ(edits(), QStringLiteral("30 1 31 | 0 80 80"));
    EXPECT_EQ(editor->shot->width(), 3);
    EXPECT_EQ(editor->shot->x(), 27 + 30 - 1);
}

TEST_F(CutEditor, RejectedTextStaysAndChangesNothing) {
    give(100, 80);
    typeInto(editor->edgexl, QStringLiteral("40"));
    typeInto(editor->sizex, QStringLiteral("abc"));
    EXPECT_EQ(editor->sizex->text(), QStringLiteral("abc"));
    EXPECT_EQ(editor->selection(), QRect(40, 0, 60, 80));
    typeInto(editor->sizex, QStringLiteral("150"));
    EXPECT_EQ(editor->sizex->text(), QStringLiteral("60"));
    EXPECT_TRUE(fake().errors().isEmpty());
}

TEST_F(CutEditor, EnterInTheBottomEdgeCommitsItAlone) {
    give(100, 80);
    editor->edgexr->setText(QStringLiteral("50"));  // typed but not committed
    typeInto(editor->edgeyb, QStringLiteral("60"));
    EXPECT_EQ(editor->selection(), QRect(0, 0, 100, 60));
    EXPECT_EQ(editor->sizey->text(), QStringLiteral("60"));
    EXPECT_EQ(editor->areay->value(), 30);
    EXPECT_EQ(editor->shot->height(), 62);
}

TEST_F(CutEditor, LeavingAnEditCommitsIt) {
    give(100, 80);
    editor->edgeyu->setFocus();
    editor->edgeyu->setText(QStringLiteral("10"));
    QTest::mouseClick(editor->view->viewport(), Qt::LeftButton, {}, QPoint(420, 380));
    EXPECT_EQ(editor->selection().top(), 10);
    EXPECT_EQ(editor->focusWidget(), nullptr);
}

TEST_F(CutEditor, TheUpperArrowOfAVerticalSpinnerMovesTheEdgeUp) {
    give(100, 80);
    typeInto(editor->edgeyu, QStringLiteral("10"));
    const int top = editor->shot->y();
    QTest::mouseClick(editor->UpDownyu->button(platform::UpDown::Button::Up), Qt::LeftButton);
    EXPECT_EQ(editor->edgeyu->text(), QStringLiteral("9"));
    EXPECT_EQ(editor->selection().top(), 9);
    EXPECT_EQ(editor->shot->y(), top - 1);
}

TEST_F(CutEditor, ResetByEscAndByDoubleClickRestoresTheWhole) {
    give(7, 9);
    typeInto(editor->edgexl, QStringLiteral("2"));
    typeInto(editor->edgeyb, QStringLiteral("4"));
    QTest::keyClick(editor.get(), Qt::Key_Escape);
    EXPECT_EQ(edits(), QStringLiteral("0 7 7 | 0 9 9"));
    EXPECT_EQ(editor->areax->value(), 4);
    typeInto(editor->sizex, QStringLiteral("3"));
    QTest::mouseDClick(editor->Label1, Qt::LeftButton);
    EXPECT_EQ(editor->selection(), QRect(0, 0, 7, 9));
    EXPECT_EQ(editor->shot->geometry(), QRect(26, 24, 9, 11));
}

// --- Slide bars and edge moves ----------------------------------------------------------------

class CutEditorBars : public CutEditor {
protected:
    void SetUp() override {
        CutEditor::SetUp();
        give(200, 100);
        typeInto(editor->edgexl, QStringLiteral("50"));
        typeInto(editor->edgexr, QStringLiteral("90"));
    }
};

TEST_F(CutEditorBars, ArrowsHomeAndEndMoveTheWholeSelection) {
    ASSERT_EQ(editor->areax->value(), 70);
    editor->areax->setFocus();
    QTest::keyClick(editor->areax, Qt::Key_Right);
    EXPECT_EQ(editor->selection().left(), 51);
    EXPECT_EQ(editor->edgexr->text(), QStringLiteral("91"));
    EXPECT_EQ(editor->areax->value(), 71);
    QTest::keyClick(editor->areax, Qt::Key_End);
    EXPECT_EQ(edits().left(10), QStringLiteral("160 40 200"));
    EXPECT_EQ(editor->areax->value(), 180);
    QTest::keyClick(editor->areax, Qt::Key_Home);
    EXPECT_EQ(edits().left(7), QStringLiteral("0 40 40"));
    EXPECT_EQ(editor->areax->value(), 20);
    EXPECT_EQ(editor->shot->geometry().left(), 26);
    EXPECT_EQ(editor->shot->width(), 42);
}

TEST_F(CutEditorBars, DraggingTheThumbMovesTheSelection) {
    QWidget* bar = editor->areax;
    const int at = editor->areax->pixelOf(70);
    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(at, 11));
    QTest::mouseMove(bar, QPoint(at + 30, 11));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(at + 30, 11));
    EXPECT_EQ(editor->selection().left(), 80);
    EXPECT_EQ(editor->selection().width(), 40);
}

TEST_F(CutEditorBars, AWidthEditHoldingTextIsReportedWhenTheBarMoves) {
    typeInto(editor->sizex, QStringLiteral("xx"));
    editor->areax->setFocus();
    QTest::keyClick(editor->areax, Qt::Key_Right);
    EXPECT_EQ(fake().errors(), QStringList{QStringLiteral("'xx' は整数ではありません")});
    EXPECT_EQ(editor->selection().left(), 50);
}

TEST_F(CutEditorBars, LeftEdgeModeShowsTheBlueMarkerAndEndsWhenTheBarLosesTheFocus) {
    QTest::mouseClick(editor->XL, Qt::LeftButton);
    EXPECT_TRUE(editor->XL->isChecked());
    EXPECT_TRUE(editor->areax->hasFocus());
    EXPECT_TRUE(editor->areax->thumbPointing());
    EXPECT_EQ(editor->areax->value(), 49);
    EXPECT_TRUE(editor->beam->isVisible());
    EXPECT_EQ(editor->beam->geometry(), QRect(27 + 49, 25, 1, 100));
    EXPECT_EQ(editor->beam->colour(), QColor(0, 0, 255));
    EXPECT_EQ(editor->beam->x(), editor->shot->x());

    // The edge moves alone and stops one pixel before the right edge.
    QTest::keyClick(editor->areax, Qt::Key_Right);
    EXPECT_EQ(editor->selection().left(), 51);
    EXPECT_EQ(editor->selection().right() + 1, 90);
    EXPECT_EQ(editor->beam->x(), 27 + 50);
    EXPECT_EQ(editor->shot->x(), editor->beam->x());
    for (int i = 0; i < 60; ++i) QTest::keyClick(editor->areax, Qt::Key_Right);
    EXPECT_EQ(editor->areax->value(), 88);
    EXPECT_EQ(edits().left(7), QStringLiteral("89 1 90"));
    QTest::keyClick(editor->areax, Qt::Key_Home);
    EXPECT_EQ(edits().left(7), QStringLiteral("0 90 90"));

    // Clicking the button again keeps the mode.
    QTest::mouseClick(editor->XL, Qt::LeftButton);
    EXPECT_TRUE(editor->XL->isChecked());
    EXPECT_TRUE(editor->beam->isVisible());

    editor->edgeyu->setFocus();
    EXPECT_FALSE(editor->XL->isChecked());
    EXPECT_FALSE(editor->beam->isVisible());
    EXPECT_FALSE(editor->areax->thumbPointing());
    EXPECT_EQ(editor->areax->value(), 45);
}

TEST_F(CutEditorBars, RightEdgeModeStopsOnePixelAfterTheLeftAndReachesTheEnd) {
    QTest::mouseClick(editor->XR, Qt::LeftButton);
    EXPECT_EQ(editor->areax->value(), 90);
    EXPECT_EQ(editor->beam->x(), editor->shot->geometry().right());
    QTest::keyClick(editor->areax, Qt::Key_End);
    EXPECT_EQ(edits().left(10), QStringLiteral("50 150 200"));
    QTest::keyClick(editor->areax, Qt::Key_Home);
    EXPECT_EQ(edits().left(7), QStringLiteral("50 1 51"));
}

TEST_F(CutEditorBars, TopEdgeModeShowsARedLineOnTheFramesTopLine) {
    typeInto(editor->edgeyu, QStringLiteral("20"));
    QTest::mouseClick(editor->YU, Qt::LeftButton);
    EXPECT_TRUE(editor->areay->hasFocus());
    EXPECT_EQ(editor->beam->geometry(), QRect(27, 25 + 19, 200, 1));
    EXPECT_EQ(editor->beam->y(), editor->shot->y());
    EXPECT_EQ(editor->beam->colour(), QColor(255, 0, 0));
    // Switching to the left edge moves the marker and gives the other bar its plain thumb back.
    QTest::mouseClick(editor->XL, Qt::LeftButton);
    EXPECT_FALSE(editor->YU->isChecked());
    EXPECT_TRUE(editor->XL->isChecked());
    EXPECT_FALSE(editor->areay->thumbPointing());
    EXPECT_EQ(editor->areay->value(), 20 + 40);
    EXPECT_EQ(editor->beam->geometry(), QRect(27 + 49, 25, 1, 100));
}

TEST_F(CutEditorBars, AnEdgeModeScrollsTheEdgeTowardTheMiddleOfTheView) {
    give(2000, 100);
    typeInto(editor->edgexl, QStringLiteral("1500"));
    QTest::mouseClick(editor->XL, Qt::LeftButton);
    const int scroll = editor->view->horizontalScrollBar()->value();
    const int middle = editor->view->viewport()->width() / 2;
    EXPECT_EQ(editor->beam->x() - scroll, middle);
}

TEST_F(CutEditorBars, PlainMovesDoNotScrollTheViewAlongTheBar) {
    give(2000, 100);
    editor->areax->setFocus();
    editor->view->horizontalScrollBar()->setValue(300);
    QTest::keyClick(editor->areax, Qt::Key_Left);
    EXPECT_EQ(editor->view->horizontalScrollBar()->value(), 0);
}

TEST_F(CutEditorBars, ACommitEndsTheEdgeMode) {
    QTest::mouseClick(editor->XR, Qt::LeftButton);
    QTest::mouseClick(editor->UpDownyb->button(platform::UpDown::Button::Up), Qt::LeftButton);
    EXPECT_FALSE(editor->XR->isChecked());
    EXPECT_FALSE(editor->beam->isVisible());
    EXPECT_EQ(editor->selection().bottom() + 1, 99);
}

// --- Mouse --------------------------------------------------------------------------------------

class CutEditorMouse : public CutEditor {
protected:
    void SetUp() override {
        CutEditor::SetUp();
        give(200, 100);
    }
    // A drag in picture coordinates, pressed and moved on the picture as the user does.
    void drag(QPoint from, std::initializer_list<QPoint> through, Qt::KeyboardModifiers mods) {
        QWidget* on = editor->mainimage;
        QTest::mousePress(on, Qt::LeftButton, mods, from);
        QPoint last = from;
        for (QPoint p : through) {
            QTest::mouseMove(on, p);
            last = p;
        }
        QTest::mouseRelease(on, Qt::LeftButton, mods, last);
    }
};

TEST_F(CutEditorMouse, CtrlDragDrawsANewSelection) {
    drag({10, 20}, {{30, 40}, {49, 59}}, Qt::ControlModifier);
    EXPECT_FALSE(editor->selecting);
    EXPECT_EQ(editor->selection(), QRect(10, 20, 40, 40));
    EXPECT_EQ(edits(), QStringLiteral("10 40 50 | 20 40 60"));
    EXPECT_EQ(editor->areax->value(), 30);
    EXPECT_EQ(editor->areay->value(), 40);
    EXPECT_EQ(editor->shot->geometry(), QRect(27 + 9, 25 + 19, 42, 42));
}

TEST_F(CutEditorMouse, CtrlDragUpLeftSelectsBackToTheAnchor) {
    drag({50, 50}, {{35, 40}, {20, 30}}, Qt::ControlModifier);
    EXPECT_EQ(editor->selection(), QRect(20, 30, 29, 19));
}

TEST_F(CutEditorMouse, CtrlClickWithoutMovingSelectsNothingAtThePress) {
    drag({60, 70}, {}, Qt::ControlModifier);
    EXPECT_EQ(editor->selection(), QRect(60, 70, 0, 0));
    EXPECT_EQ(edits(), QStringLiteral("60 0 60 | 70 0 70"));
}

TEST_F(CutEditorMouse, CtrlDragNearTheRightEdgeReachesIt) {
    drag({150, 10}, {{198, 10}}, Qt::ControlModifier);
    EXPECT_EQ(editor->selection().right() + 1, 200);
}

TEST_F(CutEditorMouse, WhileDrawingBackwardsTheFrameShowsWhatWillBeSelected) {
    QWidget* on = editor->mainimage;
    QTest::mousePress(on, Qt::LeftButton, Qt::ControlModifier, {50, 50});
    QTest::mouseMove(on, {20, 30});
    EXPECT_TRUE(editor->selecting);
    EXPECT_EQ(editor->shot->geometry(), QRect(27 + 19, 25 + 29, 31, 21));
    QTest::mouseRelease(on, Qt::LeftButton, {}, {20, 30});
    EXPECT_EQ(editor->shot->geometry(), QRect(27 + 19, 25 + 29, 31, 21));
}

TEST_F(CutEditorMouse, DraggingTheFrameStopsAtTheLeftAndKeepsTheWidthText) {
    typeInto(editor->edgexl, QStringLiteral("60"));
    typeInto(editor->sizex, QStringLiteral("40"));
    typeInto(editor->edgeyu, QStringLiteral("30"));
    typeInto(editor->sizey, QStringLiteral("40"));
    editor->sizex->setText(QStringLiteral("+40"));  // shows that the move does not rewrite it
    drag({70, 40}, {{40, 40}, {-100, 45}}, {});
    EXPECT_FALSE(editor->movingFrame);
    EXPECT_EQ(editor->selection(), QRect(0, 35, 40, 40));
    EXPECT_EQ(edits(), QStringLiteral("0 +40 40 | 35 40 75"));
    EXPECT_EQ(editor->areax->value(), 20);
}

TEST_F(CutEditorMouse, AFrameAroundTheWholePictureDoesNotMove) {
    drag({100, 50}, {{60, 20}, {150, 90}}, {});
    EXPECT_EQ(editor->selection(), QRect(0, 0, 200, 100));
    EXPECT_EQ(editor->shot->geometry(), QRect(26, 24, 202, 102));
}

TEST_F(CutEditorMouse, APlainPressOutsideTheFrameDoesNothing) {
    typeInto(editor->edgexl, QStringLiteral("100"));
    drag({10, 10}, {{40, 40}}, {});
    EXPECT_EQ(editor->selection(), QRect(100, 0, 100, 100));
}

TEST_F(CutEditorMouse, WhileTheColourPickIsDownAPressPicksThePixelAndStartsNoSelection) {
    editor->shot->hide();  // as the resize dialog hides it
    base::Colour picked = 0;
    editor->pickingColour = [] { return true; };
    editor->colourPicked = [&](base::Colour c) { picked = c; };
    drag({7, 3}, {{20, 20}}, Qt::ControlModifier);
    EXPECT_EQ(picked, base::rgb(35, 27, 0x80));
    EXPECT_FALSE(editor->selecting);
    EXPECT_EQ(editor->selection(), QRect(0, 0, 200, 100));
}

TEST_F(CutEditorMouse, TheFrameInvertsThePixelsUnderIt) {
    typeInto(editor->edgexl, QStringLiteral("10"));
    typeInto(editor->edgeyu, QStringLiteral("10"));
    const QImage shown = editor->view->widget()->grab().toImage();
    const QImage& picture = editor->mainimage->picture();
    const auto at = [&](int x, int y) { return base::fromQRgb(shown.pixel(27 + x, 25 + y)); };
    const base::Colour under = base::pixelAt(picture, 9, 50);
    EXPECT_EQ(at(9, 50),
              base::rgb(255 - base::red(under), 255 - base::green(under), 255 - base::blue(under)));
    EXPECT_EQ(at(10, 50), base::pixelAt(picture, 10, 50));
    EXPECT_EQ(at(100, 50), base::pixelAt(picture, 100, 50));
    const base::Colour corner = base::pixelAt(picture, 9, 9);
    EXPECT_EQ(at(9, 9),
              base::rgb(255 - base::red(corner), 255 - base::green(corner), 255 - base::blue(corner)));
}

}  // namespace
