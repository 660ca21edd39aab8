#include <gtest/gtest.h>

#include "collage/save_name.h"

namespace {

using collage::SaveFormat;

TEST(SaveNameTest, TheChosenFormatsExtensionIsForced) {
    EXPECT_EQ(collage::forcedName(QStringLiteral("/tmp/joined"), SaveFormat::Gif),
              QStringLiteral("/tmp/joined.gif"));
    EXPECT_EQ(collage::forcedName(QStringLiteral("x.jpg"), SaveFormat::Bmp), QStringLiteral("x.bmp"));
    EXPECT_EQ(collage::forcedName(QStringLiteral("a.png"), SaveFormat::Jpeg), QStringLiteral("a.jpg"));
    EXPECT_EQ(collage::forcedName(QStringLiteral("/my.dir/pic"), SaveFormat::Png),
              QStringLiteral("/my.dir/pic.png"));
    EXPECT_EQ(collage::forcedName(QStringLiteral("a.tar.gz"), SaveFormat::Png), QStringLiteral("a.tar.png"));
    EXPECT_EQ(collage::forcedName(QStringLiteral("a.jpg"), SaveFormat::Webp), QStringLiteral("a.webp"));
}

TEST(SaveNameTest, FilterIndexesOutsideTheTableMeanJpeg) {
    EXPECT_EQ(collage::saveFormatOf(2), SaveFormat::Bmp);
    EXPECT_EQ(collage::saveFormatOf(3), SaveFormat::Gif);
    EXPECT_EQ(collage::saveFormatOf(4), SaveFormat::Png);
    EXPECT_EQ(collage::saveFormatOf(5), SaveFormat::Webp);
    EXPECT_EQ(collage::saveFormatOf(1), SaveFormat::Jpeg);
    EXPECT_EQ(collage::saveFormatOf(0), SaveFormat::Jpeg);
    EXPECT_EQ(collage::saveFormatOf(6), SaveFormat::Jpeg);
    EXPECT_EQ(collage::withoutExtension(QStringLiteral("/a/b.c/d")), QStringLiteral("/a/b.c/d"));
}

}  // namespace
