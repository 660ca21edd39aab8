#include <gtest/gtest.h>

#include <new>

#include <QBuffer>
#include <QImageWriter>
#include <QLineEdit>
#include <QMimeData>

#include "base/error.h"
#include "base/messages.h"
#include "platform/desktop.h"
#include "platform/guard.h"
#include "platform/qt_desktop.h"
#include "platform/widgets.h"
#include "test_support.h"

namespace {

using platform::UpDown;

TEST(UpDownTest, VerticalWithNegativeIncrementLowersOnUp) {
    QLineEdit edit;
    UpDown spin(Qt::Vertical);
    spin.setBuddy(&edit);
    spin.setRange(0, 1600);
    spin.setIncrement(-1);
    edit.setText(QStringLiteral("50"));
    spin.step(UpDown::Button::Up);
    EXPECT_EQ(edit.text(), QStringLiteral("49"));
    spin.step(UpDown::Button::Down);
    spin.step(UpDown::Button::Down);
    EXPECT_EQ(edit.text(), QStringLiteral("51"));
}

TEST(UpDownTest, ClampsOrWraps) {
    QLineEdit edit;
    UpDown spin(Qt::Horizontal);
    spin.setBuddy(&edit);
    spin.setRange(0, 3);
    spin.setPosition(3);
    spin.step(UpDown::Button::Up);
    EXPECT_EQ(edit.text(), QStringLiteral("3"));
    spin.setWrap(true);
    spin.step(UpDown::Button::Up);
    EXPECT_EQ(edit.text(), QStringLiteral("0"));
    spin.step(UpDown::Button::Down);
    EXPECT_EQ(edit.text(), QStringLiteral("3"));
}

TEST(UpDownTest, TypedTextOutsideTheRangeIsClampedFirst) {
    QLineEdit edit;
    UpDown spin(Qt::Horizontal);
    spin.setBuddy(&edit);
    spin.setRange(1, 100);
    spin.setIncrement(10);
    edit.setText(QStringLiteral("500"));
    spin.step(UpDown::Button::Down);
    EXPECT_EQ(edit.text(), QStringLiteral("90"));
}

// Every kind of exception ends in one error box with its text, none escapes, and work that
// succeeds shows nothing; guarded() passes a signal's arguments over and guards the same way.
TEST(GuardTest, ShowsOneBoxPerFailureWithItsText) {
    testsupport::resetFake();
    int ran = 0;
    platform::runGuarded(nullptr, [&] { ++ran; });
    EXPECT_EQ(ran, 1);
    EXPECT_TRUE(testsupport::fake().errors().isEmpty());

    platform::runGuarded(nullptr, [] { throw base::Error(QStringLiteral("だめ")); });
    platform::runGuarded(nullptr, [] { throw std::bad_alloc(); });
    platform::runGuarded(nullptr, [] { throw 7; });
    const auto slot = platform::guarded(nullptr, [] { throw base::Error(QStringLiteral("押せません")); });
    slot(true);
    EXPECT_EQ(testsupport::fake().errors(),
              (QStringList{QStringLiteral("だめ"), base::messages::outOfMemory(),
                           base::messages::unexpectedError(), QStringLiteral("押せません")}));
}

TEST(FiltersTest, PairsBecomeQtFilters) {
    EXPECT_EQ(platform::qtFilters(QStringLiteral("JPEG|*.jpg|全部|*.*")),
              (QStringList{QStringLiteral("JPEG (*.jpg)"), QStringLiteral("全部 (*.*)")}));
    EXPECT_EQ(platform::qtFilters(QStringLiteral("画像|*.bmp;*.png")),
              QStringList{QStringLiteral("画像 (*.bmp *.png)")});
}

TEST(KeyedOutTest, OnlyExactMatchesBecomeClear) {
    QImage img = testsupport::solid(2, 1, base::rgb(255, 0, 0));
    img.scanLine(0)[3] = 1;  // second pixel: blue 1, so not the key
    const QImage out = platform::keyedOut(img, base::rgb(255, 0, 0));
    EXPECT_EQ(qAlpha(out.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(out.pixel(1, 0)), 255);
}

// A PNG of w × h, one bit a pixel, as a program would put it on the clipboard.
QByteArray pngOf(int w, int h) {
    QImage picture(w, h, QImage::Format_Mono);
    picture.fill(0);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "png").write(picture);
    return bytes;
}

// Qt's readers give a null image for a picture over their allocation limit, which would read as
// "no picture on the clipboard"; it gets the size message a file of that size gets.
TEST(ClipboardPicture, OverTheBudgetIsRefusedWithTheSizeMessage) {
    QMimeData data;
    const QByteArray png = pngOf(16384, 8193);
    data.setData(QStringLiteral("image/png"), png);
    data.setData(QStringLiteral("application/x-qt-image"), png);
    ASSERT_TRUE(data.hasImage());
    try {
        (void)platform::clipboardPicture(&data);
        ADD_FAILURE() << "an over-budget clipboard picture was taken for none";
    } catch (const base::Error& e) {
        EXPECT_TRUE(e.text().startsWith(QStringLiteral("画像が大きすぎるか空です (16384 × 8193)")))
            << e.what();
    }

    QMimeData small;
    QImage picture(3, 2, QImage::Format_RGB32);
    picture.fill(Qt::red);
    small.setImageData(picture);
    EXPECT_EQ(platform::clipboardPicture(&small).size(), QSize(3, 2));
    QMimeData text;
    text.setText(QStringLiteral("no picture"));
    EXPECT_TRUE(platform::clipboardPicture(&text).isNull());
}

}  // namespace
