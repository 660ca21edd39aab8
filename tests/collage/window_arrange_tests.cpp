#include <QAction>
#include <QMouseEvent>
#include <QToolButton>

#include "platform/widgets.h"
#include "window_fixture.h"

namespace {

using Button = platform::UpDown::Button;

class Arrange : public KadrelWindow {
protected:
    // Pieces of the given sizes, with auto size off so nothing refits unless a test asks.
    void pieces(const std::vector<QSize>& sizes, bool autoSizeOff = true) {
        QStringList paths;
        for (size_t i = 0; i < sizes.size(); ++i)
            paths << picture(QStringLiteral("p%1.bmp").arg(i), sizes[i].width(), sizes[i].height(),
                             base::rgb(static_cast<std::uint8_t>(40 * i), 200, 10));
        addThroughDialog(paths);
        if (autoSizeOff) QTest::mouseClick(k->autosize, Qt::LeftButton, {}, QPoint(5, 8));
    }
    // Puts a piece at a place by hand, past every rule.
    void place(int slot, int left, int top) {
        collage::PieceTable t = k->table();
        const int current = t.pickIndex();
        t.pick(slot);
        t.typeLeft(left, {});
        t.typeTop(top, {});
        t.pick(current);
        k->setTable(t);
    }
    platform::PictureControl* piece(int slot) { return k->pieceImage()[slot]; }
    void key(int key) {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : k.get(), Qt::Key(key));
    }
};

TEST_F(Arrange, DragWithRulesOffGoesNegativeAndTheReleaseRefits) {
    pieces({{50, 50}, {50, 50}}, false);
    platform::PictureControl* p = piece(0);
    QTest::mousePress(p, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(k->pickIndex(), 0);
    QTest::mouseMove(p, QPoint(-20, 15));
    EXPECT_EQ(k->picLeft->text(), QStringLiteral("-30"));
    EXPECT_EQ(k->picTop->text(), QStringLiteral("5"));
    EXPECT_EQ(p->pos(), QPoint(-30, 5));
    QTest::mouseRelease(p, Qt::LeftButton, {}, QPoint(-20, 15));
    EXPECT_EQ(k->table().pieceRect(0), (collage::Rect{0, 5, 50, 50}));
    EXPECT_EQ(k->table().pieceRect(1), (collage::Rect{80, 0, 50, 50}));
    EXPECT_EQ(k->back->size(), QSize(130, 55));
}

TEST_F(Arrange, TopmostPieceTakesThePressEvenWhereItIsKeyed) {
    pieces({{50, 50}, {50, 50}});
    place(1, 20, 0);
    k->pickn->setText(QString::number(1));
    k->picknExit();
    k->pickchange();
    QTest::mouseClick(k->intrans, Qt::LeftButton, {}, QPoint(5, 8));
    ASSERT_TRUE(piece(1)->transparent());
    // The key is piece 1's own colour, so it is invisible everywhere; the press still goes to it.
    k->pickn->setText(QString::number(0));
    k->picknExit();
    k->pickchange();
    QWidget* hit = k->main->childAt(30, 10);
    ASSERT_EQ(hit, piece(1));
    QTest::mousePress(hit, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseRelease(hit, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(k->pickIndex(), 1);
}

TEST_F(Arrange, BlockedDragFollowsThePointerBackAtOnce) {
    pieces({{50, 50}, {50, 50}});
    place(0, 0, 0);
    place(1, 60, 0);
    k->overpics->setChecked(true);
    platform::PictureControl* p = piece(0);
    // Events arrive relative to the dragged control, which moves; step in canvas pixels.
    auto moveTo = [&](int canvasX) { QTest::mouseMove(p, QPoint(canvasX - p->x(), 20)); };
    QTest::mousePress(p, Qt::LeftButton, {}, QPoint(40, 20));
    for (int x = 41; x <= 55; ++x) moveTo(x);
    EXPECT_EQ(p->x(), 10);  // stopped flush against the neighbour at 60
    // Each blocked step re-anchored under the pointer, so turning back moves the piece at once.
    moveTo(50);
    EXPECT_EQ(p->x(), 5);
    QTest::mouseRelease(p, Qt::LeftButton, {}, QPoint(45, 20));
    EXPECT_EQ(k->table().pieceRect(0).left, 5);
}

TEST_F(Arrange, CursorKeysMoveThePieceUnlessAnEditHasTheFocus) {
    pieces({{50, 50}, {50, 50}});
    k->picTop->setFocus();
    QTest::keyClick(k->picTop, Qt::Key_Down);
    EXPECT_EQ(k->table().pieceRect(1).top, 0);
    QTest::keyClick(k->picTop, Qt::Key_Return);
    QTest::keyClick(k.get(), Qt::Key_Down);
    EXPECT_EQ(k->table().pieceRect(1).top, 1);
    EXPECT_EQ(k->picTop->text(), QStringLiteral("1"));
    QTest::keyClick(k.get(), Qt::Key_Right);
    EXPECT_EQ(k->table().pieceRect(1).left, 51);
}

TEST_F(Arrange, ChoosingByNumber) {
    pieces({{10, 10}, {10, 10}, {10, 10}});
    k->pickn->setFocus();
    k->pickn->setText(QStringLiteral("9"));
    QTest::keyClick(k->pickn, Qt::Key_Return);
    EXPECT_EQ(k->pickIndex(), 2);
    EXPECT_EQ(k->pickn->text(), QStringLiteral("2"));
    k->pickn->setFocus();
    k->pickn->setText(QStringLiteral("-5"));
    QTest::keyClick(k->pickn, Qt::Key_Return);
    EXPECT_EQ(k->pickIndex(), 0);
    EXPECT_EQ(k->pickn->text(), QStringLiteral("0"));
    k->pickn->setFocus();
    k->pickn->setText(QStringLiteral("q"));
    QTest::keyClick(k->pickn, Qt::Key_Return);
    EXPECT_EQ(testsupport::fake().errors(), QStringList{QStringLiteral("'q' は整数ではありません")});
    EXPECT_EQ(k->pickIndex(), 0);
    // The spinner wraps: down from 0 goes to the top piece.
    k->pickn->setText(QStringLiteral("0"));
    QTest::mouseClick(k->UpDownpickn->button(Button::Down), Qt::LeftButton);
    EXPECT_EQ(k->pickIndex(), 2);
}

TEST_F(Arrange, TypedAndSteppedPositions) {
    pieces({{50, 50}, {50, 50}});
    k->picLeft->setFocus();
    k->picLeft->setText(QStringLiteral("5000"));
    QTest::keyClick(k->picLeft, Qt::Key_Return);
    EXPECT_EQ(k->table().pieceRect(1).left, 5000);
    k->picTop->setText(QStringLiteral("-1600"));
    QTest::mouseClick(k->UpDownPT->button(Button::Up), Qt::LeftButton);
    EXPECT_EQ(k->table().pieceRect(1).top, -1600);  // at the limit the spinner re-applies it
    k->picTop->setText(QStringLiteral("10"));
    QTest::mouseClick(k->UpDownPT->button(Button::Up), Qt::LeftButton);
    EXPECT_EQ(k->table().pieceRect(1).top, 9);
}

TEST_F(Arrange, OffsetStepsSwitchKeepInsideOffOnce) {
    pieces({{50, 50}, {50, 50}});
    QTest::mouseClick(k->offset, Qt::LeftButton);
    EXPECT_TRUE(k->offsetX->isVisible());
    EXPECT_FALSE(k->fit->isVisible());
    k->outframe->setChecked(true);
    QTest::mouseClick(k->offsetX->button(Button::Down), Qt::LeftButton);
    EXPECT_EQ(k->table().pieceRect(0).left, -1);
    EXPECT_EQ(k->table().pieceRect(1).left, 49);
    EXPECT_EQ(testsupport::fake().notices(), QStringList{QStringLiteral("｢枠外に出さない」をOFFにします。")});
    EXPECT_FALSE(k->outframe->isChecked());
    QTest::mouseClick(k->offsetY->button(Button::Up), Qt::LeftButton);
    EXPECT_EQ(k->table().pieceRect(0).top, -1);
    EXPECT_EQ(k->back->size(), QSize(100, 50));  // offset steps never refit
}

TEST_F(Arrange, KeyColourAndColourPick) {
    QImage img = base::makeBgr(20, 10, base::rgb(255, 255, 255));
    base::setPixel(img, 5, 5, base::rgb(255, 0, 0));
    base::setPixel(img, 6, 5, base::rgb(254, 255, 255));
    const QString path = dir.filePath("w.bmp");
    img.save(path, "BMP");
    addThroughDialog({path});
    QTest::mouseClick(k->intrans, Qt::LeftButton, {}, QPoint(5, 8));
    EXPECT_TRUE(piece(0)->transparent());
    EXPECT_TRUE(k->transcolor->isVisible());
    EXPECT_EQ(k->transcolor->colour(), base::rgb(255, 255, 255));
    EXPECT_TRUE(k->transpick->isEnabled());

    QTest::mouseClick(k->transpick, Qt::LeftButton);
    ASSERT_TRUE(k->transpick->isChecked());
    QTest::mousePress(piece(0), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(piece(0), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(k->table().piece(0).pieceTransColor, base::rgb(255, 0, 0));
    EXPECT_EQ(k->transcolor->colour(), base::rgb(255, 0, 0));
    EXPECT_FALSE(k->transpick->isChecked());
    EXPECT_FALSE(k->dragging());

    // The composite leaves out exactly the red pixel.
    k->fullkadrel();
    EXPECT_EQ(base::pixelAt(k->composite(), 5, 5), 0u);
    EXPECT_EQ(base::pixelAt(k->composite(), 6, 5), base::rgb(254, 255, 255));
    EXPECT_EQ(base::pixelAt(k->composite(), 0, 0), base::rgb(255, 255, 255));

    QTest::mouseClick(k->intrans, Qt::LeftButton, {}, QPoint(5, 8));
    QTest::mouseClick(k->intrans, Qt::LeftButton, {}, QPoint(5, 8));
    EXPECT_EQ(k->transcolor->colour(), base::rgb(255, 0, 0));  // the picked colour comes back
}

TEST_F(Arrange, LayerMovesExchangeSlotsAndKeepEachPiece) {
    pieces({{10, 10}, {20, 20}, {30, 30}});
    k->pickn->setText(QString::number(1));
    k->picknExit();
    k->pickchange();
    QTest::mouseClick(k->intrans, Qt::LeftButton, {}, QPoint(5, 8));
    const QString bFile = k->table().piece(1).pieceFile;
    QTest::mouseClick(k->rawup, Qt::LeftButton);
    EXPECT_EQ(k->pickIndex(), 2);
    EXPECT_EQ(k->pickn->text(), QStringLiteral("2"));
    EXPECT_EQ(k->table().pieceRect(2), (collage::Rect{10, 0, 20, 20}));
    EXPECT_EQ(k->table().pieceRect(1), (collage::Rect{30, 0, 30, 30}));
    EXPECT_EQ(piece(2)->size(), QSize(20, 20));
    EXPECT_TRUE(piece(2)->transparent());
    EXPECT_FALSE(piece(1)->transparent());
    EXPECT_EQ(k->table().piece(2).pieceFile, bFile);
    // Already on top: Page Up does nothing.
    QTest::keyClick(k.get(), Qt::Key_PageUp);
    EXPECT_EQ(k->pickIndex(), 2);
    EXPECT_EQ(k->table().pieceRect(2), (collage::Rect{10, 0, 20, 20}));
    QTest::keyClick(k.get(), Qt::Key_PageDown);
    EXPECT_EQ(k->pickIndex(), 1);
}

TEST_F(Arrange, DeletionAsksAndThePieceAboveTakesTheSlot) {
    pieces({{10, 10}, {20, 20}, {30, 30}});
    k->pickn->setText(QString::number(1));
    k->picknExit();
    k->pickchange();
    testsupport::fake().confirmAnswers = {false};
    QTest::keyClick(k.get(), Qt::Key_F4);
    EXPECT_EQ(k->pieceCount(), 3);
    testsupport::fake().confirmAnswers = {true};
    QTest::keyClick(k.get(), Qt::Key_F4);
    ASSERT_EQ(k->pieceCount(), 2);
    EXPECT_EQ(k->pickIndex(), 1);
    EXPECT_EQ(k->table().pieceRect(1), (collage::Rect{30, 0, 30, 30}));
    EXPECT_EQ(k->UpDownpickn->maximum(), 1);
    EXPECT_EQ(k->table().slots().size(), 2u);
    // F4 while typing in picLeft deletes nothing and asks nothing.
    const auto asked = testsupport::fake().shown.size();
    k->picLeft->setFocus();
    QTest::keyClick(k->picLeft, Qt::Key_F4);
    EXPECT_EQ(testsupport::fake().shown.size(), asked);
    EXPECT_EQ(k->pieceCount(), 2);
}

TEST_F(Arrange, SpaceTogglesTheOverlapRuleEvenInAnEdit) {
    pieces({{100, 100}, {100, 100}});
    place(1, 50, 0);
    k->picLeft->setFocus();
    const QString before = k->picLeft->text();
    QTest::keyClick(k->picLeft, Qt::Key_Space);
    EXPECT_TRUE(k->overpics->isChecked());
    EXPECT_EQ(k->picLeft->text(), before);
    EXPECT_EQ(testsupport::fake().notices(), QStringList{QStringLiteral("0/1が重なっています。")});
}

}  // namespace

namespace {

// "スナップ": a mouse drag lands the piece's edges on a neighbour's within 8 screen pixels and shows
// the line it is on; Shift held suspends it; off, the drag follows the pointer exactly.
TEST_F(Arrange, SnappingDragsLandOnLinesAndShowThem) {
    pieces({{50, 50}, {50, 50}});
    collage::PieceTable t = k->table();
    t.setCanvasWidth(400, {});
    t.setCanvasHeight(300, {});
    k->setTable(t);
    place(1, 150, 100);
    platform::PictureControl* p = piece(1);
    auto moveTo = [&](QPoint canvas, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        const QPoint local = canvas - p->pos();
        QMouseEvent e(QEvent::MouseMove, QPointF(local), QPointF(p->mapToGlobal(local)), Qt::NoButton,
                      Qt::LeftButton, mods);
        QApplication::sendEvent(p, &e);
    };
    auto drag = [&](QPoint to, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::mousePress(p, Qt::LeftButton, {}, QPoint(10, 10));
        moveTo(to, mods);
    };

    k->snapmenu->trigger();
    ASSERT_TRUE(k->options().snap);
    drag(QPoint(63, 120));  // asks for (53, 110): its left edge is 3 from the neighbour's right
    EXPECT_EQ(p->pos(), QPoint(50, 110));
    EXPECT_FALSE(k->guides->isHidden());
    EXPECT_EQ(k->guides->lineCount(), 1u);
    moveTo(QPoint(63, 120), Qt::ShiftModifier);
    EXPECT_EQ(p->pos(), QPoint(53, 110));
    EXPECT_TRUE(k->guides->isHidden());
    moveTo(QPoint(61, 120));
    EXPECT_EQ(p->pos(), QPoint(50, 110));
    QTest::mouseRelease(p, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_TRUE(k->guides->isHidden());
    EXPECT_EQ(k->table().pieceRect(1).left, 50);

    k->snapmenu->trigger();
    place(1, 150, 100);
    p = piece(1);
    drag(QPoint(63, 120));
    EXPECT_EQ(p->pos(), QPoint(53, 110));
    EXPECT_TRUE(k->guides->isHidden());
    QTest::mouseRelease(p, Qt::LeftButton, {}, QPoint(10, 10));
}

}  // namespace
