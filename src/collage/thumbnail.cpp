#include "collage/thumbnail.h"

#include <algorithm>
#include <cstring>

#include "base/colour.h"
#include "base/image.h"

namespace collage {
namespace {

constexpr int kSide = 100;

QImage squeezed(const QImage& picture) {
    if (picture.width() == kSide && picture.height() == kSide) return base::toBgr(picture);
    return base::toBgr(picture.scaled(kSide, kSide, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

}  // namespace

QImage addedThumbnail(const QImage& picture) {
    return squeezed(picture);
}

QImage editedThumbnail(const QImage& picture) {
    if (picture.width() >= kSide && picture.height() >= kSide) return squeezed(picture);
    // Padded row by row in 24 bits, so that both thumbnails scale the same kind of picture.
    const QImage source = picture.isNull() ? QImage() : base::toBgr(picture);
    const int w = std::max(source.width(), kSide), h = std::max(source.height(), kSide);
    QImage padded = base::makeBgr(w, h, base::rgb(255, 255, 255));
    const auto rowBytes = static_cast<std::size_t>(source.width()) * 3;
    for (int y = 0; y < source.height(); ++y)
        std::memcpy(padded.scanLine(y), source.constScanLine(y), rowBytes);
    return squeezed(padded);
}

}  // namespace collage
