#include <random>

#include <gtest/gtest.h>

#include "base/colour.h"
#include "base/image.h"
#include "collage/thumbnail.h"

namespace {

// A random picture of the given size.
QImage noise(std::mt19937& random, int w, int h) {
    QImage picture = base::makeBgr(w, h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            base::setPixel(picture, x, y, static_cast<base::Colour>(random() & 0xFFFFFF));
    return picture;
}

// The two thumbnails scale alike: where no side needs padding they are the same picture; a
// narrower or lower picture fills the added one and keeps its size in the edited one.
TEST(Thumbnail, AddedAndEditedThumbnailsScaleAlike) {
    std::mt19937 random(100);
    for (int round = 0; round < 12; ++round) {
        const int w = 100 + static_cast<int>(random() % 200), h = 100 + static_cast<int>(random() % 200);
        const QImage picture = noise(random, w, h);
        const QImage added = collage::addedThumbnail(picture);
        ASSERT_EQ(added.size(), QSize(100, 100));
        EXPECT_EQ(added.format(), QImage::Format_BGR888);
        EXPECT_EQ(added, collage::editedThumbnail(picture)) << w << " x " << h;
    }
    const QImage narrow = base::makeBgr(40, 250, base::rgb(1, 2, 3));
    const QImage added = collage::addedThumbnail(narrow);
    EXPECT_EQ(base::pixelAt(added, 99, 99), base::rgb(1, 2, 3));
    const QImage edited = collage::editedThumbnail(narrow);
    EXPECT_EQ(base::pixelAt(edited, 10, 99), base::rgb(1, 2, 3));
    EXPECT_EQ(base::pixelAt(edited, 99, 99), base::rgb(255, 255, 255));
}

}  // namespace
