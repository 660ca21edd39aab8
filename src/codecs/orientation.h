#pragma once

#include <QByteArray>
#include <QImage>

// Exif orientation: how the stored pixels must be turned to show the picture upright.
namespace codecs::detail {

// The Exif orientation tag (1..8) of an Exif block read by libexif. The block may start with
// "Exif\0\0", with the TIFF header itself (PNG eXIf, some WebP files), or be a whole JPEG file
// (its APP1 segment is found). 1 (as stored) when there is no tag, or the block is damaged or
// holds a value outside 1..8.
int exifOrientation(const QByteArray& exif);

// The BGR888 picture turned upright for the orientation: 2 mirrored left to right, 3 turned
// half round, 4 mirrored top to bottom, 5 mirrored along the main diagonal, 6 stored turned a
// quarter left (turned a quarter right here), 7 mirrored along the other diagonal, 8 stored
// turned a quarter right. 1 and anything else: the picture itself.
QImage upright(const QImage& bgr, int orientation);

}  // namespace codecs::detail
