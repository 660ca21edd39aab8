#include <gtest/gtest.h>

#include "base/colour.h"
#include "base/error.h"
#include "base/image.h"
#include "load/picture_ops.h"

namespace {

using base::pixelAt;
using base::rgb;

const base::Colour kRed = rgb(255, 0, 0), kGreen = rgb(0, 255, 0), kBlue = rgb(0, 0, 255);

QImage row(std::initializer_list<base::Colour> colours, bool vertical) {
    const int n = static_cast<int>(colours.size());
    QImage img = base::makeBgr(vertical ? 1 : n, vertical ? n : 1, 0);
    int i = 0;
    for (base::Colour c : colours) {
        base::setPixel(img, vertical ? 0 : i, vertical ? i : 0, c);
        ++i;
    }
    return img;
}

TEST(Mirrors, ReverseColumnsOrRowsAndUndoThemselves) {
    const QImage across = row({kRed, kGreen, kBlue}, false);
    const QImage h = load::mirroredLeftRight(across);
    EXPECT_EQ(pixelAt(h, 0, 0), kBlue);
    EXPECT_EQ(pixelAt(h, 1, 0), kGreen);
    EXPECT_EQ(pixelAt(h, 2, 0), kRed);
    EXPECT_EQ(load::mirroredLeftRight(h), across);

    const QImage down = row({kRed, kGreen, kBlue}, true);
    const QImage v = load::mirroredTopBottom(down);
    EXPECT_EQ(pixelAt(v, 0, 0), kBlue);
    EXPECT_EQ(pixelAt(v, 0, 2), kRed);
    EXPECT_EQ(load::mirroredTopBottom(v), down);
    // A mirror across the other axis leaves a single row or column alone.
    EXPECT_EQ(load::mirroredTopBottom(across), across);
}

TEST(Extraction, MovesTheSelectedPixelsToTheCorner) {
    QImage pic = base::makeBgr(200, 100, 0);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x)
            base::setPixel(pic, x, y, rgb(static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 7));
    const QImage cut = load::extractSelection(pic, QRect(10, 20, 40, 40));
    ASSERT_EQ(cut.size(), QSize(40, 40));
    EXPECT_EQ(pixelAt(cut, 0, 0), rgb(10, 20, 7));
    EXPECT_EQ(pixelAt(cut, 39, 39), rgb(49, 59, 7));
    EXPECT_TRUE(load::extractSelection(pic, QRect(10, 20, 0, 40)).isNull());
}

TEST(EditorSaveNames, AddTheExtensionOnlyWhenThereIsNone) {
    using codecs::Format;
    EXPECT_EQ(codecs::savedFormat(codecs::kCutSaveOrder, 1), Format::Bmp);
    EXPECT_EQ(codecs::savedFormat(codecs::kCutSaveOrder, 2), Format::Jpeg);
    EXPECT_EQ(codecs::savedFormat(codecs::kCutSaveOrder, 3), Format::Gif);
    EXPECT_EQ(codecs::savedFormat(codecs::kCutSaveOrder, 4), Format::Png);
    EXPECT_EQ(codecs::savedFormat(codecs::kCutSaveOrder, 5), Format::Webp);
    EXPECT_EQ(codecs::savedFormat(codecs::kCutSaveOrder, 9), Format::Jpeg);
    EXPECT_EQ(load::withDefaultExtension("/t/clip", Format::Webp), "/t/clip.webp");
    EXPECT_EQ(load::withDefaultExtension("/t/clip", Format::Bmp), "/t/clip.bmp");
    EXPECT_EQ(load::withDefaultExtension("/t/clip.png", Format::Jpeg), "/t/clip.png");
    EXPECT_EQ(load::withDefaultExtension("/t.d/clip", Format::Gif), "/t.d/clip.gif");
    EXPECT_EQ(load::withDefaultExtension("/t/clip", Format::Heif), "/t/clip.jpg");
    EXPECT_EQ(codecs::saveFilter(codecs::kCutSaveOrder),
              "BMP|*.bmp|JPEG|*.jpg|GIF|*.gif|PNG|*.png|WebP|*.webp");
}

TEST(WholeEdit, PreselectsTheFormatOfExactExtensionsOnly) {
    EXPECT_EQ(load::wholeEditFilterIndex(".PNG"), 4);
    EXPECT_EQ(load::wholeEditFilterIndex(".png"), 4);
    EXPECT_EQ(load::wholeEditFilterIndex(".BMP"), 1);
    EXPECT_EQ(load::wholeEditFilterIndex(".gif"), 3);
    EXPECT_EQ(load::wholeEditFilterIndex(".Bmp"), 2);
    EXPECT_EQ(load::wholeEditFilterIndex(".jpg"), 2);
    EXPECT_EQ(load::wholeEditFilterIndex(""), 2);
    EXPECT_EQ(load::wholeEditFilterIndex(".webp"), 5);
    EXPECT_EQ(load::wholeEditFilterIndex(".WEBP"), 5);
    EXPECT_EQ(load::wholeEditFilterIndex(".WebP"), 2);
    EXPECT_EQ(load::wholeEditFilterIndex(".heic"), 2);  // read only: the dialog offers JPEG
}

// A picture outside the budget (as only a foreign source could hand over) is refused with the size
// message before any row is written, by each command that makes a new picture of its size.
TEST(PictureCommands, NewPicturesAreCheckedAllocations) {
    QImage wide(static_cast<int>(base::kMaxSide) + 1, 1, QImage::Format_BGR888);
    ASSERT_FALSE(wide.isNull());
    wide.fill(Qt::red);
    for (auto command : {load::mirroredLeftRight, load::mirroredTopBottom}) {
        try {
            (void)command(wide);
            ADD_FAILURE() << "an over-budget picture was accepted";
        } catch (const base::Error& e) {
            EXPECT_TRUE(e.text().startsWith(QStringLiteral("画像が大きすぎるか空です (65536 × 1)")))
                << e.what();
        }
    }
}

}  // namespace
