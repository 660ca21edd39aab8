#include "collage/background.h"

#include <algorithm>
#include <cstring>

#include "base/error.h"
#include "base/image.h"
#include "base/messages.h"

namespace collage {

namespace {

// Fills one canvas row from one picture row: the first tile is copied, then the filled part is
// doubled, which keeps the period and takes few copies even for a narrow picture.
void tileRow(std::uint8_t* dst, std::size_t canvasBytes, const std::uint8_t* tile, std::size_t tileBytes) {
    std::size_t filled = std::min(tileBytes, canvasBytes);
    std::memcpy(dst, tile, filled);
    while (filled < canvasBytes) {
        const std::size_t n = std::min(filled, canvasBytes - filled);
        std::memcpy(dst + filled, dst, n);
        filled += n;
    }
}

}  // namespace

QImage fillBackground(QSize size, const Background& background) {
    if (background.picture.isNull()) return base::makeBgr(size.width(), size.height(), background.colour);
    base::checkSize(size.width(), size.height());
    const QImage tile = base::toBgr(background.picture);
    QImage out = base::allocateBgr(size.width(), size.height());

    const int w = size.width(), h = size.height(), ph = tile.height();
    const std::size_t canvasBytes = static_cast<std::size_t>(3) * w;
    const std::size_t tileBytes = static_cast<std::size_t>(3) * tile.width();
    // The first band of tiles row by row, then every later row is a copy of the row one band up.
    for (int y = 0; y < std::min(h, ph); ++y)
        tileRow(out.scanLine(y), canvasBytes, tile.constScanLine(y), tileBytes);
    for (int y = ph; y < h; ++y) std::memcpy(out.scanLine(y), out.constScanLine(y % ph), canvasBytes);
    return out;
}

}  // namespace collage
