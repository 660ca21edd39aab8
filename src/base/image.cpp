#include "base/image.h"

#include <cstring>

#include <QPainter>

#include "base/error.h"
#include "base/messages.h"

namespace base {

bool sizeAllowed(std::int64_t width, std::int64_t height) {
    return width >= 1 && height >= 1 && width <= kMaxSide && height <= kMaxSide &&
           width * height <= kMaxPixels;
}

void checkSize(std::int64_t width, std::int64_t height) {
    if (!sizeAllowed(width, height)) throw Error(messages::pictureSize(width, height));
}

QImage makeBgr(int width, int height, Colour fill) {
    checkSize(width, height);
    QImage img(width, height, QImage::Format_BGR888);
    if (img.isNull()) throw Error(messages::outOfMemory(width, height));
    const std::uint8_t b = blue(fill), g = green(fill), r = red(fill);
    if (b == g && g == r) {
        img.fill(QColor(r, g, b));
        return img;
    }
    std::uint8_t* row0 = img.scanLine(0);
    for (int x = 0; x < width; ++x) {
        row0[3 * x] = b;
        row0[3 * x + 1] = g;
        row0[3 * x + 2] = r;
    }
    for (int y = 1; y < height; ++y) std::memcpy(img.scanLine(y), row0, static_cast<size_t>(3) * width);
    return img;
}

QImage makeIndexed(int width, int height) {
    checkSize(width, height);
    QImage img(width, height, QImage::Format_Indexed8);
    if (img.isNull()) throw Error(messages::outOfMemory(width, height));
    return img;
}

QImage toBgr(const QImage& image) {
    if (image.format() == QImage::Format_BGR888) return image;
    if (image.hasAlphaChannel()) {
        QImage out = makeBgr(image.width(), image.height(), 0);
        QPainter p(&out);
        p.drawImage(0, 0, image);
        p.end();
        return out;
    }
    QImage out = image.convertToFormat(QImage::Format_BGR888);
    if (out.isNull()) throw Error(messages::outOfMemory(image.width(), image.height()));
    return out;
}

}  // namespace base
