#include <cstdlib>
#include <cstring>
#include <fstream>
#include <utility>

#if defined(__linux__)
#include <sys/resource.h>
#include <unistd.h>
#endif

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

// Large pictures come in their own mapping, small ones from the heap; either way a copy keeps
// the pixels after the original is gone, and writing to a copy leaves the original as it was.
TEST(AllocatorTest, PicturesLargeAndSmallOutliveTheirOriginal) {
    struct Case {
        int w, h;
        QImage::Format format;
        bool mapped;
    };
    for (const Case c :
         {Case{2000, 1500, QImage::Format_BGR888, true}, Case{37, 11, QImage::Format_BGR888, false},
          Case{3001, 1000, QImage::Format_Indexed8, true}, Case{1000, 600, QImage::Format_BGR888, false}}) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
        QImage copy;
        {
            QImage original = base::allocateImage(c.w, c.h, c.format);
            ASSERT_EQ(original.size(), QSize(c.w, c.h));
            ASSERT_EQ(original.format(), c.format);
            EXPECT_EQ(base::isMapped(original), c.mapped);
            EXPECT_EQ(original.bytesPerLine(), QImage(c.w, 1, c.format).bytesPerLine());
            for (int y = 0; y < c.h; ++y)
                std::memset(original.scanLine(y), y & 0xFF, original.bytesPerLine());
            copy = original;
            QImage written = original;
            written.scanLine(0)[0] = 0xAB;  // detaches: the others keep their pixels
            EXPECT_EQ(written.constScanLine(0)[0], 0xAB);
            EXPECT_EQ(original.constScanLine(0)[0], 0);
        }
        for (int y = 0; y < c.h; y += 97) EXPECT_EQ(copy.constScanLine(y)[c.w - 1], y & 0xFF);
        EXPECT_EQ(copy.constScanLine(c.h - 1)[0], (c.h - 1) & 0xFF);
        copy.scanLine(c.h - 1)[0] = 1;  // the last holder writes in place
        EXPECT_EQ(copy.constScanLine(c.h - 1)[0], 1);
    }
}

TEST(AllocatorTest, MakeBgrFillsAMappedPictureEverywhere) {
    const QImage img = base::makeBgr(1025, 1030, base::rgb(9, 8, 7));
    ASSERT_TRUE(base::isMapped(img));
    EXPECT_EQ(base::pixelAt(img, 0, 0), base::rgb(9, 8, 7));
    EXPECT_EQ(base::pixelAt(img, 1024, 1029), base::rgb(9, 8, 7));
    EXPECT_EQ(base::pixelAt(img, 512, 700), base::rgb(9, 8, 7));
}

TEST(AllocatorTest, RefusesOverTheBudgetWithTheSize) {
    try {
        base::allocateBgr(70000, 2);
        FAIL();
    } catch (const base::Error& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("70000")));
    }
    EXPECT_THROW(base::allocateImage(0, 5, QImage::Format_Indexed8), base::Error);
}

TEST(AllocatorTest, BlocksLargeAndSmallMove) {
    base::Block large(std::size_t{5} << 20), small(100);
    EXPECT_TRUE(large.mapped());
    EXPECT_FALSE(small.mapped());
    large.data()[large.size() - 1] = 42;
    small.data()[99] = 7;
    base::Block moved = std::move(large);
    EXPECT_EQ(moved.size(), std::size_t{5} << 20);
    EXPECT_EQ(moved.data()[moved.size() - 1], 42);
    EXPECT_EQ(large.data(), nullptr);  // NOLINT(bugprone-use-after-move): moved-from is empty
    moved = std::move(small);
    EXPECT_EQ(moved.size(), 100U);
    EXPECT_EQ(moved.data()[99], 7);
}

// AddressSanitizer reserves its shadow memory up front, so an address-space limit stops it, not us.
#if defined(__linux__) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
// With the address space too tight for a mapping and its alignment slack, the heap still serves.
// Runs in a child process: it exits 0 when a picture came from the heap and holds its pixels.
[[noreturn]] void allocateUnderATightLimit() {
    constexpr std::size_t kBytes = std::size_t{64} << 20;
    constexpr std::size_t kRoom = kBytes + (std::size_t{1} << 20);
    QImage probe = base::allocateBgr(4096, 4096);  // warms Qt's own allocations up
    probe = QImage();
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0;
    statm >> pages;
    const auto used = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE));
    const rlimit limit{used + kRoom, used + kRoom};
    setrlimit(RLIMIT_AS, &limit);
    // 8192 x 2730 x 3 is a little under 64 MiB: no room for 2 MiB of slack on top.
    QImage img = base::allocateBgr(8192, 2730);
    img.scanLine(2729)[0] = 5;
    std::exit(!base::isMapped(img) && img.constScanLine(2729)[0] == 5 ? 0 : 1);
}

TEST(AllocatorDeathTest, FallsBackToTheHeapWhenMappingFails) {
    EXPECT_EXIT(allocateUnderATightLimit(), testing::ExitedWithCode(0), "");
}

// Every pass that makes a picture reports a refusal of the memory with this message. Exits 0
// when a picture that neither a mapping nor the heap can hold is refused with it.
[[noreturn]] void allocateBeyondTheLimit() {
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0;
    statm >> pages;
    const auto room =
        static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (rlim_t{64} << 20);
    const rlimit limit{room, room};
    setrlimit(RLIMIT_AS, &limit);
    try {
        const QImage img = base::allocateImage(16384, 8192, QImage::Format_ARGB32);  // 512 MiB
        std::exit(2);
    } catch (const base::Error& e) {
        std::exit(e.text() == QStringLiteral("メモリが足りません (16384 × 8192)") ? 0 : 3);
    }
}

TEST(AllocatorDeathTest, MemoryRefusedIsReportedWithTheSize) {
    EXPECT_EXIT(allocateBeyondTheLimit(), testing::ExitedWithCode(0), "");
}
#endif

}  // namespace
