#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QTest>

#include "app/wiring.h"
#include "base/image.h"
#include "codecs/codecs.h"
#include "collage/thumbnail.h"
#include "collage/window/tkadrel.h"
#include "fullshow/tfull.h"
#include "load/window/outline.h"
#include "load/window/tloadcut.h"
#include "platform/widgets.h"
#include "test_support.h"
#include "version/ttobrisk.h"
#include "zoom/window/tresize.h"

namespace {

QImage twoColours(int w, int h, base::Colour edge, base::Colour inner) {
    QImage img = base::makeBgr(w, h, edge);
    for (int y = 4; y < h - 4; ++y)
        for (int x = 4; x < w - 4; ++x) base::setPixel(img, x, y, inner);
    return img;
}

TEST(Placement, EditorEndsAtTheMiddleAndTheOthersFollow) {
    EXPECT_EQ(app::editorPlace(QSize(1024, 768), QSize(521, 401)), QPoint(-9, 183));
    EXPECT_EQ(app::resizePlace(QSize(1025, 768), 183), QPoint(512, 183));
    EXPECT_EQ(app::helpPlace(QSize(1024, 768), QSize(401, 300)), QPoint(311, 234));
}

TEST(Thumbnail, SmallResultsKeepTheirSizeAndLargeOnesShrink) {
    const QImage small = collage::editedThumbnail(base::makeBgr(40, 30, base::rgb(1, 2, 3)));
    ASSERT_EQ(small.size(), QSize(100, 100));
    EXPECT_EQ(base::pixelAt(small, 39, 29), base::rgb(1, 2, 3));
    EXPECT_EQ(base::pixelAt(small, 40, 0), base::rgb(255, 255, 255));
    EXPECT_EQ(base::pixelAt(small, 0, 30), base::rgb(255, 255, 255));
    const QImage large = collage::editedThumbnail(base::makeBgr(300, 50, base::rgb(9, 9, 9)));
    EXPECT_EQ(large.size(), QSize(100, 100));
    EXPECT_EQ(base::pixelAt(large, 99, 10), base::rgb(9, 9, 9));
    EXPECT_EQ(base::pixelAt(large, 50, 90), base::rgb(255, 255, 255));
}

// "Closing the main window ends the loop and the program", also while the cut editor and the
// help window are open: they are windows of their own, which by Qt's default would keep the
// program running.
TEST(Shutdown, ClosingTheMainWindowEndsTheProgramWhateverIsOpen) {
    testsupport::resetFake();
    testsupport::fake().screen = QSize(1024, 768);
    app::Windows windows(testsupport::fake());
    windows.kadrel.show();
    windows.loadcut.editPiece(base::makeBgr(20, 20, base::rgb(1, 2, 3)), QString());
    windows.tobrisk.verClick();
    ASSERT_TRUE(windows.loadcut.isVisible());
    bool stuck = false;
    QTimer::singleShot(0, &windows.kadrel, [&] { windows.kadrel.close(); });
    QTimer::singleShot(5000, &windows.kadrel, [&] {
        stuck = true;
        QCoreApplication::exit(1);
    });
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_FALSE(stuck);
}

class RoundTrip : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::resetFake();
        testsupport::fake().screen = QSize(1024, 768);
        k = std::make_unique<collage::Tkadrel>(testsupport::fake());
        e = std::make_unique<load::Tloadcut>(testsupport::fake());
        e->ctrlHeld = [] { return false; };
        r = std::make_unique<zoom::Tresize>(testsupport::fake());
        help = std::make_unique<version::Ttobrisk>(testsupport::fake());
        full = std::make_unique<fullshow::Tfull>(testsupport::fake());
        app::connectEditor(*k, *e);
        app::connectResize(*k, *e, *r);
        app::connectViewers(*k, *e, *full, *help);
        k->show();
        QApplication::processEvents();
    }
    void TearDown() override {
        full.reset();
        help.reset();
        r.reset();
        e.reset();
        k.reset();
    }
    void add(const QString& name, int w, int h, base::Colour c) {
        const QString path = dir.filePath(name);
        codecs::writeFile(path, base::makeBgr(w, h, c), codecs::pieceFormat(path));
        testsupport::fake().openAnswers.push_back({path});
        QTest::mouseClick(k->addpic, Qt::LeftButton);
        k->waitForLoading();
    }
    void typeInto(QLineEdit* edit, const QString& text) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    QTemporaryDir dir;
    std::unique_ptr<collage::Tkadrel> k;
    std::unique_ptr<load::Tloadcut> e;
    std::unique_ptr<zoom::Tresize> r;
    std::unique_ptr<version::Ttobrisk> help;
    std::unique_ptr<fullshow::Tfull> full;
};

// Each window takes its own keys: a key in the cut editor or the resize dialog never reaches the
// main window's key handler, which nudges its current piece, while a key of the main window does.
TEST_F(RoundTrip, KeysOfTheOtherWindowsStayInThem) {
    add("a.bmp", 20, 20, base::rgb(1, 2, 3));
    add("b.bmp", 20, 20, base::rgb(4, 5, 6));
    const int left = k->table().pieceRect(1).left;
    k->editmenu->trigger();
    ASSERT_TRUE(e->isVisible());
    r->show();
    auto press = [](QWidget* w, Qt::Key key) {
        // With no control focused anywhere the main window would take an arrow for a nudge.
        if (QWidget* f = QApplication::focusWidget()) f->clearFocus();
        QTest::keyClick(w, key);
    };
    for (QWidget* w : std::initializer_list<QWidget*>{e.get(), e->view, e->edgexl, r.get(), r->newsizex})
        for (Qt::Key key : {Qt::Key_Left, Qt::Key_Up, Qt::Key_Return}) press(w, key);
    EXPECT_EQ(k->table().pieceRect(1).left, left);
    EXPECT_EQ(k->table().pieceRect(1).top, 0);
    press(k.get(), Qt::Key_Left);
    EXPECT_EQ(k->table().pieceRect(1).left, left - 1);
}

TEST_F(RoundTrip, HelpFromBothWindowsAndThePreviewOfTheCanvas) {
    k->Helpon->trigger();
    EXPECT_TRUE(help->isVisible());
    help->hide();
    e->show();
    e->Helpmenu->trigger();
    EXPECT_TRUE(help->isVisible());

    add("a.bmp", 200, 100, base::rgb(7, 7, 7));
    QTest::mouseClick(k->fullshow, Qt::LeftButton);
    EXPECT_TRUE(full->isVisible());
    QTest::keyClick(full.get(), Qt::Key_Return);
    EXPECT_FALSE(full->isVisible());
}

TEST_F(RoundTrip, CutPieceKeepsItsCornerAndReachesTheSavedPicture) {
    add("a.bmp", 300, 200, base::rgb(200, 0, 0));
    QTest::mouseClick(k->autosize, Qt::LeftButton);  // a fit would bring the piece back to 0, 0
    typeInto(k->picLeft, QStringLiteral("40"));
    typeInto(k->picTop, QStringLiteral("30"));
    ASSERT_EQ(k->table().pieceRect(0).left, 40);
    k->editmenu->trigger();
    ASSERT_TRUE(e->isVisible());
    EXPECT_TRUE(e->addpic->isEnabled());
    typeInto(e->edgexr, QStringLiteral("120"));
    typeInto(e->edgeyb, QStringLiteral("80"));
    QTest::mouseClick(e->addpic, Qt::LeftButton);
    EXPECT_FALSE(e->isVisible());
    EXPECT_EQ(k->table().pieceRect(0).left, 40);
    EXPECT_EQ(k->table().pieceRect(0).top, 30);
    EXPECT_EQ(k->picX->text(), QStringLiteral("120"));
    EXPECT_EQ(k->picY->text(), QStringLiteral("80"));

    k->fullkadrel();
    EXPECT_EQ(base::pixelAt(k->composite(), 40, 30), base::rgb(200, 0, 0));
    EXPECT_EQ(base::pixelAt(k->composite(), 40 + 119, 30 + 79), base::rgb(200, 0, 0));
    EXPECT_NE(base::pixelAt(k->composite(), 40 + 120, 30), base::rgb(200, 0, 0));
}

TEST_F(RoundTrip, OkActsOnThePieceCurrentAtThatMomentAndReportsOverlap) {
    add("a.bmp", 100, 50, base::rgb(1, 1, 1));
    add("b.bmp", 100, 50, base::rgb(2, 2, 2));
    k->overpics->setChecked(true);
    k->pickn->setText(QString::number(0));
    k->picknExit();
    k->pickchange();
    k->editmenu->trigger();
    k->pickn->setText(QString::number(1));
    k->picknExit();
    k->pickchange();
    e->takePicture(base::makeBgr(150, 50, base::rgb(3, 3, 3)));
    QTest::mouseClick(e->addpic, Qt::LeftButton);
    EXPECT_EQ(k->table().pieceRect(1).width, 150);
    EXPECT_EQ(k->table().pieceRect(0).width, 100);
    EXPECT_FALSE(k->overpics->isChecked() && k->table().pieceRect(1).left < 100);
}

TEST_F(RoundTrip, WholeEditDisablesReturnAndPreselectsByExtension) {
    add("p.PNG", 30, 20, base::rgb(5, 5, 5));
    k->fulleditmenu->trigger();
    EXPECT_FALSE(e->addpic->isEnabled());
    EXPECT_FALSE(e->Loadpic->isEnabled());
    EXPECT_FALSE(e->reloadmenu->isEnabled());
    EXPECT_EQ(e->SaveDialog1.filterIndex, 4);
    add("q.jpg", 30, 20, base::rgb(5, 5, 5));
    k->fulleditmenu->trigger();
    EXPECT_EQ(e->SaveDialog1.filterIndex, 2);
    k->editmenu->trigger();
    EXPECT_TRUE(e->addpic->isEnabled());
    EXPECT_TRUE(e->loadmenu->isEnabled());
}

TEST_F(RoundTrip, OkWithTheResizeColourMakesThePieceTransparent) {
    add("a.bmp", 60, 40, base::rgb(9, 9, 9));
    k->editmenu->trigger();
    e->resizeTransparency = true;
    e->resizeColour = [] { return base::rgb(9, 9, 9); };
    QTest::mouseClick(e->addpic, Qt::LeftButton);
    EXPECT_TRUE(k->intrans->isChecked());
    EXPECT_EQ(k->table().piece(0).pieceTransColor, base::rgb(9, 9, 9));
}

TEST_F(RoundTrip, UndoAfterOkGivesTheOldPictureBack) {
    add("a.bmp", 60, 40, base::rgb(9, 9, 9));
    const collage::PieceTable before = k->table();
    k->editmenu->trigger();
    e->takePicture(base::makeBgr(30, 20, base::rgb(3, 3, 3)));
    e->resizeTransparency = true;
    e->resizeColour = [] { return base::rgb(3, 3, 3); };
    QTest::mouseClick(e->addpic, Qt::LeftButton);
    ASSERT_EQ(k->table().pieceRect(0).width, 30);
    k->undomenu->trigger();
    EXPECT_TRUE(k->table() == before);
    EXPECT_EQ(k->pieceImage()[0]->picture(), before.piece(0).picture);
    EXPECT_FALSE(k->intrans->isChecked());
    EXPECT_EQ(k->back->size(), QSize(60, 40));
    k->redomenu->trigger();
    EXPECT_EQ(k->table().pieceRect(0).width, 30);
    EXPECT_TRUE(k->intrans->isChecked());
}

TEST_F(RoundTrip, CancelLeavesThePieceAlone) {
    add("a.bmp", 60, 40, base::rgb(9, 9, 9));
    k->editmenu->trigger();
    e->Hflip->trigger();
    QTest::mouseClick(e->cutout, Qt::LeftButton);
    QTest::mouseClick(e->cancel, Qt::LeftButton);
    EXPECT_EQ(k->table().pieceRect(0).width, 60);
    EXPECT_FALSE(e->isVisible());
}

// The resize dialog works on the editor's picture and hands its result back through it.

TEST_F(RoundTrip, ZoomOpensBesideTheEditorAndAHalfSizePictureReachesThePiece) {
    add("a.bmp", 300, 200, base::rgb(200, 0, 0));
    k->editmenu->trigger();
    QTest::mouseClick(e->resizeon, Qt::LeftButton);
    ASSERT_TRUE(r->isVisible());
    EXPECT_EQ(r->pos(), QPoint(512, app::editorPlace(QSize(1024, 768), e->size()).y()));
    EXPECT_EQ(r->originx->text(), QStringLiteral("X : 300"));
    EXPECT_FALSE(e->shot->isVisible());

    typeInto(r->newsizex, QStringLiteral("150"));
    EXPECT_EQ(r->newsizey->text(), QStringLiteral("100"));
    QTest::mouseClick(r->goresize, Qt::LeftButton);
    EXPECT_EQ(e->mainimage->picture().size(), QSize(150, 100));
    EXPECT_EQ(e->picWidth, 300);  // a preview is not yet the editor's picture
    EXPECT_EQ(r->progress->value(), 100);

    QTest::mouseClick(r->okey, Qt::LeftButton);
    EXPECT_FALSE(r->isVisible());
    EXPECT_TRUE(e->shot->isVisible());
    EXPECT_EQ(e->picWidth, 150);
    EXPECT_EQ(e->selection(), QRect(0, 0, 150, 100));
    QTest::mouseClick(e->addpic, Qt::LeftButton);
    EXPECT_EQ(k->table().pieceRect(0).width, 150);
    EXPECT_EQ(k->table().pieceRect(0).height, 100);
    EXPECT_FALSE(k->intrans->isChecked());
}

TEST_F(RoundTrip, CancellingTheDialogRestoresTheEditorsPicture) {
    add("a.bmp", 300, 200, base::rgb(200, 0, 0));
    k->editmenu->trigger();
    e->resizemenu->trigger();
    typeInto(r->newsizex, QStringLiteral("600"));
    QTest::mouseClick(r->goresize, Qt::LeftButton);
    EXPECT_EQ(e->mainimage->picture().size(), QSize(600, 400));
    r->close();
    EXPECT_EQ(e->mainimage->picture().size(), QSize(300, 200));
    EXPECT_EQ(e->picWidth, 300);
    EXPECT_TRUE(e->shot->isVisible());
}

// The dialog belongs to the editor: closing the editor closes it as キャンセル, and the piece
// stays as it was.
TEST_F(RoundTrip, TheDialogClosesWithTheEditor) {
    add("a.bmp", 300, 200, base::rgb(200, 0, 0));
    k->editmenu->trigger();
    e->resizemenu->trigger();
    typeInto(r->newsizex, QStringLiteral("600"));
    QTest::mouseClick(r->goresize, Qt::LeftButton);
    ASSERT_TRUE(r->isVisible());
    e->close();
    EXPECT_FALSE(r->isVisible());
    EXPECT_EQ(k->table().piece(0).picture.size(), QSize(300, 200));
    EXPECT_TRUE(testsupport::fake().errors().isEmpty());
}

TEST_F(RoundTrip, ColourPickedOnTheEditorKeysTheReturnedPiece) {
    add("a.bmp", 60, 40, base::rgb(9, 9, 9));
    k->editmenu->trigger();
    e->takePicture(twoColours(60, 40, base::rgb(9, 9, 9), base::rgb(0, 90, 180)));
    QTest::mouseClick(e->resizeon, Qt::LeftButton);
    EXPECT_EQ(r->transcolor->colour(), base::rgb(9, 9, 9));  // the top-left pixel
    QTest::mouseClick(r->intrans, Qt::LeftButton);
    QTest::mouseClick(r->transpick, Qt::LeftButton);
    ASSERT_TRUE(r->pickingColour());

    // Without Ctrl a press on the picture picks; it starts no selection.
    QTest::mousePress(e->mainimage, Qt::LeftButton, {}, QPoint(20, 20));
    QTest::mouseRelease(e->mainimage, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(r->transcolor->colour(), base::rgb(0, 90, 180));
    EXPECT_EQ(r->fillcolor->colour(), base::rgb(0, 90, 180));
    EXPECT_FALSE(r->transpick->isChecked());
    EXPECT_EQ(e->selection(), QRect(0, 0, 60, 40));

    QTest::mouseClick(r->okey, Qt::LeftButton);
    EXPECT_TRUE(e->resizeTransparency);
    QTest::mouseClick(e->addpic, Qt::LeftButton);
    EXPECT_TRUE(k->intrans->isChecked());
    EXPECT_EQ(k->table().piece(0).pieceTransColor, base::rgb(0, 90, 180));
    k->fullkadrel();
    EXPECT_EQ(base::pixelAt(k->composite(), 0, 0), base::rgb(9, 9, 9));
    EXPECT_NE(base::pixelAt(k->composite(), 20, 20), base::rgb(0, 90, 180));
}

TEST_F(RoundTrip, TheDialogStartsFromTheCurrentPiecesTransparency) {
    add("a.bmp", 60, 40, base::rgb(9, 9, 9));
    QTest::mouseClick(k->intrans, Qt::LeftButton);
    ASSERT_TRUE(k->intrans->isChecked());
    k->editmenu->trigger();
    e->resizemenu->trigger();
    EXPECT_TRUE(r->intrans->isChecked());
    EXPECT_TRUE(r->transpick->isEnabled());
    // A second "ズーム" only raises the open dialog; it does not start it again.
    typeInto(r->newsizex, QStringLiteral("30"));
    QTest::mouseClick(e->resizeon, Qt::LeftButton);
    EXPECT_EQ(r->newsizex->text(), QStringLiteral("30"));
    QTest::mouseClick(r->cancel, Qt::LeftButton);
}

}  // namespace
