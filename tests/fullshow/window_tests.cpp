#define QTEST_QPA_MOUSE_HANDLING

#include <memory>

#include <gtest/gtest.h>

#include <QTest>

#include "base/image.h"
#include "fullshow/tfull.h"
#include "test_support.h"

namespace {

using testsupport::fake;
using testsupport::solid;

class Preview : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::resetFake();
        fake().screen = QSize(1024, 768);
        full = std::make_unique<fullshow::Tfull>(testsupport::fake());
    }
    void TearDown() override { full.reset(); }

    void open(const QImage& picture) {
        full->showPicture(picture);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(full.get()));
    }

    // What the window shows, at the window's own pixels.
    QImage screen() const { return full->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    std::unique_ptr<fullshow::Tfull> full;
};

TEST_F(Preview, IsABorderlessBlackWindowOverTheScreenWithTheCaption) {
    EXPECT_FALSE(full->isVisible());
    EXPECT_EQ(full->windowTitle(), QStringLiteral("プレビュー"));
    EXPECT_TRUE(full->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(full->geometry(), QRect(0, 0, 1024, 768));
}

TEST_F(Preview, SmallPictureUnscaledAndCentredOnBlackWithTheTaskbarHidden) {
    open(solid(200, 100, base::rgb(255, 0, 0)));
    EXPECT_TRUE(full->isVisible());
    EXPECT_FALSE(fake().taskbarVisible);
    EXPECT_EQ(full->destination(), QRect(412, 334, 200, 100));

    const QImage shot = screen();
    ASSERT_EQ(shot.size(), QSize(1024, 768));
    EXPECT_EQ(shot.pixel(412, 334), qRgb(255, 0, 0));
    EXPECT_EQ(shot.pixel(611, 433), qRgb(255, 0, 0));
    EXPECT_EQ(shot.pixel(411, 334), qRgb(0, 0, 0));
    EXPECT_EQ(shot.pixel(612, 433), qRgb(0, 0, 0));
    EXPECT_EQ(shot.pixel(412, 434), qRgb(0, 0, 0));
    EXPECT_EQ(shot.pixel(0, 0), qRgb(0, 0, 0));
}

TEST_F(Preview, WidePictureScaledSmoothlyIntoTheMiddleBand) {
    // Alternate one-pixel columns of white and black: a smooth scale to half width gives grey,
    // where dropping columns would give pure white or pure black.
    QImage stripes = base::makeBgr(2048, 512);
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 2048; x += 2) base::setPixel(stripes, x, y, base::rgb(255, 255, 255));
    open(stripes);
    EXPECT_EQ(full->destination(), QRect(0, 256, 1024, 256));
    ASSERT_EQ(full->shown().size(), QSize(1024, 256));

    const QImage shot = screen();
    EXPECT_EQ(shot.pixel(512, 255), qRgb(0, 0, 0));
    EXPECT_EQ(shot.pixel(512, 512), qRgb(0, 0, 0));
    const int grey = qRed(shot.pixel(512, 384));
    EXPECT_GT(grey, 96);
    EXPECT_LT(grey, 160);
}

TEST_F(Preview, ExposedAgainItDrawsThePictureAgain) {
    open(solid(200, 100, base::rgb(0, 255, 0)));
    full->repaint();
    EXPECT_EQ(screen().pixel(500, 380), qRgb(0, 255, 0));
}

TEST_F(Preview, CharacterKeysCloseAndGiveTheTaskbarBack) {
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_A, Qt::Key_Space, Qt::Key_Escape}) {
        open(solid(20, 10, 0));
        QTest::keyClick(full.get(), key);
        EXPECT_FALSE(full->isVisible()) << "key " << key;
        EXPECT_TRUE(fake().taskbarVisible) << "key " << key;
    }
}

TEST_F(Preview, KeysThatTypeNothingLeaveItOpen) {
    open(solid(20, 10, 0));
    for (Qt::Key key : {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down, Qt::Key_F1, Qt::Key_F5,
                        Qt::Key_Shift, Qt::Key_Control, Qt::Key_PageDown})
        QTest::keyClick(full.get(), key);
    EXPECT_TRUE(full->isVisible());
    EXPECT_FALSE(fake().taskbarVisible);
}

TEST_F(Preview, ALeftClickClosesARightClickDoesNot) {
    open(solid(20, 10, 0));
    QTest::mouseClick(full.get(), Qt::RightButton, {}, QPoint(100, 100));
    EXPECT_TRUE(full->isVisible());
    QTest::mouseClick(full.get(), Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_FALSE(full->isVisible());
    EXPECT_TRUE(fake().taskbarVisible);
}

TEST_F(Preview, OpenedAgainShowsTheNewPicture) {
    open(solid(20, 10, base::rgb(255, 0, 0)));
    QTest::keyClick(full.get(), Qt::Key_Return);
    fake().screen = QSize(800, 600);
    open(solid(1000, 100, base::rgb(0, 0, 255)));
    EXPECT_EQ(full->geometry(), QRect(0, 0, 800, 600));
    EXPECT_EQ(full->destination(), QRect(0, 260, 800, 80));
    EXPECT_EQ(screen().pixel(400, 300), qRgb(0, 0, 255));
}

TEST_F(Preview, AnEmptyPictureShowsBlackOnly) {
    open(QImage());
    EXPECT_TRUE(full->destination().isEmpty());
    EXPECT_EQ(screen().pixel(512, 384), qRgb(0, 0, 0));
}

TEST_F(Preview, DestroyedWhileShownGivesTheTaskbarBack) {
    open(solid(20, 10, 0));
    full.reset();
    EXPECT_TRUE(fake().taskbarVisible);
}

}  // namespace
