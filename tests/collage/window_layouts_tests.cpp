#include <QComboBox>
#include <QRadioButton>
#include <QSpinBox>

#include "collage/window/tarrange.h"
#include "window_fixture.h"

namespace {

using collage::Rect;

// Three pieces added side by side: 40 x 20, 20 x 20, 30 x 60; the canvas is 90 wide.
class Layouts : public KadrelWindow {
protected:
    void SetUp() override {
        KadrelWindow::SetUp();
        addThroughDialog({picture("a.bmp", 40, 20), picture("b.bmp", 20, 20), picture("c.bmp", 30, 60)});
        before = k->table();
        stepsBefore = k->history().undoSteps();
        k->arrangemenu->trigger();
        d = k->arrangeDialog();
        ASSERT_TRUE(d && d->isVisible());
    }

    collage::PieceTable before;
    std::size_t stepsBefore = 0;
    collage::Tarrange* d = nullptr;
};

TEST_F(Layouts, JustifiedRowsFillTheTypedWidthAndKeepAsOneStep) {
    EXPECT_EQ(d->rowWidth->value(), 90);  // the canvas's width
    EXPECT_FALSE(d->rowWidth->isEnabled());
    QTest::mouseClick(d->layoutJustify, Qt::LeftButton);
    EXPECT_TRUE(d->rowWidth->isEnabled());
    EXPECT_FALSE(d->columns->isEnabled());
    EXPECT_FALSE(d->outputSize->isEnabled());
    d->gap->setValue(4);
    d->rowHeight->setValue(85);
    d->rowWidth->setValue(300);
    // One row: 292 over the aspects 2 + 1 + 0.5 is 83.4 high.
    EXPECT_EQ(k->table().rects(), (std::vector<Rect>{{0, 0, 167, 83}, {171, 0, 83, 83}, {258, 0, 42, 83}}));
    EXPECT_EQ(k->table().canvas(), QSize(300, 83));
    QTest::mouseClick(d->okey, Qt::LeftButton);
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(k->history().undoSteps(), stepsBefore + 1);
    k->undomenu->trigger();
    EXPECT_TRUE(k->table() == before);
}

TEST_F(Layouts, APresetSizeWithFilledCellsAndATypedOneThatIsRefused) {
    // A preset: the canvas is that size with auto size off, every cell filled.
    d->outputSize->setCurrentIndex(1);
    Q_EMIT d->outputSize->activated(1);
    EXPECT_EQ(d->outputWidth->value(), 1080);
    EXPECT_EQ(d->outputHeight->value(), 1080);
    EXPECT_FALSE(d->sizeHeight->isEnabled());
    QTest::mouseClick(d->cellFill, Qt::LeftButton);
    EXPECT_EQ(k->table().canvas(), QSize(1080, 1080));
    EXPECT_FALSE(k->table().autoSize());
    // Two columns, two rows of 540 × 540.
    EXPECT_EQ(k->table().rects(),
              (std::vector<Rect>{{0, 0, 540, 540}, {540, 0, 540, 540}, {0, 540, 540, 540}}));
    // Fitted instead: the wide piece is 540 × 270 at the top of its cell.
    QTest::mouseClick(d->cellFit, Qt::LeftButton);
    EXPECT_EQ(k->table().pieceRect(0), (Rect{0, 0, 540, 270}));
    // A typed size: the list shows "指定"; one that leaves no room is refused with its message
    // and the last preview stays.
    d->outputWidth->setValue(1000);
    EXPECT_EQ(d->outputSize->currentIndex(), d->outputSize->count() - 1);
    EXPECT_EQ(k->table().canvas(), QSize(1000, 1080));
    const auto errors = testsupport::fake().errors().size();
    d->margin->setValue(600);
    EXPECT_EQ(testsupport::fake().errors().size(), errors + 1);
    EXPECT_EQ(k->table().canvas(), QSize(1000, 1080));
    QTest::mouseClick(d->cancel, Qt::LeftButton);
    EXPECT_TRUE(k->table() == before);
    EXPECT_EQ(k->history().undoSteps(), stepsBefore);
}

}  // namespace
