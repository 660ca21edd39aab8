#include "codecs/orientation.h"

#include <algorithm>
#include <cstring>

#include <libexif/exif-data.h>

#include "base/image.h"

namespace codecs::detail {

int exifOrientation(const QByteArray& exif) {
    if (exif.size() < 8) return 1;
    QByteArray block = exif;
    // libexif wants the "Exif\0\0" header or a JPEG file; a bare TIFF header gets the header added.
    const bool tiff = exif.startsWith("MM\0*") || exif.startsWith(QByteArray("II*\0", 4));
    if (tiff) block.prepend(QByteArray("Exif\0\0", 6));
    ExifData* data = exif_data_new();
    if (!data) return 1;
    // As stored: no mandatory tags made up, no maker notes interpreted.
    exif_data_unset_option(data, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_set_option(data, EXIF_DATA_OPTION_DONT_CHANGE_MAKER_NOTE);
    exif_data_load_data(data, reinterpret_cast<const unsigned char*>(block.constData()),
                        static_cast<unsigned int>(std::min<qsizetype>(block.size(), 0x7fffffff)));
    int orientation = 1;
    if (const ExifEntry* entry = exif_content_get_entry(data->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION)) {
        if (entry->format == EXIF_FORMAT_SHORT && entry->components >= 1 && entry->size >= 2 && entry->data) {
            const int value = exif_get_short(entry->data, exif_data_get_byte_order(data));
            if (value >= 1 && value <= 8) orientation = value;
        }
    }
    exif_data_unref(data);
    return orientation;
}

QImage upright(const QImage& bgr, int orientation) {
    if (orientation < 2 || orientation > 8 || bgr.isNull()) return bgr;
    const int w = bgr.width(), h = bgr.height();
    const bool swap = orientation >= 5;
    QImage out = base::makeBgr(swap ? h : w, swap ? w : h);
    const int ow = out.width(), oh = out.height();
    const uchar* src = bgr.constScanLine(0);
    const qsizetype stride = bgr.bytesPerLine();
    // Output pixel (x, y) comes from stored pixel (sx, sy) = origin + x * dx + y * dy; the steps
    // are in bytes so that the inner loop only adds.
    qsizetype origin = 0, dx = 0, dy = 0;
    const qsizetype right = 3, down = stride;
    const qsizetype lastColumn = qsizetype{3} * (w - 1), lastRow = stride * (h - 1);
    switch (orientation) {
        case 2:  // O(x, y) = S(w-1-x, y)
            origin = lastColumn, dx = -right, dy = down;
            break;
        case 3:  // O(x, y) = S(w-1-x, h-1-y)
            origin = lastColumn + lastRow, dx = -right, dy = -down;
            break;
        case 4:  // O(x, y) = S(x, h-1-y)
            origin = lastRow, dx = right, dy = -down;
            break;
        case 5:  // O(x, y) = S(y, x)
            origin = 0, dx = down, dy = right;
            break;
        case 6:  // O(x, y) = S(y, h-1-x)
            origin = lastRow, dx = -down, dy = right;
            break;
        case 7:  // O(x, y) = S(w-1-y, h-1-x)
            origin = lastColumn + lastRow, dx = -down, dy = -right;
            break;
        case 8:  // O(x, y) = S(w-1-y, x)
            origin = lastColumn, dx = down, dy = -right;
            break;
    }
    for (int y = 0; y < oh; ++y) {
        const uchar* from = src + origin + dy * y;
        uchar* to = out.scanLine(y);
        for (int x = 0; x < ow; ++x, from += dx, to += 3) std::memcpy(to, from, 3);
    }
    return out;
}

}  // namespace codecs::detail
