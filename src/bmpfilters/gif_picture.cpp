#include "bmpfilters/gif_picture.h"

#include <unordered_map>

#include "base/colour.h"
#include "base/image.h"
#include "bmpfilters/reduce_to_static_palette.h"
#include "bmpfilters/static_palette.h"

namespace bmpfilters {
namespace {

// The picture's colours as an exact palette in the order they first appear, or a null picture
// when there are more than 256.
QImage ownColours(const QImage& source) {
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
                if (table.size() == 256) return {};
                table.push_back(base::toQRgb(c));
            }
            to[x] = it->second;
        }
    }
    if (table.isEmpty()) table.push_back(qRgb(0, 0, 0));
    out.setColorTable(table);
    return out;
}

}  // namespace

QImage gifPicture(const QImage& picture, GifPalette palette) {
    if (palette == GifPalette::Static && picture.format() == QImage::Format_Indexed8 &&
        picture.colorTable() == staticPalette())
        return picture;
    const QImage source = base::toBgr(picture);
    if (palette == GifPalette::Own) {
        QImage own = ownColours(source);
        if (!own.isNull()) return own;
    }
    return ReduceToStaticPalette(source);
}

}  // namespace bmpfilters
