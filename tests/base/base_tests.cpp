#include <gtest/gtest.h>

#include <cmath>

#include "base/colour.h"
#include "base/error.h"
#include "base/image.h"
#include "base/number.h"
#include "base/round.h"

namespace {

TEST(RoundTest, TiesGoToEven) {
    EXPECT_EQ(base::roundEven(0.5), 0);
    EXPECT_EQ(base::roundEven(1.5), 2);
    EXPECT_EQ(base::roundEven(2.5), 2);
    EXPECT_EQ(base::roundEven(-0.5), 0);
    EXPECT_EQ(base::roundEven(-1.5), -2);
    EXPECT_EQ(base::roundEven(2.5000001), 3);
}

// Values no integer of the type holds are refused with a message, never cast (undefined).
TEST(RoundTest, ValuesOutsideTheTypeAreRefused) {
    EXPECT_EQ(base::roundEvenInt(2147483647.4), 2147483647);
    EXPECT_EQ(base::roundEvenInt(-2147483648.0), INT32_MIN);
    EXPECT_FALSE(base::roundEvenTo<int>(2147483647.5));  // rounds to 2^31
    EXPECT_FALSE(base::roundEvenTo<int>(3e9));
    EXPECT_FALSE(base::roundEvenTo<int>(-2147483649.0));
    EXPECT_FALSE(base::roundEvenTo<int>(std::nan("")));
    EXPECT_FALSE(base::roundEvenTo<std::int64_t>(9.3e18));
    EXPECT_FALSE(base::roundEvenTo<std::int64_t>(-HUGE_VAL));
    try {
        (void)base::roundEvenInt(3e9);
        ADD_FAILURE() << "3e9 became an int";
    } catch (const base::Error& e) {
        EXPECT_EQ(e.text(), QStringLiteral("数値 3000000000 は扱える範囲を超えています"));
    }
    EXPECT_THROW((void)base::roundEven(1e19), base::Error);
}

TEST(ColourTest, RedIsTheLowByte) {
    EXPECT_EQ(base::rgb(0x11, 0x22, 0x33), 0x00332211u);
    const std::uint8_t bgr[3] = {0x33, 0x22, 0x11};
    EXPECT_EQ(base::fromBgr(bgr), base::rgb(0x11, 0x22, 0x33));
    EXPECT_EQ(base::fromQRgb(base::toQRgb(0x00ABCDEFu)), 0x00ABCDEFu);
}

struct ParseCase {
    const char* text;
    int value;
};

class ParseIntAccepts : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseIntAccepts, Value) {
    EXPECT_EQ(base::parseInt(QString::fromUtf8(GetParam().text)), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Forms, ParseIntAccepts,
                         ::testing::Values(ParseCase{"0", 0}, ParseCase{"150", 150}, ParseCase{"  42", 42},
                                           ParseCase{"-5", -5}, ParseCase{"+7", 7}, ParseCase{"$1F", 31},
                                           ParseCase{"x10", 16}, ParseCase{"0x10", 16},
                                           ParseCase{"-$10", -16}, ParseCase{"$FFFFFFFF", -1},
                                           ParseCase{"2147483647", 2147483647},
                                           ParseCase{"-2147483648", -2147483647 - 1}));

class ParseIntRefuses : public ::testing::TestWithParam<const char*> {};

TEST_P(ParseIntRefuses, WithTheToolkitMessage) {
    const QString text = QString::fromUtf8(GetParam());
    try {
        base::parseInt(text);
        FAIL() << "accepted " << GetParam();
    } catch (const base::Error& e) {
        EXPECT_EQ(e.text(), QStringLiteral("'%1' は整数ではありません").arg(text));
    }
}

INSTANTIATE_TEST_SUITE_P(Forms, ParseIntRefuses,
                         ::testing::Values("", " ", "a", "12a", "1.5", "12 ", "0x", "$", "--1", "2147483648",
                                           "99999999999", "１２"));

TEST(ImageTest, SizeBudget) {
    EXPECT_TRUE(base::sizeAllowed(1, 1));
    EXPECT_TRUE(base::sizeAllowed(12000, 9000));
    EXPECT_FALSE(base::sizeAllowed(0, 10));
    EXPECT_FALSE(base::sizeAllowed(65536, 1));
    EXPECT_FALSE(base::sizeAllowed(100000, 100000));
    EXPECT_THROW(base::makeBgr(65535, 65535), base::Error);
}

TEST(ImageTest, MakeBgrFillsInMemoryOrder) {
    QImage img = base::makeBgr(3, 2, base::rgb(1, 2, 3));
    ASSERT_EQ(img.format(), QImage::Format_BGR888);
    const std::uint8_t* p = img.constScanLine(1) + 6;
    EXPECT_EQ(p[0], 3);
    EXPECT_EQ(p[1], 2);
    EXPECT_EQ(p[2], 1);
    EXPECT_EQ(base::pixelAt(img, 2, 1), base::rgb(1, 2, 3));
}

}  // namespace
