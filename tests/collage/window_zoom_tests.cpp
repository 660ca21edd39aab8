#include <QtTest/qtestspontaneevent.h>
#include <QAction>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>

#include "base/round.h"
#include "platform/view_zoom.h"
#include "platform/widgets.h"
#include "platform/zoom_menu.h"
#include "window_fixture.h"

namespace {

// Three pieces side by side: a (400 x 200) at 0, b (400 x 200, one odd pixel) at 400, c (200 x
// 200) at 800; the canvas is 1000 x 200 and auto size is off so drags are not refitted.
class Zoom : public KadrelWindow, public ::testing::WithParamInterface<double> {
protected:
    void SetUp() override {
        KadrelWindow::SetUp();
        QImage b = base::makeBgr(400, 200, base::rgb(0, 0, 200));
        base::setPixel(b, 120, 56, base::rgb(7, 8, 9));
        const QString bPath = dir.filePath(QStringLiteral("b.bmp"));
        b.save(bPath, "BMP");
        addThroughDialog({picture("a.bmp", 400, 200, base::rgb(200, 0, 0)), bPath,
                          picture("c.bmp", 200, 200, base::rgb(0, 200, 0))});
        QTest::mouseClick(k->autosize, Qt::LeftButton, {}, QPoint(5, 8));
        ASSERT_EQ(k->table().canvas(), QSize(1000, 200));
    }

    // The widget under the middle of canvas pixel (x, y) at the current zoom, and the point in it.
    std::pair<QWidget*, QPoint> screenPoint(int x, int y) const {
        const double f = k->viewScale().factor();
        const QPoint inMain(static_cast<int>((x + 0.5) * f), static_cast<int>((y + 0.5) * f));
        QWidget* w = k->main->childAt(inMain);
        return {w, w->mapFrom(k->main, inMain)};
    }
    void press(int x, int y) {
        const auto [w, at] = screenPoint(x, y);
        QTest::mousePress(w, Qt::LeftButton, {}, at);
    }
};

TEST_P(Zoom, APressPicksThePieceAndTheColourUnderThePointer) {
    const double zoom = GetParam();
    k->setViewZoom(zoom);
    EXPECT_EQ(k->zoomMenu->label->text(), platform::zoomText(zoom));
    EXPECT_EQ(k->main->size(), k->viewScale().toView(QSize(1000, 200)));
    press(520, 56);
    EXPECT_EQ(k->pickIndex(), 1);
    QTest::mouseRelease(k->pieceImage()[1], Qt::LeftButton);
    press(840, 100);
    EXPECT_EQ(k->pickIndex(), 2);
    QTest::mouseRelease(k->pieceImage()[2], Qt::LeftButton);

    // The colour pick reads the picture pixel under the pointer.
    k->pickn->setText(QStringLiteral("1"));
    k->picknExit();
    QTest::mouseClick(k->intrans, Qt::LeftButton, {}, QPoint(5, 8));
    QTest::mouseClick(k->transpick, Qt::LeftButton);
    press(520, 56);
    EXPECT_EQ(k->table().piece(1).pieceTransColor, base::rgb(7, 8, 9));
}

TEST_P(Zoom, ADragMovesByThePointersMovementOverTheZoom) {
    const double zoom = GetParam();
    k->setViewZoom(zoom);
    const auto [w, at] = screenPoint(840, 100);
    ASSERT_EQ(w, k->pieceImage()[2]);
    QTest::mousePress(w, Qt::LeftButton, {}, at);
    QTest::mouseMove(w, at + QPoint(10, -6));
    QTest::mouseRelease(w, Qt::LeftButton, {}, at + QPoint(10, -6));
    // Device pixels over the zoom, rounded with ties to even: 10 / 4 = 2.5 -> 2.
    const double dpr = k->devicePixelRatioF();
    const int dx = base::roundEvenInt(10 * dpr / zoom);
    const int dy = base::roundEvenInt(-6 * dpr / zoom);
    EXPECT_EQ(k->table().pieceRect(2), (collage::Rect{800 + dx, dy, 200, 200}));
    EXPECT_EQ(k->picLeft->text(), QString::number(800 + dx));
    // Cursor keys still move one canvas pixel.
    QTest::keyClick(k.get(), Qt::Key_Right);
    EXPECT_EQ(k->table().pieceRect(2).left, 801 + dx);
}

TEST_P(Zoom, WhatIsSavedDoesNotDependOnTheZoom) {
    k->fullkadrel();
    const QImage atOne = k->composite();
    k->setViewZoom(GetParam());
    k->pickn->setText(QStringLiteral("2"));
    k->picknExit();
    QTest::mouseClick(k->intrans, Qt::LeftButton, {}, QPoint(5, 8));
    k->fullkadrel();
    EXPECT_EQ(k->composite().size(), atOne.size());
    k->setViewZoom(1.0);
    k->fullkadrel();
    const QImage back = k->composite();
    k->setViewZoom(GetParam());
    k->fullkadrel();
    EXPECT_EQ(k->composite(), back);
}

INSTANTIATE_TEST_SUITE_P(AtSeveralZooms, Zoom, ::testing::Values(0.25, 1.0, 4.0));

// Ctrl + wheel over a piece, the canvas or the view's margin zooms one step about the pointer, and
// does not scroll the view as well; a wheel without Ctrl scrolls and leaves the zoom.
TEST_F(Zoom, CtrlWheelZoomsOneStepAboutThePointer) {
    k->resize(400, 400);
    k->setViewZoom(4.0);
    QApplication::processEvents();
    // As the desktop delivers it: a wheel the widget under the pointer leaves goes to its parents.
    auto wheel = [](QWidget* w, QPoint at, Qt::KeyboardModifiers mods, int delta) {
        QWheelEvent event(at, w->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, mods,
                          Qt::NoScrollPhase, false);
        QSpontaneKeyEvent::setSpontaneous(&event);
        qApp->notify(w, &event);
    };
    const auto [piece, at] = screenPoint(840, 100);
    ASSERT_EQ(piece, k->pieceImage()[2]);
    const QPoint inPort = piece->mapTo(k->view->viewport(), at);
    const QPointF under =
        k->viewScale().toPicture(QPointF(k->view->horizontalScrollBar()->value() + inPort.x(),
                                         k->view->verticalScrollBar()->value() + inPort.y()));
    wheel(piece, at, Qt::ControlModifier, 120);
    EXPECT_EQ(k->viewZoom(), platform::zoomIn(4.0));
    EXPECT_EQ(k->zoomMenu->label->text(), platform::zoomText(platform::zoomIn(4.0)));
    // The canvas pixel under the pointer stays there.
    const QPointF after =
        k->viewScale().toPicture(QPointF(k->view->horizontalScrollBar()->value() + inPort.x(),
                                         k->view->verticalScrollBar()->value() + inPort.y()));
    EXPECT_NEAR(after.x(), under.x(), 1.0);
    EXPECT_NEAR(after.y(), under.y(), 1.0);

    wheel(k->main, QPoint(3, 3), Qt::ControlModifier, -120);
    EXPECT_EQ(k->viewZoom(), 4.0);
    wheel(k->view->viewport(), QPoint(3, 3), Qt::ControlModifier, -120);
    EXPECT_EQ(k->viewZoom(), platform::zoomOut(4.0));
    const int scrolled = k->view->verticalScrollBar()->value();
    wheel(piece, at, Qt::NoModifier, 120);
    EXPECT_EQ(k->viewZoom(), platform::zoomOut(4.0));
    EXPECT_NE(k->view->verticalScrollBar()->value(), scrolled);
}

TEST_F(KadrelWindow, TheViewMenuStepsAndFits) {
    EXPECT_EQ(k->viewZoom(), 1.0);
    EXPECT_EQ(k->zoomMenu->label->text(), QStringLiteral("100 %"));
    EXPECT_TRUE(k->zoomMenu->zoomIn->shortcuts().contains(QKeySequence(QStringLiteral("Ctrl+="))));
    k->zoomMenu->zoomIn->trigger();
    EXPECT_EQ(k->viewZoom(), 1.5);
    k->zoomMenu->zoomOut->trigger();
    k->zoomMenu->zoomOut->trigger();
    EXPECT_DOUBLE_EQ(k->viewZoom(), 2.0 / 3);
    k->zoomMenu->actualSize->trigger();
    EXPECT_EQ(k->viewZoom(), 1.0);
    // Fit to the window: a 6000 x 1500 canvas fits the view's width.
    addThroughDialog({picture("wide.bmp", 6000, 1500)});
    k->zoomMenu->fitWindow->trigger();
    EXPECT_LE(k->main->width(), k->view->maximumViewportSize().width());
    EXPECT_LE(k->main->height(), k->view->maximumViewportSize().height());
    EXPECT_GT(k->main->width(), k->view->maximumViewportSize().width() - 2);
    EXPECT_LT(k->viewZoom(), 0.1);
    for (int i = 0; i < 20; ++i) k->zoomMenu->zoomOut->trigger();
    EXPECT_EQ(k->viewZoom(), platform::kMinZoom);
}

}  // namespace
