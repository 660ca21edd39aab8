#include "collage/compose.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "base/error.h"
#include "base/image.h"

namespace collage {

namespace {

// Draws the visible part of one layer. Positions are taken in 64 bits so that a layer far off
// the canvas cannot overflow the clipping arithmetic.
void drawLayer(QImage& canvas, const QImage& picture, const Layer& layer) {
    const std::int64_t left = layer.topLeft.x(), top = layer.topLeft.y();
    const std::int64_t x0 = std::max<std::int64_t>(0, left);
    const std::int64_t x1 = std::min<std::int64_t>(canvas.width(), left + picture.width());
    const std::int64_t y0 = std::max<std::int64_t>(0, top);
    const std::int64_t y1 = std::min<std::int64_t>(canvas.height(), top + picture.height());
    if (x0 >= x1 || y0 >= y1) return;

    const std::size_t spanBytes = static_cast<std::size_t>(3 * (x1 - x0));
    const std::size_t srcOffset = static_cast<std::size_t>(3 * (x0 - left));
    const std::size_t dstOffset = static_cast<std::size_t>(3 * x0);
    const int n = static_cast<int>(x1 - x0);
    const std::uint8_t kb = base::blue(layer.key), kg = base::green(layer.key), kr = base::red(layer.key);
    for (std::int64_t y = y0; y < y1; ++y) {
        const std::uint8_t* src = picture.constScanLine(static_cast<int>(y - top)) + srcOffset;
        std::uint8_t* dst = canvas.scanLine(static_cast<int>(y)) + dstOffset;
        if (!layer.transparent) {
            std::memcpy(dst, src, spanBytes);
            continue;
        }
        // Runs of kept pixels go over in one copy; only pixels equal to the key in all three
        // bytes are left out.
        int x = 0;
        while (x < n) {
            while (x < n && src[3 * x] == kb && src[3 * x + 1] == kg && src[3 * x + 2] == kr) ++x;
            const int start = x;
            while (x < n && !(src[3 * x] == kb && src[3 * x + 1] == kg && src[3 * x + 2] == kr)) ++x;
            if (x > start)
                std::memcpy(dst + 3 * start, src + 3 * start, static_cast<std::size_t>(3) * (x - start));
        }
    }
}

}  // namespace

QImage compose(const QImage& background, const std::vector<Layer>& layers) {
    base::checkSize(background.width(), background.height());
    QImage canvas = base::toBgr(background).copy();
    if (canvas.isNull())
        throw base::Error(
            QStringLiteral("メモリが足りません (%1 × %2)").arg(background.width()).arg(background.height()));
    for (const Layer& layer : layers) {
        if (layer.picture == nullptr || layer.picture->isNull()) continue;
        if (layer.picture->format() == QImage::Format_BGR888)
            drawLayer(canvas, *layer.picture, layer);
        else
            drawLayer(canvas, base::toBgr(*layer.picture), layer);
    }
    return canvas;
}

}  // namespace collage
