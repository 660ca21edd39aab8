#include "load/picture_ops.h"

#include <cstring>

#include "base/colour.h"
#include "base/image.h"

namespace load {

QImage extractSelection(const QImage& picture, const QRect& area) {
    const QRect inside = area.intersected(picture.rect());
    if (inside.isEmpty()) return {};
    const QImage source = base::toBgr(picture);
    QImage out = base::allocateBgr(inside.width(), inside.height());
    const auto rowBytes = static_cast<std::size_t>(inside.width()) * 3;
    const std::size_t left = static_cast<std::size_t>(inside.left()) * 3;
    for (int y = 0; y < inside.height(); ++y)
        std::memcpy(out.scanLine(y), source.constScanLine(inside.top() + y) + left, rowBytes);
    return out;
}

QImage mirroredLeftRight(const QImage& picture) {
    const QImage source = base::toBgr(picture);
    QImage out = base::makeBgr(source.width(), source.height());
    const int w = source.width();
    for (int y = 0; y < source.height(); ++y) {
        const uchar* from = source.constScanLine(y);
        uchar* to = out.scanLine(y);
        for (int x = 0; x < w; ++x) std::memcpy(to + 3 * x, from + 3 * (w - 1 - x), 3);
    }
    return out;
}

QImage mirroredTopBottom(const QImage& picture) {
    const QImage source = base::toBgr(picture);
    QImage out = base::makeBgr(source.width(), source.height());
    const auto rowBytes = static_cast<std::size_t>(source.width()) * 3;
    const int h = source.height();
    for (int y = 0; y < h; ++y) std::memcpy(out.scanLine(h - 1 - y), source.constScanLine(y), rowBytes);
    return out;
}

QString withDefaultExtension(const QString& name, codecs::Format format) {
    if (!codecs::extensionOf(name).isEmpty()) return name;
    return name + codecs::saveExtension(format);
}

int wholeEditFilterIndex(const QString& extension) {
    return codecs::filterIndexOf(codecs::kCutSaveOrder, codecs::pieceFormat(extension));
}

}  // namespace load
