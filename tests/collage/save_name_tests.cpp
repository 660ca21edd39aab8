#include <gtest/gtest.h>

#include "collage/save_name.h"

namespace {

using SaveFormat = codecs::Format;

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
    EXPECT_EQ(codecs::savedFormat(codecs::kJoinedSaveOrder, 2), SaveFormat::Bmp);
    EXPECT_EQ(codecs::savedFormat(codecs::kJoinedSaveOrder, 3), SaveFormat::Gif);
    EXPECT_EQ(codecs::savedFormat(codecs::kJoinedSaveOrder, 4), SaveFormat::Png);
    EXPECT_EQ(codecs::savedFormat(codecs::kJoinedSaveOrder, 5), SaveFormat::Webp);
    EXPECT_EQ(codecs::savedFormat(codecs::kJoinedSaveOrder, 1), SaveFormat::Jpeg);
    EXPECT_EQ(codecs::savedFormat(codecs::kJoinedSaveOrder, 0), SaveFormat::Jpeg);
    EXPECT_EQ(codecs::savedFormat(codecs::kJoinedSaveOrder, 6), SaveFormat::Jpeg);
    EXPECT_EQ(collage::withoutExtension(QStringLiteral("/a/b.c/d")), QStringLiteral("/a/b.c/d"));
}

TEST(SaveNameTest, TheDialogListsJpegFirstAndPreselectsAPiecesFormat) {
    EXPECT_EQ(codecs::saveFilter(codecs::kJoinedSaveOrder),
              QStringLiteral("JPEG|*.jpg|BMP|*.bmp|GIF|*.gif|PNG|*.png|WebP|*.webp"));
    EXPECT_EQ(codecs::filterIndexOf(codecs::kJoinedSaveOrder, SaveFormat::Bmp), 2);
    EXPECT_EQ(codecs::filterIndexOf(codecs::kJoinedSaveOrder, SaveFormat::Webp), 5);
    // Read only: the dialog offers JPEG.
    EXPECT_EQ(codecs::filterIndexOf(codecs::kJoinedSaveOrder, SaveFormat::Heif), 1);
    EXPECT_EQ(codecs::filterIndexOf(codecs::kJoinedSaveOrder, SaveFormat::Ico), 1);
}

}  // namespace
