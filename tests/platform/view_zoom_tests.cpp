#include <gtest/gtest.h>

#include "platform/view_zoom.h"

namespace {

using platform::ViewScale;

TEST(ViewZoom, StepsRunFromASixteenthToSixteenAndStopThere) {
    EXPECT_EQ(platform::zoomIn(1.0), 1.5);
    EXPECT_EQ(platform::zoomOut(1.0), 2.0 / 3);
    EXPECT_EQ(platform::zoomIn(16.0), 16.0);
    EXPECT_EQ(platform::zoomOut(1.0 / 16), 1.0 / 16);
    // A fitted zoom between two steps goes to the neighbouring step, not past it.
    EXPECT_EQ(platform::zoomIn(0.3), 1.0 / 3);
    EXPECT_EQ(platform::zoomOut(0.3), 0.25);
    double z = 1.0;
    int steps = 0;
    while (z < 16.0 && steps < 100) z = platform::zoomIn(z), ++steps;
    EXPECT_EQ(steps, 8);
}

TEST(ViewZoom, FitShowsTheWholePictureWithinTheRange) {
    EXPECT_DOUBLE_EQ(platform::fitZoom(QSize(12000, 3000), QSize(1200, 600)), 0.1);
    EXPECT_DOUBLE_EQ(platform::fitZoom(QSize(100, 50), QSize(400, 400)), 4.0);
    EXPECT_EQ(platform::fitZoom(QSize(1, 1), QSize(4000, 4000)), platform::kMaxZoom);
    EXPECT_EQ(platform::fitZoom(QSize(65535, 1), QSize(100, 100)), platform::kMinZoom);
    EXPECT_EQ(platform::fitZoom(QSize(), QSize(100, 100)), 1.0);
}

TEST(ViewZoom, TheCaptionSaysThePercentage) {
    EXPECT_EQ(platform::zoomText(1.0), QStringLiteral("100 %"));
    EXPECT_EQ(platform::zoomText(0.25), QStringLiteral("25 %"));
    EXPECT_EQ(platform::zoomText(1.0 / 16), QStringLiteral("6.25 %"));
    EXPECT_EQ(platform::zoomText(16.0), QStringLiteral("1600 %"));
    EXPECT_EQ(platform::zoomText(1.0 / 3), QStringLiteral("33.33 %"));
    // One rule for every step: at most two decimals, trailing zeros dropped.
    for (double z = platform::kMinZoom; z < platform::kMaxZoom; z = platform::zoomIn(z)) {
        const QString text = platform::zoomText(z);
        ASSERT_TRUE(text.endsWith(QStringLiteral(" %"))) << text.toStdString();
        const QString number = text.chopped(2);
        EXPECT_NEAR(number.toDouble(), z * 100, 0.005) << text.toStdString();
        const qsizetype dot = number.indexOf(QLatin1Char('.'));
        if (dot >= 0) {
            EXPECT_LE(number.size() - dot - 1, 2) << text.toStdString();
            EXPECT_FALSE(number.endsWith(QLatin1Char('0'))) << text.toStdString();
        }
    }
    EXPECT_EQ(platform::zoomText(0.125), QStringLiteral("12.5 %"));
}

TEST(ViewScale, FarPlacesStayOrderedInsteadOfWrapping) {
    // A typed left of a thousand million shown at 400 % and 1600 %: far right, never negative,
    // and a rectangle there keeps a width that fits.
    for (double zoom : {4.0, 16.0}) {
        const ViewScale scale(zoom);
        const int far = scale.toView(1'000'000'000);
        EXPECT_GT(far, 1'000'000);
        EXPECT_LT(scale.toView(-1'000'000'000), -1'000'000);
        const QRect r = scale.toView(QRect(1'000'000'000, -1'000'000'000, 200, 100));
        EXPECT_GE(r.width(), 0);
        EXPECT_GE(r.height(), 0);
        EXPECT_GT(r.left(), 0);
        EXPECT_LT(r.top(), 0);
    }
    // Ordinary places are exact.
    EXPECT_EQ(ViewScale(16.0).toView(1000), 16000);
}

TEST(ViewScale, OnADoubleDensityScreenOnePicturePixelIsOneDevicePixelAtOneHundredPercent) {
    const ViewScale hidpi(1.0, 2.0);
    EXPECT_EQ(hidpi.factor(), 0.5);
    EXPECT_FALSE(hidpi.identity());
    EXPECT_EQ(hidpi.pixelAt(QPointF(10.5, 0.49)), QPoint(21, 0));
    EXPECT_EQ(hidpi.toView(QRect(21, 0, 3, 1)), QRect(10, 0, 2, 1));
    EXPECT_EQ(hidpi.distance(5.0), 10);
    EXPECT_TRUE(ViewScale(2.0, 2.0).identity());
}

TEST(ViewScale, PointerMovesRoundWithTiesToEven) {
    const ViewScale four(4.0);
    EXPECT_EQ(four.distance(10), 2);   // 2.5
    EXPECT_EQ(four.distance(14), 4);   // 3.5
    EXPECT_EQ(four.distance(-6), -2);  // -1.5
    EXPECT_EQ(four.pixelAt(QPointF(-0.5, 7.9)), QPoint(-1, 1));
    const ViewScale quarter(0.25);
    EXPECT_EQ(quarter.distance(3), 12);
    EXPECT_EQ(quarter.toView(QRect(3, 0, 10, 4)), QRect(0, 0, 4, 1));
}

}  // namespace
