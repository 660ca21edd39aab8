#include <cmath>

#include <QAction>
#include <QDir>
#include <QDropEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QScrollArea>
#include <QStyle>
#include <QStyleOptionButton>
#include <QToolButton>
#include <QUrl>

#include "platform/widgets.h"
#include "window_fixture.h"

namespace {

using Shown = platform::FakeDesktop::Kind;

TEST_F(KadrelWindow, StartsWithTheScreenSizedBlackCanvas) {
    EXPECT_EQ(k->windowTitle(), QStringLiteral("カドレル"));
    EXPECT_EQ(k->sizeX->text(), QStringLiteral("1024"));
    EXPECT_EQ(k->sizeY->text(), QStringLiteral("768"));
    EXPECT_EQ(k->back->size(), QSize(1024, 768));
    EXPECT_EQ(base::pixelAt(k->back->picture(), 1023, 767), 0u);
    EXPECT_TRUE(k->autosize->isChecked());
    EXPECT_TRUE(k->sizeX->isReadOnly());
    EXPECT_TRUE(k->sizeY->isReadOnly());
    EXPECT_FALSE(k->UpDownX->isEnabled());
    EXPECT_FALSE(k->UpDownY->isEnabled());
    EXPECT_FALSE(k->fit->isEnabled());
    EXPECT_FALSE(k->offset->isEnabled());
    EXPECT_EQ(k->pieceCount(), 0);
    EXPECT_TRUE(k->picLeft->text().isEmpty());
    EXPECT_FALSE(k->overpics->isChecked());
    EXPECT_FALSE(k->outframe->isChecked());
}

TEST_F(KadrelWindow, MenusCarryTheirShortcuts) {
    const QStringList menus{QStringLiteral("ファイル"), QStringLiteral("編集"), QStringLiteral("表示"),
                            QStringLiteral("オプション"), QStringLiteral("ヘルプ")};
    QStringList titles;
    for (QAction* a : k->menuBar()->actions()) titles << a->text();
    EXPECT_EQ(titles, menus);
    EXPECT_EQ(k->addmenu->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
    EXPECT_EQ(k->fulleditmenu->shortcut(), QKeySequence(QStringLiteral("Ctrl+Alt+E")));
    EXPECT_EQ(k->outframe->shortcut(), QKeySequence(QStringLiteral("Ctrl+Space")));
    EXPECT_EQ(k->clear->shortcut(), QKeySequence(Qt::Key_Escape));
    EXPECT_EQ(k->rawdelete->shortcut(), QKeySequence(Qt::Key_F4));
}

TEST_F(KadrelWindow, AddedPiecesLineUpAndTheCanvasFollows) {
    addThroughDialog({picture("a.bmp", 100, 50), picture("b.bmp", 100, 50), picture("c.bmp", 100, 50)});
    EXPECT_EQ(
        testsupport::fake().lastFilters,
        QStringLiteral("画像(*.bmp,*,jpg,*,gif,*,png,*.webp,*.heic,*.heif,*.avif)|*.bmp;*.jpg;*.gif;*.png;"
                       "*.webp;*.heic;*.heif;*.avif|全部|*.*"));
    ASSERT_EQ(k->pieceCount(), 3);
    EXPECT_EQ(rect(1), (collage::Rect{100, 0, 100, 50}));
    EXPECT_EQ(rect(2), (collage::Rect{200, 0, 100, 50}));
    EXPECT_EQ(k->sizeX->text(), QStringLiteral("300"));
    EXPECT_EQ(k->sizeY->text(), QStringLiteral("50"));
    EXPECT_EQ(k->pickn->text(), QStringLiteral("2"));
    EXPECT_EQ(k->picLeft->text(), QStringLiteral("200"));
    EXPECT_EQ(k->picX->text(), QStringLiteral("100"));
    EXPECT_EQ(k->table().slots().size(), 3u);
    EXPECT_EQ(k->table().piece(2).thumbnail.size(), QSize(100, 100));
    EXPECT_EQ(k->pieceImage()[2]->pos(), QPoint(200, 0));
    EXPECT_EQ(k->UpDownpickn->maximum(), 2);
    EXPECT_EQ(k->saveFilterIndex(), 2);
    EXPECT_EQ(k->workExt(), QStringLiteral(".bmp"));
}

TEST_F(KadrelWindow, DroppedFilesAreAddedInOrder) {
    QMimeData data;
    data.setUrls(
        {QUrl::fromLocalFile(picture("one.bmp", 30, 20)), QUrl::fromLocalFile(picture("two.bmp", 40, 10))});
    // Delivered straight to the window: the application only routes drops of a running drag.
    QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    static_cast<QObject*>(k.get())->event(&enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(300, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    static_cast<QObject*>(k.get())->event(&drop);
    k->waitForLoading();
    EXPECT_EQ(testsupport::fake().errors(), QStringList());
    ASSERT_EQ(k->pieceCount(), 2);
    EXPECT_TRUE(k->table().piece(0).pieceFile.endsWith(QStringLiteral("one.bmp")));
    EXPECT_EQ(rect(1), (collage::Rect{30, 0, 40, 10}));
    EXPECT_TRUE(k->openFileName().endsWith(QStringLiteral("two.bmp")));
    EXPECT_EQ(k->pickIndex(), 1);
}

// Each open dialog ("追加", Ctrl+O, "画像") starts where the user last chose files: after a drop at
// the last file read (not one that failed), after a dialog at the file chosen there.
TEST_F(KadrelWindow, OpenDialogStartsWhereTheUserLastChoseFiles) {
    const QString good = picture("good.bmp", 10, 10);
    const QString bad = testsupport::writeBytes(dir.filePath("bad.bmp"), QByteArray("not a picture"));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(good), QUrl::fromLocalFile(bad)});
    QDropEvent drop(QPointF(300, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    static_cast<QObject*>(k.get())->event(&drop);
    k->waitForLoading();
    ASSERT_EQ(k->pieceCount(), 1);
    auto nextStart = [this](auto open) {
        testsupport::fake().openAnswers.push_back({});  // cancelled
        open();
        return testsupport::fake().lastStartPath;
    };
    EXPECT_EQ(nextStart([this] { k->addmenu->trigger(); }), good);

    QDir().mkpath(dir.filePath("other"));
    const QString elsewhere = picture("other/elsewhere.bmp", 10, 10);
    addThroughDialog({elsewhere});
    EXPECT_EQ(nextStart([this] { k->addmenu->trigger(); }), elsewhere);
    EXPECT_EQ(nextStart([this] { QTest::mouseClick(k->backpicture, Qt::LeftButton); }), elsewhere);

    // A chosen file that fails to load still moves the dialog to its folder.
    QDir().mkpath(dir.filePath("third"));
    const QString broken = testsupport::writeBytes(dir.filePath("third/broken.bmp"), QByteArray("no"));
    addThroughDialog({broken});
    EXPECT_EQ(nextStart([this] { QTest::mouseClick(k->addpic, Qt::LeftButton); }), broken);
    testsupport::fake().openAnswers.push_back({good});
    QTest::mouseClick(k->backpicture, Qt::LeftButton);
    EXPECT_EQ(nextStart([this] { k->addmenu->trigger(); }), good);
}

// Every file that can be read is added, in order, as one step; the ones that cannot are named
// together in one message, each with its reason.
TEST_F(KadrelWindow, FailingFilesAreNamedTogetherAndTheOthersStillAdded) {
    const QString bad = testsupport::writeBytes(dir.filePath("bad.png"), QByteArray("not a picture"));
    const QString worse = testsupport::writeBytes(dir.filePath("worse.bmp"), QByteArray("BM"));
    const int childrenBefore = static_cast<int>(k->main->findChildren<platform::PictureControl*>().size());
    addThroughDialog({picture("ok.bmp", 10, 10), bad, picture("later.bmp", 20, 10), worse});
    ASSERT_EQ(k->pieceCount(), 2);
    EXPECT_TRUE(k->table().piece(1).pieceFile.endsWith(QStringLiteral("later.bmp")));
    ASSERT_EQ(testsupport::fake().errors().size(), 1);
    const QString error = testsupport::fake().errors()[0];
    EXPECT_TRUE(error.contains(QStringLiteral("bad.png")) && error.contains(QStringLiteral("worse.bmp")));
    EXPECT_EQ(k->main->findChildren<platform::PictureControl*>().size(), childrenBefore + 2);
    k->undomenu->trigger();
    EXPECT_EQ(k->pieceCount(), 0);
}

// A mixed-case extension names the JPEG reader; a file whose bytes name another format is still
// read by that format's reader, and one no reader recognises gets the JPEG reader's refusal.
TEST_F(KadrelWindow, MixedCaseExtensionsFallToTheJpegReader) {
    const QString junk = testsupport::writeBytes(dir.filePath("junk.Bmp"), QByteArray("BX not a bitmap"));
    addThroughDialog({picture("photo.Bmp", 10, 10), junk});
    EXPECT_EQ(k->pieceCount(), 1);
    ASSERT_EQ(testsupport::fake().errors().size(), 1);
    EXPECT_TRUE(testsupport::fake().errors()[0].contains(QStringLiteral("JPEG ファイルではありません")))
        << testsupport::fake().errors()[0].toStdString();
}

TEST_F(KadrelWindow, ClearAsksFirst) {
    addThroughDialog({picture("a.bmp", 10, 10), picture("b.bmp", 10, 10)});
    testsupport::fake().confirmAnswers = {false};
    k->clear->trigger();
    EXPECT_EQ(k->pieceCount(), 2);
    EXPECT_EQ(testsupport::fake().texts(Shown::Confirm),
              QStringList{QStringLiteral("本当に初期化しますか？")});
    testsupport::fake().confirmAnswers = {true};
    k->clear->trigger();
    EXPECT_EQ(k->pieceCount(), 0);
    EXPECT_TRUE(k->main->findChildren<platform::PictureControl*>(QStringLiteral("piece")).isEmpty());
    EXPECT_TRUE(k->picLeft->text().isEmpty());
    EXPECT_EQ(k->sizeX->text(), QStringLiteral("20"));  // the canvas keeps its size
    addThroughDialog({picture("c.bmp", 10, 10)});
    EXPECT_EQ(k->pickIndex(), 0);
}

TEST_F(KadrelWindow, TypedCanvasSizesWithAutoSizeOff) {
    addThroughDialog({picture("a.bmp", 100, 50), picture("b.bmp", 40, 50), picture("c.bmp", 100, 50)});
    QTest::mouseClick(k->autosize, Qt::LeftButton, {}, QPoint(5, 8));
    ASSERT_FALSE(k->autosize->isChecked());
    EXPECT_FALSE(k->sizeX->isReadOnly());
    EXPECT_TRUE(k->fit->isEnabled());
    EXPECT_EQ(k->sizeX->text(), QStringLiteral("240"));

    k->outframe->setChecked(true);
    k->sizeX->setFocus();
    k->sizeX->setText(QStringLiteral("120"));
    QTest::keyClick(k->sizeX, Qt::Key_Return);
    EXPECT_EQ(k->back->width(), 120);
    EXPECT_EQ(testsupport::fake().notices(),
              QStringList{QStringLiteral("1,2が枠外に出ます。｢枠外に出さない」をOFFにします。")});
    EXPECT_FALSE(k->outframe->isChecked());

    k->sizeY->setFocus();
    k->sizeY->setText(QStringLiteral("abc"));
    QTest::keyClick(k->sizeY, Qt::Key_Return);
    EXPECT_EQ(testsupport::fake().errors(), QStringList{QStringLiteral("'abc' は整数ではありません")});
    EXPECT_EQ(k->back->height(), 50);

    k->sizeY->setText(QStringLiteral("0"));
    QTest::keyClick(k->sizeY, Qt::Key_Return);
    EXPECT_EQ(k->back->height(), 1);  // a canvas keeps at least one pixel

    k->sizeY->setText(QStringLiteral("50"));
    QTest::mouseClick(k->UpDownY->button(platform::UpDown::Button::Up), Qt::LeftButton);
    EXPECT_EQ(k->back->height(), 49);
    EXPECT_EQ(k->sizeY->text(), QStringLiteral("49"));

    QTest::mouseClick(k->fit, Qt::LeftButton);
    EXPECT_EQ(k->back->size(), QSize(240, 50));
}

TEST_F(KadrelWindow, OversizedTypedCanvasIsRefused) {
    addThroughDialog({picture("a.bmp", 10, 10)});
    QTest::mouseClick(k->autosize, Qt::LeftButton, {}, QPoint(5, 8));
    k->sizeX->setFocus();
    k->sizeX->setText(QStringLiteral("70000"));
    QTest::keyClick(k->sizeX, Qt::Key_Return);
    EXPECT_EQ(testsupport::fake().errors().size(), 1);
    EXPECT_EQ(k->back->width(), 10);
}

TEST_F(KadrelWindow, ViewFollowsTheWindowSize) {
    k->resize(900, 700);
    QApplication::processEvents();
    EXPECT_EQ(k->view->x(), 160);
    EXPECT_EQ(k->view->width(), k->centralWidget()->width() - 160);
    EXPECT_EQ(k->view->height(), k->centralWidget()->height());
}

}  // namespace

namespace {

// Every number edit shows the widest value its range allows at the window's fixed size.
TEST_F(KadrelWindow, NumberEditsShowTheirWidestValues) {
    const QStringList side{QStringLiteral("65535")};
    testsupport::expectNumbersShown(k.get(), {{QStringLiteral("pickn"), {QStringLiteral("255")}},
                                              {QStringLiteral("picLeft"), {QStringLiteral("-1800")}},
                                              {QStringLiteral("picTop"), {QStringLiteral("-1600")}},
                                              {QStringLiteral("picX"), side},
                                              {QStringLiteral("picY"), side},
                                              {QStringLiteral("sizeX"), side},
                                              {QStringLiteral("sizeY"), side},
                                              {QStringLiteral("jpgq"), {QStringLiteral("100")}}});
}

double luminance(const QColor& c) {
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double contrast(const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The face (a pixel inside the border at the left middle) and the caption's strongest pixel.
std::pair<QColor, QColor> faceAndCaption(QWidget* button) {
    const QImage shot = button->grab().toImage();
    const QColor face = shot.pixelColor(3, shot.height() / 2);
    QColor caption = face;
    for (int y = 3; y < shot.height() - 3; ++y)
        for (int x = 3; x < shot.width() - 3; ++x)
            if (contrast(shot.pixelColor(x, y), face) > contrast(caption, face))
                caption = shot.pixelColor(x, y);
    return {face, caption};
}

// "オフセット": white caption while up, black while down, from the start; the up face dark enough
// for the white caption (3:1 at least), and the whole caption inside the button.
TEST_F(KadrelWindow, OffsetCaptionIsWhiteUpBlackDownAndLegible) {
    const QFontMetrics metrics(k->offset->font());
    QStyleOptionButton option;
    option.initFrom(k->offset);
    option.text = k->offset->text();
    const QRect room = k->offset->style()->subElementRect(QStyle::SE_PushButtonContents, &option, k->offset);
    EXPECT_LE(metrics.horizontalAdvance(k->offset->text()), room.width());

    QTest::mouseClick(k->autosize, Qt::LeftButton);  // unchecked: offset becomes usable
    ASSERT_TRUE(k->offset->isEnabled());
    auto [upFace, upCaption] = faceAndCaption(k->offset);
    EXPECT_GT(luminance(upCaption), 0.9) << upCaption.name().toStdString();
    EXPECT_GE(contrast(upFace, upCaption), 3.0) << upFace.name().toStdString();

    QTest::mouseClick(k->offset, Qt::LeftButton);
    ASSERT_TRUE(k->offset->isChecked());
    auto [downFace, downCaption] = faceAndCaption(k->offset);
    EXPECT_LT(luminance(downCaption), 0.05) << downCaption.name().toStdString();
    EXPECT_GE(contrast(downFace, downCaption), 3.0) << downFace.name().toStdString();

    QTest::mouseClick(k->offset, Qt::LeftButton);  // up again: white again
    EXPECT_GT(luminance(faceAndCaption(k->offset).second), 0.9);
}

}  // namespace
