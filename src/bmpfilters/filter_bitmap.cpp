#include "bmpfilters/filter_bitmap.h"

#include <cstring>
#include <vector>

#include "base/error.h"
#include "base/image.h"

namespace bmpfilters {

// Callers convert to 24 bits first, so only a programming error shows this text; tests and
// bug reports match it exactly, misspelling included, so it stays as it is.
QString only24BitMessage() {
    return QStringLiteral("BitmapFiletr accepts only 24Bit DIB");
}

QImage FilterBitmap(const QImage& source, FilterCallback callback, void* context) {
    if (source.format() != QImage::Format_BGR888) throw base::Error(only24BitMessage());
    const int w = source.width(), h = source.height();
    QImage result = base::allocateBgr(w, h);

    const std::size_t rowBytes = static_cast<std::size_t>(3) * w;
    const std::size_t stride = rowBytes + 6 * kFilterReach;  // kFilterReach margin pixels each side
    std::vector<std::uint8_t> storage(stride * kFilterRows, 0);
    std::array<std::uint8_t*, kFilterRows> buffers{};
    for (int i = 0; i < kFilterRows; ++i) buffers[i] = storage.data() + stride * i;

    const auto load = [&](std::uint8_t* buffer, int row) {
        std::memset(buffer, 0, stride);
        if (row >= 0 && row < h) std::memcpy(buffer + 3 * kFilterReach, source.constScanLine(row), rowBytes);
    };
    for (int i = 0; i < kFilterRows; ++i) load(buffers[i], i - kFilterReach);

    FilterWindow window;
    for (int y = 0; y < h; ++y) {
        std::uint8_t* out = result.scanLine(y);
        for (int x = 0; x < w; ++x) {
            for (int i = 0; i < kFilterRows; ++i) window.rows[i] = buffers[i] + 3 * (kFilterReach + x);
            callback(x, y, window, out + 3 * x, context);
        }
        // Hand the buffers on: what the callback left in the rows below stays with them.
        std::uint8_t* oldest = buffers[0];
        for (int i = 0; i + 1 < kFilterRows; ++i) buffers[i] = buffers[i + 1];
        load(oldest, y + kFilterReach + 1);
        buffers[kFilterRows - 1] = oldest;
    }
    return result;
}

}  // namespace bmpfilters
