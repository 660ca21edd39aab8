// The resize dialog driven with QTest, beside a stand-in for the cut editor that records what
// the dialog's hooks do to it.

#define QTEST_QPA_MOUSE_HANDLING

#include <gtest/gtest.h>

#include <QApplication>

#include <memory>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "base/image.h"
#include "platform/widgets.h"
#include "test_support.h"
#include "zoom/messages.h"
#include "zoom/rotation.h"
#include "zoom/window/tresize.h"
#include "zoom/zoom_down.h"

namespace {

using base::Colour;
using base::rgb;
using testsupport::fake;

QImage pattern(int w, int h) {
    QImage img = base::makeBgr(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            base::setPixel(img, x, y,
                           rgb(static_cast<std::uint8_t>(x * 3), static_cast<std::uint8_t>(y * 5), 0x60));
    return img;
}

// What the cut editor holds and what the dialog has done to it.
struct EditorStandIn {
    QImage pictureCopy;
    QImage displayed;
    bool frameShown = true;
    bool resizeTransparency = false;
    int loadedCalls = 0;
    bool pieceTransparent = false;  // the main window's "透明色"
};

class ResizeDialog : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::resetFake();
        dialog = std::make_unique<zoom::Tresize>(testsupport::fake());
        zoom::Tresize& d = *dialog;
        d.editorPicture = [this] { return editor.pictureCopy; };
        d.showInEditor = [this](const QImage& p) { editor.displayed = p; };
        d.showSelectionFrame = [this](bool on) { editor.frameShown = on; };
        d.editorLoaded = [this] {
            editor.pictureCopy = editor.displayed;
            editor.resizeTransparency = false;
            ++editor.loadedCalls;
        };
        d.setResizeTransparency = [this](bool on) { editor.resizeTransparency = on; };
        d.pieceTransparent = [this] { return editor.pieceTransparent; };
    }

    // The editor holds `picture` and its "ズーム" opens the dialog.
    void open(const QImage& picture) {
        editor.pictureCopy = editor.displayed = picture;
        dialog->called();
        ASSERT_TRUE(dialog->isVisible());
        dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    }

    void typeInto(QLineEdit* edit, const QString& text, bool enter = true) {
        edit->setFocus(Qt::OtherFocusReason);
        edit->selectAll();
        QTest::keyClicks(edit, text);
        if (enter) QTest::keyClick(edit, Qt::Key_Return);
    }

    void click(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton); }
    void clickUp(platform::UpDown* u) {
        QTest::mouseClick(u->button(platform::UpDown::Button::Up), Qt::LeftButton);
    }

    QSize editSize() const { return {dialog->newsizex->text().toInt(), dialog->newsizey->text().toInt()}; }

    EditorStandIn editor;
    std::unique_ptr<zoom::Tresize> dialog;
};

TEST_F(ResizeDialog, ControlsCarryTheirCaptionsAndStartStates) {
    zoom::Tresize& d = *dialog;
    EXPECT_EQ(d.windowTitle(), QStringLiteral("リサイズ"));
    EXPECT_EQ(d.size(), QSize(285, 182));
    const std::pair<const char*, const char*> captions[] = {
        {"ratiokeep", "縦横比維持"}, {"intrans", "透明色"},  {"transpick", "色選択"},
        {"edge", "枠補正なし"},      {"colorset", "隙間色"}, {"goresize", "プレビュー"},
        {"cancel", "キャンセル"},    {"okey", "決定"},
    };
    for (const auto& [name, caption] : captions) {
        auto* b = d.findChild<QAbstractButton*>(QString::fromLatin1(name));
        ASSERT_NE(b, nullptr) << name;
        EXPECT_EQ(b->text(), QString::fromUtf8(caption)) << name;
    }
    EXPECT_EQ(d.findChild<QLabel*>(QStringLiteral("Label1"))->text(), QStringLiteral("回転角度"));
    EXPECT_EQ(d.findChild<QLabel*>(QStringLiteral("Label2"))->text(), QStringLiteral("選択率"));
    EXPECT_EQ(d.findChild<QLineEdit*>(QStringLiteral("fill"))->text(), QStringLiteral("50"));
    for (const char* name : {"newsizex", "newsizey", "degree", "degreesub"})
        EXPECT_NE(d.findChild<QLineEdit*>(QString::fromLatin1(name)), nullptr) << name;
    for (const char* name : {"UpDownX", "UpDownY", "UpDownfill", "UpDowndeg", "degreesubUD"})
        EXPECT_NE(d.findChild<platform::UpDown*>(QString::fromLatin1(name)), nullptr) << name;
    for (const char* name : {"transcolor", "fillcolor"})
        EXPECT_NE(d.findChild<platform::Swatch*>(QString::fromLatin1(name)), nullptr) << name;
    EXPECT_NE(d.findChild<QProgressBar*>(QStringLiteral("progress")), nullptr);
    EXPECT_TRUE(d.ratiokeep->isChecked());
    EXPECT_FALSE(d.intrans->isChecked());
    EXPECT_TRUE(d.edge->isChecked());
    EXPECT_TRUE(d.transpick->isCheckable());
    EXPECT_FALSE(d.transpick->isEnabled());
    EXPECT_EQ(d.UpDownX->minimum(), 1);
    EXPECT_EQ(d.UpDownX->maximum(), 2000);
    EXPECT_EQ(d.UpDownfill->increment(), 10);
    EXPECT_EQ(d.UpDowndeg->minimum(), -180);
    EXPECT_EQ(d.UpDowndeg->maximum(), 180);
    EXPECT_EQ(d.UpDowndeg->increment(), 90);
    EXPECT_EQ(d.degreesubUD->maximum(), 99);
    EXPECT_EQ(d.sizeRatio, 1.0);
}

TEST_F(ResizeDialog, ShowingStartsFromTheEditorsPicture) {
    QImage picture = pattern(300, 200);
    base::setPixel(picture, 0, 0, rgb(9, 8, 7));
    open(picture);
    zoom::Tresize& d = *dialog;
    EXPECT_EQ(d.originx->text(), QStringLiteral("X : 300"));
    EXPECT_EQ(d.originy->text(), QStringLiteral("Y : 200"));
    EXPECT_EQ(d.originx->height(), 24);
    EXPECT_EQ(editSize(), QSize(300, 200));
    EXPECT_TRUE(d.newsizex->isEnabled());
    EXPECT_EQ(d.degree->text(), QStringLiteral("0"));
    EXPECT_DOUBLE_EQ(d.sizeRatio, 1.5);
    EXPECT_FALSE(d.accepted);
    EXPECT_FALSE(editor.frameShown);
    EXPECT_EQ(d.transcolor->colour(), rgb(9, 8, 7));
    EXPECT_TRUE(d.transcolor->isHidden());
    EXPECT_TRUE(d.fillcolor->isHidden());
    EXPECT_FALSE(d.edge->isEnabled());
    EXPECT_FALSE(d.colorset->isEnabled());
    EXPECT_EQ(d.progress->value(), 0);
    EXPECT_EQ(d.lastPreview, d.currentSettings());
}

TEST_F(ResizeDialog, TransparencyFollowsTheCurrentPieceWhenShown) {
    editor.pieceTransparent = true;
    QImage picture = pattern(20, 10);
    base::setPixel(picture, 0, 0, rgb(1, 200, 3));
    open(picture);
    zoom::Tresize& d = *dialog;
    EXPECT_TRUE(d.intrans->isChecked());
    EXPECT_TRUE(d.transcolor->isVisible());
    EXPECT_TRUE(d.transpick->isEnabled());
    EXPECT_TRUE(d.edge->isChecked());
    EXPECT_FALSE(d.edge->isEnabled());
    EXPECT_EQ(d.fillcolor->colour(), rgb(1, 200, 3));
    EXPECT_FALSE(d.colorset->isEnabled());
}

TEST_F(ResizeDialog, RatioRuleFromTheWidthRoundsToEven) {
    open(pattern(300, 200));
    typeInto(dialog->newsizex, QStringLiteral("75"));
    EXPECT_EQ(dialog->newsizey->text(), QStringLiteral("50"));
    EXPECT_TRUE(dialog->UpDownX->hasFocus());
}

TEST_F(ResizeDialog, RatioRuleFromTheHeightRoundsToEven) {
    open(pattern(100, 40));
    typeInto(dialog->newsizey, QStringLiteral("1"));
    EXPECT_EQ(dialog->newsizex->text(), QStringLiteral("2"));  // 2.5 to the even 2
    EXPECT_TRUE(dialog->UpDownY->hasFocus());
}

// Every number edit shows the widest value its range allows at the dialog's fixed size.
TEST_F(ResizeDialog, NumberEditsShowTheirWidestValues) {
    testsupport::expectNumbersShown(dialog.get(), {{QStringLiteral("newsizex"), {QStringLiteral("65535")}},
                                                   {QStringLiteral("newsizey"), {QStringLiteral("65535")}},
                                                   {QStringLiteral("fill"), {QStringLiteral("100")}},
                                                   {QStringLiteral("degree"), {QStringLiteral("-180")}},
                                                   {QStringLiteral("degreesub"), {QStringLiteral("99")}}});
}

TEST_F(ResizeDialog, RatioRuleRunsOnExitOnSpinnerAndOnRecheckingOnly) {
    open(pattern(300, 200));
    zoom::Tresize& d = *dialog;
    typeInto(d.newsizex, QStringLiteral("150"), false);
    QTest::mouseClick(&d, Qt::LeftButton, {}, QPoint(280, 140));  // the background: FormClick
    EXPECT_TRUE(d.goresize->hasFocus());
    EXPECT_EQ(d.newsizey->text(), QStringLiteral("100"));

    clickUp(d.UpDownX);  // 151 / 1.5 = 100.67
    EXPECT_EQ(d.newsizex->text(), QStringLiteral("151"));
    EXPECT_EQ(d.newsizey->text(), QStringLiteral("101"));
    clickUp(d.UpDownY);  // 102 × 1.5
    EXPECT_EQ(d.newsizex->text(), QStringLiteral("153"));

    click(d.ratiokeep);  // unchecked: nothing follows
    typeInto(d.newsizex, QStringLiteral("30"));
    EXPECT_EQ(d.newsizey->text(), QStringLiteral("102"));
    click(d.ratiokeep);  // checked again: the height follows the width
    EXPECT_EQ(d.newsizey->text(), QStringLiteral("20"));
}

// A typed height that would make a width no int holds is refused with the size message; the
// width edit keeps what it had.
TEST_F(ResizeDialog, RatioBeyondTheBudgetIsRefusedWithTheSizeMessage) {
    open(pattern(1000, 1));
    typeInto(dialog->newsizey, QStringLiteral("3000000"));
    EXPECT_EQ(dialog->newsizex->text(), QStringLiteral("1000"));
    ASSERT_FALSE(fake().errors().isEmpty());
    EXPECT_TRUE(
        fake().errors().back().startsWith(QStringLiteral("画像が大きすぎるか空です (3000000000 × 3000000)")))
        << fake().errors().back().toStdString();
}

TEST_F(ResizeDialog, PreviewReducesIntoTheEditorAndFillsTheBar) {
    const QImage picture = pattern(300, 200);
    open(picture);
    QSignalSpy bar(dialog->progress, &QProgressBar::valueChanged);
    typeInto(dialog->newsizex, QStringLiteral("150"));
    click(dialog->goresize);
    EXPECT_EQ(editor.displayed.size(), QSize(150, 100));
    EXPECT_EQ(editor.displayed, zoom::zoomdown(picture, {150, 100}, zoom::KeyOptions{false, 0, 50}));
    EXPECT_EQ(editor.pictureCopy, picture);  // previews leave the source alone
    EXPECT_EQ(dialog->progress->value(), 100);
    EXPECT_GE(bar.count(), 50);  // set row by row
    EXPECT_EQ(dialog->workBitmap, editor.displayed);
    EXPECT_EQ(dialog->lastPreview, dialog->currentSettings());
}

TEST_F(ResizeDialog, PreviewEnlargesWithZoomUp) {
    open(pattern(3, 2));
    dialog->ratiokeep->setChecked(false);
    typeInto(dialog->newsizex, QStringLiteral("7"));
    click(dialog->goresize);
    EXPECT_EQ(editor.displayed.size(), QSize(7, 2));
    EXPECT_TRUE(fake().notices().isEmpty());
}

TEST_F(ResizeDialog, SameSizeAsksForAnotherAndKeepsTheReducedPreview) {
    const QImage picture = pattern(300, 200);
    open(picture);
    click(dialog->goresize);
    EXPECT_EQ(fake().notices(), QStringList{QStringLiteral("サイズを変えてください")});
    EXPECT_EQ(editor.displayed, picture);

    typeInto(dialog->newsizex, QStringLiteral("150"));
    click(dialog->goresize);
    typeInto(dialog->newsizex, QStringLiteral("300"));
    click(dialog->goresize);
    EXPECT_EQ(fake().notices().size(), 2);
    EXPECT_EQ(editor.displayed.size(), QSize(150, 100));
    click(dialog->okey);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(editor.pictureCopy.size(), QSize(150, 100));
    EXPECT_EQ(fake().notices().size(), 2);  // nothing changed since that preview
}

TEST_F(ResizeDialog, KeepWithoutPreviewKeepsThePictureAndHandsOverTransparency) {
    editor.pieceTransparent = true;
    const QImage picture = pattern(40, 30);
    open(picture);
    click(dialog->okey);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(dialog->accepted);
    EXPECT_EQ(editor.loadedCalls, 1);
    EXPECT_EQ(editor.pictureCopy, picture);
    EXPECT_TRUE(editor.resizeTransparency);  // set after loaded cleared it
    EXPECT_TRUE(editor.frameShown);
    EXPECT_TRUE(fake().notices().isEmpty());
}

TEST_F(ResizeDialog, KeepAfterAChangedSettingPreviewsFirst) {
    open(pattern(300, 200));
    typeInto(dialog->newsizex, QStringLiteral("60"));
    click(dialog->okey);
    EXPECT_EQ(editor.loadedCalls, 1);
    EXPECT_EQ(editor.pictureCopy.size(), QSize(60, 40));
    EXPECT_FALSE(editor.resizeTransparency);
}

TEST_F(ResizeDialog, CancelAndTheCloseBoxUndoEveryPreview) {
    const QImage picture = pattern(80, 60);
    open(picture);
    typeInto(dialog->newsizex, QStringLiteral("40"));
    click(dialog->goresize);
    typeInto(dialog->newsizex, QStringLiteral("160"));
    click(dialog->goresize);
    EXPECT_EQ(editor.displayed.size(), QSize(160, 120));
    click(dialog->cancel);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(dialog->accepted);
    EXPECT_EQ(editor.displayed, picture);
    EXPECT_TRUE(editor.frameShown);
    EXPECT_EQ(editor.loadedCalls, 0);

    open(picture);
    typeInto(dialog->degree, QStringLiteral("30"));
    click(dialog->goresize);
    EXPECT_NE(editor.displayed.size(), picture.size());
    dialog->close();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(editor.displayed, picture);
    EXPECT_TRUE(editor.frameShown);
    EXPECT_EQ(editor.loadedCalls, 0);
}

TEST_F(ResizeDialog, AnAngleShowsTheBoxAndDisablesTheSizes) {
    open(pattern(200, 100));
    zoom::Tresize& d = *dialog;
    typeInto(d.degree, QStringLiteral("45"));
    EXPECT_EQ(editSize(), QSize(213, 213));
    EXPECT_FALSE(d.newsizex->isEnabled());
    EXPECT_FALSE(d.newsizey->isEnabled());
    EXPECT_FALSE(d.UpDownX->isEnabled());
    EXPECT_TRUE(d.fillcolor->isVisible());
    EXPECT_TRUE(d.colorset->isEnabled());
    EXPECT_TRUE(d.edge->isEnabled());
    EXPECT_DOUBLE_EQ(d.rotationAngle, zoom::rotationAngle(45, 0));

    clickUp(d.UpDowndeg);  // 135 degrees
    EXPECT_EQ(d.degree->text(), QStringLiteral("135"));
    EXPECT_EQ(editSize(), zoom::rotatedSize({200, 100}, zoom::rotationAngle(135, 0)));

    typeInto(d.degree, QStringLiteral("0"));
    EXPECT_EQ(editSize(), QSize(200, 100));
    EXPECT_TRUE(d.newsizex->isEnabled());
    EXPECT_FALSE(d.edge->isEnabled());
    EXPECT_TRUE(d.fillcolor->isHidden());

    // "00" is an angle, of 0: the size stays, disabled, and the preview turns by nothing.
    typeInto(d.degree, QStringLiteral("00"));
    EXPECT_EQ(editSize(), QSize(200, 100));
    EXPECT_FALSE(d.newsizex->isEnabled());
    click(d.goresize);
    EXPECT_TRUE(fake().notices().isEmpty());
    EXPECT_EQ(editor.displayed, editor.pictureCopy);
}

TEST_F(ResizeDialog, HundredthsLeftFromTheLastUseStillTurn) {
    open(pattern(200, 100));
    typeInto(dialog->degreesub, QStringLiteral("50"));
    click(dialog->cancel);
    open(pattern(200, 100));
    EXPECT_EQ(dialog->degree->text(), QStringLiteral("0"));
    EXPECT_EQ(dialog->degreesub->text(), QStringLiteral("50"));
    EXPECT_FALSE(dialog->newsizex->isEnabled());
    EXPECT_EQ(editSize(), QSize(201, 102));
}

TEST_F(ResizeDialog, RotatedWithTransparencyTheCornersAreKeyedAndKeepSetsTheFlag) {
    QImage picture = pattern(40, 20);
    base::setPixel(picture, 0, 0, rgb(0, 255, 0));
    open(picture);
    click(dialog->intrans);
    EXPECT_EQ(dialog->fillcolor->colour(), rgb(0, 255, 0));
    typeInto(dialog->degree, QStringLiteral("30"));
    EXPECT_FALSE(dialog->edge->isEnabled());
    EXPECT_FALSE(dialog->colorset->isEnabled());
    click(dialog->okey);
    const QImage& kept = editor.pictureCopy;
    EXPECT_EQ(kept.size(), zoom::rotatedSize({40, 20}, zoom::rotationAngle(30, 0)));
    EXPECT_EQ(base::pixelAt(kept, 0, 0), rgb(0, 255, 0));
    EXPECT_EQ(base::pixelAt(kept, kept.width() - 1, kept.height() - 1), rgb(0, 255, 0));
    EXPECT_TRUE(editor.resizeTransparency);
}

TEST_F(ResizeDialog, UncheckingTransparencyFreesTheRotationControlsOnlyWithAnAngle) {
    open(pattern(40, 20));
    zoom::Tresize& d = *dialog;
    click(d.intrans);
    click(d.transpick);
    ASSERT_TRUE(d.pickingColour());
    click(d.intrans);
    EXPECT_TRUE(d.transcolor->isHidden());
    EXPECT_FALSE(d.transpick->isEnabled());
    EXPECT_FALSE(d.pickingColour());
    EXPECT_FALSE(d.edge->isEnabled());  // no angle
    typeInto(d.degree, QStringLiteral("10"));
    click(d.intrans);
    click(d.intrans);
    EXPECT_TRUE(d.edge->isEnabled());
    EXPECT_TRUE(d.edge->isChecked());
    EXPECT_TRUE(d.colorset->isEnabled());
}

TEST_F(ResizeDialog, GapColourComesFromTheColourDialog) {
    open(pattern(40, 20));
    typeInto(dialog->degree, QStringLiteral("10"));
    fake().colourAnswers.push_back(rgb(10, 20, 30));
    fake().colourAnswers.push_back(std::nullopt);
    click(dialog->colorset);
    EXPECT_EQ(dialog->fillcolor->colour(), rgb(10, 20, 30));
    click(dialog->colorset);  // cancelled
    EXPECT_EQ(dialog->fillcolor->colour(), rgb(10, 20, 30));
    click(dialog->goresize);
    EXPECT_EQ(base::pixelAt(editor.displayed, 0, 0), rgb(10, 20, 30));
}

// The editor's picture press as the program wires it: while "色選択" is down the press picks.
TEST_F(ResizeDialog, PressOnTheEditorsPicturePicksTheColourWhileTheButtonIsDown) {
    QImage picture = pattern(30, 20);
    base::setPixel(picture, 0, 0, rgb(0, 0, 0));
    platform::PictureControl shown;
    shown.setAutoSize(true);
    shown.setPicture(picture);
    int presses = 0;
    QObject::connect(&shown, &platform::PictureControl::mousePressed, [&](QMouseEvent* e) {
        ++presses;
        if (dialog->pickingColour())
            dialog->colourPicked(base::fromQRgb(shown.picture().pixel(e->position().toPoint())));
    });
    shown.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&shown));
    open(picture);
    zoom::Tresize& d = *dialog;
    click(d.intrans);

    QTest::mouseClick(&shown, Qt::LeftButton, {}, QPoint(7, 4));
    EXPECT_EQ(presses, 1);
    EXPECT_EQ(d.transcolor->colour(), rgb(0, 0, 0));  // button up: no pick

    click(d.transpick);
    shown.activateWindow();
    QTest::mouseClick(&shown, Qt::LeftButton, Qt::ControlModifier, QPoint(7, 4));
    EXPECT_EQ(d.transcolor->colour(), base::pixelAt(picture, 7, 4));
    EXPECT_EQ(d.fillcolor->colour(), base::pixelAt(picture, 7, 4));  // the gap follows the key
    EXPECT_FALSE(d.transpick->isChecked());
    EXPECT_TRUE(QTest::qWaitForWindowActive(&d));
}

TEST_F(ResizeDialog, TextThatIsNoNumberStopsThePreview) {
    const QImage picture = pattern(30, 20);
    open(picture);
    typeInto(dialog->newsizex, QStringLiteral("15"));
    typeInto(dialog->fill, QStringLiteral("abc"));
    click(dialog->goresize);
    EXPECT_EQ(fake().errors(), QStringList{QStringLiteral("'abc' は整数ではありません")});
    EXPECT_EQ(editor.displayed, picture);
    click(dialog->okey);  // the same error; the dialog stays
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(editor.loadedCalls, 0);

    typeInto(dialog->fill, QStringLiteral("50"));
    fake().clear();
    typeInto(dialog->degree, QStringLiteral("x"), false);
    EXPECT_EQ(fake().errors(), QStringList{QStringLiteral("'x' は整数ではありません")});
    EXPECT_FALSE(dialog->newsizex->isEnabled());
}

TEST_F(ResizeDialog, AnAngleOnItsWayIsCheckedOnlyWhenApplied) {
    open(pattern(30, 20));
    // Cleared, then "-", then a negative angle: no message while typing.
    typeInto(dialog->degree, QString(), false);
    QTest::keyClick(dialog->degree, Qt::Key_Backspace);
    QTest::keyClicks(dialog->degree, QStringLiteral("-45"));
    EXPECT_TRUE(fake().errors().isEmpty());
    EXPECT_EQ(dialog->degree->text(), QStringLiteral("-45"));
    EXPECT_FALSE(dialog->newsizex->isEnabled());  // the rotation's size is shown

    // Applied while unfinished, each way, the message is the one a bad number gives.
    const QStringList refused{QStringLiteral("'-' は整数ではありません")};
    typeInto(dialog->degree, QStringLiteral("-"), true);  // Enter
    EXPECT_EQ(fake().errors(), refused);
    fake().clear();
    typeInto(dialog->degree, QStringLiteral("-"), false);
    dialog->fill->setFocus(Qt::TabFocusReason);  // leaving the edit
    EXPECT_EQ(fake().errors(), refused);
    fake().clear();
    typeInto(dialog->degree, QStringLiteral("-"), false);
    QTest::mouseClick(dialog->goresize, Qt::LeftButton);  // a button
    ASSERT_FALSE(fake().errors().isEmpty());
    EXPECT_EQ(fake().errors().last(), refused.first());
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(ResizeDialog, EscIsCancelAndTabVisitsEveryControlInReadingOrder) {
    const QImage picture = pattern(30, 20);
    open(picture);
    typeInto(dialog->newsizex, QStringLiteral("15"));
    click(dialog->goresize);
    ASSERT_NE(editor.displayed, picture);

    testsupport::expectTabInReadingOrder(dialog.get(), dialog->newsizex);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(dialog->accepted);
    EXPECT_EQ(editor.displayed, picture);  // the preview is undone as キャンセル does
    EXPECT_EQ(editor.loadedCalls, 0);
}

TEST_F(ResizeDialog, SizesBelowOneOrPastTheBudgetAreRefused) {
    const QImage picture = pattern(300, 100);
    open(picture);
    typeInto(dialog->newsizex, QStringLiteral("1"));  // height Round(0.33) = 0
    EXPECT_EQ(dialog->newsizey->text(), QStringLiteral("0"));
    click(dialog->goresize);
    EXPECT_EQ(fake().notices(), QStringList{zoom::sizeBelowOneText(1, 0)});
    EXPECT_EQ(editor.displayed, picture);
    click(dialog->okey);
    EXPECT_TRUE(dialog->isVisible());  // refused again; nothing kept
    EXPECT_EQ(editor.loadedCalls, 0);

    dialog->ratiokeep->setChecked(false);
    typeInto(dialog->newsizex, QStringLiteral("60000"));
    typeInto(dialog->newsizey, QStringLiteral("60000"));
    click(dialog->goresize);
    EXPECT_EQ(fake().errors().size(), 1);
    EXPECT_EQ(editor.displayed, picture);
}

TEST_F(ResizeDialog, ZoomFromTheEditorOnlyRaisesAnOpenDialog) {
    open(pattern(300, 200));
    typeInto(dialog->newsizex, QStringLiteral("150"));
    click(dialog->goresize);
    dialog->called();  // "ズーム" again
    EXPECT_EQ(dialog->newsizex->text(), QStringLiteral("150"));
    EXPECT_EQ(dialog->progress->value(), 100);
}

TEST_F(ResizeDialog, ZoomWithoutAPictureSaysSo) {
    dialog->called();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(fake().notices(), QStringList{zoom::noPictureText()});
}

}  // namespace
