#include "collage/thumbnail.h"

#include <algorithm>

#include <QPainter>

#include "base/image.h"

namespace collage {

QImage editedThumbnail(const QImage& picture) {
    const int w = std::max(picture.width(), 100), h = std::max(picture.height(), 100);
    QImage padded = base::allocateImage(w, h, QImage::Format_RGB32);
    padded.fill(Qt::white);
    {
        QPainter p(&padded);
        if (!picture.isNull()) p.drawImage(0, 0, picture);
    }
    if (w == 100 && h == 100) return base::toBgr(padded);
    return base::toBgr(padded.scaled(100, 100, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

QImage pieceThumbnail(const QImage& picture) {
    return base::toBgr(picture.scaled(100, 100, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

}  // namespace collage
