#include "base/image.h"

#include <cstring>

#include <QPainter>

#include "base/error.h"

namespace base {

bool sizeAllowed(std::int64_t width, std::int64_t height) {
    return width >= 1 && height >= 1 && width <= kMaxSide && height <= kMaxSide &&
           width * height <= kMaxPixels;
}

void checkSize(std::int64_t width, std::int64_t height) {
    if (!sizeAllowed(width, height))
        throw Error(QStringLiteral("画像が大きすぎるか空です (%1 × %2)。扱えるのは一辺 %3 ピクセル、合計 %4 "
                                   "ピクセルまでです")
                        .arg(width)
                        .arg(height)
                        .arg(kMaxSide)
                        .arg(kMaxPixels));
}

QImage makeBgr(int width, int height, Colour fill) {
    checkSize(width, height);
    QImage img(width, height, QImage::Format_BGR888);
    if (img.isNull()) throw Error(QStringLiteral("メモリが足りません (%1 × %2)").arg(width).arg(height));
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
    if (out.isNull())
        throw Error(QStringLiteral("メモリが足りません (%1 × %2)").arg(image.width()).arg(image.height()));
    return out;
}

}  // namespace base
