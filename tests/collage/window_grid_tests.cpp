#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QSpinBox>

#include "collage/window/tarrange.h"
#include "window_fixture.h"

namespace {

using collage::Rect;

// Three pieces added side by side: 40 x 20, 20 x 30, 30 x 10.
class Grid : public KadrelWindow {
protected:
    void SetUp() override {
        KadrelWindow::SetUp();
        addThroughDialog({picture("a.bmp", 40, 20), picture("b.bmp", 20, 30), picture("c.bmp", 30, 10)});
        before = k->table();
        stepsBefore = k->history().undoSteps();
    }

    collage::Tarrange* open() {
        k->arrangemenu->trigger();
        collage::Tarrange* d = k->arrangeDialog();
        EXPECT_NE(d, nullptr);
        EXPECT_TRUE(d && d->isVisible());
        return d;
    }

    std::vector<Rect> rects() const { return k->table().rects(); }

    collage::PieceTable before;
    std::size_t stepsBefore = 0;
};

TEST(GridMenu, StandsInTheEditMenuWithCtrlGAndIsGreyedWithoutPieces) {
    testsupport::resetFake();
    collage::Tkadrel k(testsupport::fake());
    k.show();
    EXPECT_EQ(k.arrangemenu->text(), QStringLiteral("整列…"));
    EXPECT_EQ(k.arrangemenu->shortcut(), QKeySequence(QStringLiteral("Ctrl+G")));
    EXPECT_TRUE(k.menuBar()->actions().at(1)->menu()->actions().contains(k.arrangemenu));
    EXPECT_FALSE(k.arrangemenu->isEnabled());
}

TEST_F(Grid, OpensWithTheDefaultsAndShowsTheGridAtOnce) {
    EXPECT_TRUE(k->arrangemenu->isEnabled());
    collage::Tarrange* d = open();
    EXPECT_EQ(d->windowTitle(), QStringLiteral("整列"));
    EXPECT_EQ(d->columns->value(), 2);  // the ceiling of √3
    EXPECT_TRUE(d->rowTop->isChecked());
    EXPECT_TRUE(d->columnLeft->isChecked());
    EXPECT_TRUE(d->sizeAsIs->isChecked());
    EXPECT_FALSE(d->target->isEnabled());
    // Columns 40 and 20 wide, rows 30 and 10 high.
    EXPECT_EQ(rects(), (std::vector<Rect>{{0, 0, 40, 20}, {40, 0, 20, 30}, {0, 30, 30, 10}}));
    EXPECT_EQ(k->sizeX->text(), QStringLiteral("60"));
    EXPECT_EQ(k->sizeY->text(), QStringLiteral("40"));
    EXPECT_EQ(k->pieceImage()[2]->pos(), QPoint(0, 30));
    d->reject();
}

TEST_F(Grid, SettingsShowLiveAndCancelRestoresExactly) {
    collage::Tarrange* d = open();
    d->gap->setValue(5);
    EXPECT_EQ(rects()[1], (Rect{45, 0, 20, 30}));
    QTest::mouseClick(d->rowBottom, Qt::LeftButton);
    EXPECT_EQ(rects()[0], (Rect{0, 10, 40, 20}));
    QTest::mouseClick(d->columnCenter, Qt::LeftButton);
    EXPECT_EQ(rects()[2], (Rect{5, 35, 30, 10}));
    QTest::mouseClick(d->oneRow, Qt::LeftButton);
    EXPECT_EQ(d->columns->value(), 3);
    EXPECT_EQ(rects()[2], (Rect{70, 20, 30, 10}));
    // However many previews, the history holds one step for them.
    EXPECT_EQ(k->history().undoSteps(), stepsBefore + 1);

    QTest::mouseClick(d->cancel, Qt::LeftButton);
    EXPECT_FALSE(d->isVisible());
    EXPECT_TRUE(k->table() == before);
    EXPECT_EQ(k->history().undoSteps(), stepsBefore);
    EXPECT_EQ(k->pieceImage()[1]->pos(), QPoint(40, 0));

    // Esc cancels too. The gap and the alignment stay as they were set.
    d = open();
    QTest::mouseClick(d->oneColumn, Qt::LeftButton);
    EXPECT_EQ(rects()[1], (Rect{10, 25, 20, 30}));
    d->activateWindow();
    QApplication::processEvents();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    // Not the main window's Esc, "全消去".
    EXPECT_TRUE(testsupport::fake().texts(platform::FakeDesktop::Kind::Confirm).isEmpty());
    EXPECT_FALSE(d->isVisible());
    EXPECT_TRUE(k->table() == before);
}

TEST_F(Grid, OkKeepsOneUndoStepAndAMarginUnchecksAutoSize) {
    collage::Tarrange* d = open();
    d->margin->setValue(4);
    EXPECT_FALSE(k->autosize->isChecked());
    EXPECT_FALSE(k->sizeX->isReadOnly());
    EXPECT_EQ(k->sizeX->text(), QStringLiteral("68"));
    QTest::mouseClick(d->okey, Qt::LeftButton);
    EXPECT_FALSE(d->isVisible());
    const collage::PieceTable arranged = k->table();
    EXPECT_EQ(arranged.pieceRect(0), (Rect{4, 4, 40, 20}));
    EXPECT_EQ(k->history().undoSteps(), stepsBefore + 1);

    k->undomenu->trigger();
    EXPECT_TRUE(k->table() == before);
    EXPECT_TRUE(k->autosize->isChecked());
    k->redomenu->trigger();
    EXPECT_TRUE(k->table() == arranged);
}

TEST_F(Grid, OneHeightStartsAtTheSmallestHeightAndScales) {
    collage::Tarrange* d = open();
    QTest::mouseClick(d->sizeHeight, Qt::LeftButton);
    EXPECT_TRUE(d->target->isEnabled());
    EXPECT_EQ(d->target->value(), 10);
    // 40 x 20 -> 20 x 10, 20 x 30 -> Round(6.67) = 7 x 10, 30 x 10 stays (and widens column 0).
    EXPECT_EQ(rects(), (std::vector<Rect>{{0, 0, 20, 10}, {30, 0, 7, 10}, {0, 10, 30, 10}}));
    EXPECT_EQ(k->pieceImage()[1]->picture().size(), QSize(7, 10));
    QTest::mouseClick(d->sizeWidth, Qt::LeftButton);
    EXPECT_EQ(d->target->value(), 20);
    EXPECT_EQ(rects()[0], (Rect{0, 0, 20, 10}));
    EXPECT_EQ(rects()[1], (Rect{20, 0, 20, 30}));
    d->target->setValue(65535);  // 40 x 20 would be 65535 x 32768, over the budget: refused
    ASSERT_EQ(testsupport::fake().errors().size(), 1);
    EXPECT_EQ(rects()[1], (Rect{20, 0, 20, 30}));
    QTest::mouseClick(d->cancel, Qt::LeftButton);
    EXPECT_TRUE(k->table() == before);
}

TEST_F(Grid, AnEditInTheWindowWhileOpenIsKeptAndTheNextPreviewStartsFromIt) {
    collage::Tarrange* d = open();
    d->gap->setValue(2);
    const collage::PieceTable shown = k->table();
    // Undo in the window takes the preview back; the next setting arranges that table again
    // and cancel then returns to it, with the arrangement left to redo.
    k->undomenu->trigger();
    EXPECT_TRUE(k->table() == before);
    d->gap->setValue(3);
    EXPECT_EQ(rects()[1], (Rect{43, 0, 20, 30}));
    QTest::mouseClick(d->cancel, Qt::LeftButton);
    EXPECT_TRUE(k->table() == before);
    EXPECT_TRUE(k->history().canRedo());
    k->redomenu->trigger();
    EXPECT_TRUE(k->table() == shown);
}

}  // namespace
