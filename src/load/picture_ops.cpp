#include "load/picture_ops.h"

#include <cstring>
#include <unordered_map>

#include "base/colour.h"
#include "base/image.h"
#include "bmpfilters/reduce_to_static_palette.h"

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

codecs::Format saveFormatOf(int filterIndex) {
    switch (filterIndex) {
        case 1:
            return codecs::Format::Bmp;
        case 3:
            return codecs::Format::Gif;
        case 4:
            return codecs::Format::Png;
        case 5:
            return codecs::Format::Webp;
        default:
            return codecs::Format::Jpeg;
    }
}

QString withDefaultExtension(const QString& name, codecs::Format format) {
    if (!codecs::extensionOf(name).isEmpty()) return name;
    switch (format) {
        case codecs::Format::Bmp:
            return name + QStringLiteral(".bmp");
        case codecs::Format::Gif:
            return name + QStringLiteral(".gif");
        case codecs::Format::Png:
            return name + QStringLiteral(".png");
        case codecs::Format::Webp:
            return name + QStringLiteral(".webp");
        default:
            return name + QStringLiteral(".jpg");
    }
}

int wholeEditFilterIndex(const QString& extension) {
    if (extension == QLatin1String(".bmp") || extension == QLatin1String(".BMP")) return 1;
    if (extension == QLatin1String(".gif") || extension == QLatin1String(".GIF")) return 3;
    if (extension == QLatin1String(".png") || extension == QLatin1String(".PNG")) return 4;
    if (extension == QLatin1String(".webp") || extension == QLatin1String(".WEBP")) return 5;
    return 2;
}

QImage gifPicture(const QImage& picture) {
    const QImage source = base::toBgr(picture);
    const int w = source.width(), h = source.height();
    QImage out = base::makeIndexed(w, h);
    QList<QRgb> table;
    std::unordered_map<base::Colour, uchar> index;
    for (int y = 0; y < h; ++y) {
        const uchar* from = source.constScanLine(y);
        uchar* to = out.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const base::Colour c = base::fromBgr(from + 3 * x);
            auto [it, added] = index.try_emplace(c, static_cast<uchar>(table.size()));
            if (added) {
                if (table.size() == 256) return bmpfilters::ReduceToStaticPalette(source);
                table.push_back(base::toQRgb(c));
            }
            to[x] = it->second;
        }
    }
    if (table.isEmpty()) table.push_back(qRgb(0, 0, 0));
    out.setColorTable(table);
    return out;
}

}  // namespace load
