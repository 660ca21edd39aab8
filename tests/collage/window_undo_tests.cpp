#include <QAction>
#include <QMenuBar>

#include "platform/widgets.h"
#include "table_checks.h"
#include "window_fixture.h"

namespace {

using Shown = platform::FakeDesktop::Kind;

class Undo : public KadrelWindow {
protected:
    void typeInto(QLineEdit* edit, const QString& text) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    QStringList errors() const { return testsupport::fake().errors(); }
};

TEST_F(Undo, TheItemsStandFirstInTheEditMenuAndAreGreyedWithNothingToDo) {
    QMenu* edit = k->menuBar()->actions().at(1)->menu();
    ASSERT_GE(edit->actions().size(), 2);
    EXPECT_EQ(edit->actions().at(0), k->undomenu);
    EXPECT_EQ(edit->actions().at(1), k->redomenu);
    EXPECT_EQ(k->undomenu->text(), QStringLiteral("元に戻す"));
    EXPECT_EQ(k->redomenu->text(), QStringLiteral("やり直し"));
    EXPECT_EQ(k->undomenu->shortcut(), QKeySequence(QStringLiteral("Ctrl+Z")));
    EXPECT_TRUE(k->redomenu->shortcuts().contains(QKeySequence(QStringLiteral("Ctrl+Shift+Z"))));
    EXPECT_FALSE(k->undomenu->isEnabled());
    EXPECT_FALSE(k->redomenu->isEnabled());
    addThroughDialog({picture("a.bmp", 10, 10)});
    EXPECT_TRUE(k->undomenu->isEnabled());
    EXPECT_FALSE(k->redomenu->isEnabled());
}

TEST_F(Undo, AnAddOverTheBudgetLeavesNoTrace) {
    addThroughDialog({picture("small.bmp", 2, 2)});
    const collage::PieceTable before = k->table();
    const QString wide = picture("wide.bmp", 65535, 1);
    addThroughDialog({wide});
    ASSERT_EQ(errors().size(), 1);
    EXPECT_TRUE(errors()[0].contains(QStringLiteral("wide.bmp")));
    EXPECT_TRUE(errors()[0].contains(QStringLiteral("65537")));
    EXPECT_TRUE(k->table() == before);
    EXPECT_EQ(k->pieceImage().size(), 1u);
    EXPECT_EQ(k->sizeX->text(), QStringLiteral("2"));
    EXPECT_EQ(k->pickn->text(), QStringLiteral("0"));
    // Nothing is left that would show the box again.
    QTest::keyClick(k.get(), Qt::Key_Right);
    EXPECT_EQ(errors().size(), 1);
}

TEST_F(Undo, ARefusedPositionOrSizeIsShownOnceAndTheEditShowsTheTableAgain) {
    addThroughDialog({picture("a.bmp", 2, 2), picture("b.bmp", 2, 2)});
    typeInto(k->picLeft, QStringLiteral("70000"));
    EXPECT_EQ(errors().size(), 1);
    EXPECT_EQ(k->picLeft->text(), QStringLiteral("2"));
    EXPECT_EQ(k->table().pieceRect(1).left, 2);
    // Leaving the edit applies its value again: no second box.
    k->Clickout();
    EXPECT_EQ(errors().size(), 1);
    QTest::keyClick(k.get(), Qt::Key_Left);
    EXPECT_EQ(errors().size(), 1);
    EXPECT_EQ(k->table().pieceRect(1).left, 1);

    QTest::mouseClick(k->autosize, Qt::LeftButton, {}, QPoint(5, 8));
    ASSERT_FALSE(k->table().autoSize());
    typeInto(k->sizeX, QStringLiteral("99999"));
    EXPECT_EQ(errors().size(), 2);
    EXPECT_EQ(k->sizeX->text(), QStringLiteral("3"));
    k->Clickout();
    EXPECT_EQ(errors().size(), 2);
    EXPECT_EQ(k->back->width(), 3);
}

TEST_F(Undo, EscapeEnterWipesAndUndoBringsEveryPieceBack) {
    addThroughDialog({picture("a.bmp", 10, 10, base::rgb(1, 0, 0)), picture("b.bmp", 20, 10)});
    const collage::PieceTable before = k->table();
    testsupport::fake().confirmAnswers = {true};
    QTest::keyClick(k.get(), Qt::Key_Escape);
    ASSERT_EQ(k->pieceCount(), 0);
    // The left column is as at start.
    EXPECT_EQ(k->pickn->text(), QStringLiteral("0"));
    EXPECT_TRUE(k->picLeft->text().isEmpty());
    EXPECT_EQ(base::pixelAt(k->preview->picture(), 50, 50), 0u);
    QTest::keyClick(k.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(k->table() == before);
    EXPECT_EQ(k->pieceImage().size(), 2u);
    EXPECT_EQ(k->pieceImage()[0]->picture(), before.piece(0).picture);
    EXPECT_EQ(k->pickn->text(), QStringLiteral("1"));
    EXPECT_TRUE(k->redomenu->isEnabled());
    QTest::keyClick(k.get(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(k->pieceCount(), 0);
}

TEST_F(Undo, ADragIsOneStepAndARunOfNudgesAnother) {
    addThroughDialog({picture("a.bmp", 50, 50), picture("b.bmp", 50, 50)});
    QTest::mouseClick(k->autosize, Qt::LeftButton, {}, QPoint(5, 8));
    const collage::PieceTable start = k->table();
    const std::size_t steps = k->history().undoSteps();
    platform::PictureControl* p = k->pieceImage()[1];
    QTest::mousePress(p, Qt::LeftButton, {}, QPoint(10, 10));
    for (int x = 12; x <= 30; x += 2) QTest::mouseMove(p, QPoint(x, 10 + x));
    QTest::mouseRelease(p, Qt::LeftButton, {}, QPoint(30, 40));
    ASSERT_NE(k->table().pieceRect(1), start.pieceRect(1));
    EXPECT_EQ(k->history().undoSteps(), steps + 1);
    const collage::PieceTable dragged = k->table();

    for (int i = 0; i < 5; ++i) QTest::keyClick(k.get(), Qt::Key_Right);
    QTest::keyClick(k.get(), Qt::Key_Down);
    EXPECT_EQ(k->table().pieceRect(1).left, dragged.pieceRect(1).left + 5);
    EXPECT_EQ(k->history().undoSteps(), steps + 2);

    k->undomenu->trigger();
    EXPECT_TRUE(k->table() == dragged);
    EXPECT_EQ(k->pieceImage()[1]->pos(), QPoint(dragged.pieceRect(1).left, dragged.pieceRect(1).top));
    k->undomenu->trigger();
    EXPECT_EQ(k->table().pieceRect(1), start.pieceRect(1));
    EXPECT_EQ(k->picLeft->text(), QString::number(start.pieceRect(1).left));
    // A new edit after an undo drops the redo steps.
    QTest::keyClick(k.get(), Qt::Key_Up);
    EXPECT_FALSE(k->redomenu->isEnabled());
}

TEST_F(Undo, ADragThatTheRefitShiftsIsStillOneStep) {
    addThroughDialog({picture("a.bmp", 50, 50), picture("b.bmp", 50, 50)});
    const collage::PieceTable start = k->table();
    const std::size_t steps = k->history().undoSteps();
    platform::PictureControl* p = k->pieceImage()[0];
    QTest::mousePress(p, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(p, QPoint(-20, 30));
    QTest::mouseRelease(p, Qt::LeftButton, {}, QPoint(-20, 30));
    // Moved left and down, then refitted: the other piece shifts right.
    EXPECT_EQ(k->table().pieceRect(1), (collage::Rect{80, 0, 50, 50}));
    EXPECT_EQ(k->history().undoSteps(), steps + 1);
    // One undo gives the pieces and the canvas back (the pressed piece stays the current one).
    k->undomenu->trigger();
    EXPECT_TRUE(k->table().sameContent(start));
    EXPECT_EQ(k->back->size(), QSize(100, 50));
}

// A key pressed while the mouse still drags ends the drag as a step of its own (refitted, with auto
// size on) before the key acts: undo then takes back the key's edit, then the drag, in that order,
// and each state it gives back encloses the pieces.
TEST_F(Undo, KeysDuringADragComeAfterTheDragInTheHistory) {
    addThroughDialog({picture("a.bmp", 50, 50), picture("b.bmp", 50, 50)});
    const collage::PieceTable start = k->table();
    platform::PictureControl* p = k->pieceImage()[0];
    QTest::mousePress(p, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(p, QPoint(-20, 30));
    ASSERT_TRUE(k->dragging());
    QTest::keyClick(k.get(), Qt::Key_Right);
    EXPECT_FALSE(k->dragging());
    QTest::keyClick(k.get(), Qt::Key_PageUp);
    EXPECT_EQ(k->table().piece(1).pieceFile, start.piece(0).pieceFile);
    QTest::mouseRelease(p, Qt::LeftButton, {}, QPoint(-20, 30));
    EXPECT_EQ(k->history().undoSteps(), 4u);  // the add, the drag, the nudge, the layer move

    std::vector<collage::PieceTable> undone;
    while (k->undomenu->isEnabled()) {
        k->undomenu->trigger();
        undone.push_back(k->table());
        testsupport::expectInvariants(k->table());
    }
    ASSERT_EQ(undone.size(), 4u);
    EXPECT_EQ(undone[0].piece(0).pieceFile, start.piece(0).pieceFile);  // before the layer move
    EXPECT_EQ(undone[1].pieceRect(0), (collage::Rect{0, 20, 50, 50}));  // the drag alone, refitted
    EXPECT_TRUE(undone[2].sameContent(start));
    EXPECT_EQ(undone[3].pieceCount(), 0);
}

TEST_F(Undo, OptionsAndQualityAreSettingsNotSteps) {
    addThroughDialog({picture("a.bmp", 10, 10)});
    const std::size_t steps = k->history().undoSteps();
    k->overpics->trigger();
    k->outframe->trigger();
    typeInto(k->jpgq, QStringLiteral("80"));
    EXPECT_EQ(k->history().undoSteps(), steps);
}

}  // namespace
