#include "zoom/pass.h"

#include "base/error.h"
#include "base/image.h"
#include "base/messages.h"
#include "base/parallel.h"
#include "base/round.h"
#include "zoom/messages.h"
#include "zoom/pixel_math.h"

namespace zoom {

bool kept(double coverage, int fill) {
    const std::int64_t p = base::roundEven(coverage * 100);
    return p >= 100 - static_cast<std::int64_t>(fill) && p != 0;
}

int percentDone(int row, int rows) {
    return base::roundEvenInt((row + 1.0) / rows * 100);
}

void forEachBand(int rows, long long rowCost, const std::function<void(int first, int last)>& band,
                 const Progress& progress) {
    const int bands = base::bandsFor(rows, rowCost);
    const auto run = [&](int i) {
        const base::RowBand b = base::rowBand(rows, bands, i);
        band(b.first, b.last);
    };
    if (!progress) return base::parallelFor(bands, run);
    base::parallelFor(bands, run, [&](int finished) {
        const base::RowBand b = base::rowBand(rows, bands, finished - 1);
        for (int y = b.first; y < b.last; ++y) progress(percentDone(y, rows));
    });
}

QSize checkedSize(QSize size) {
    base::checkSize(size.width(), size.height());
    return size;
}

QImage bgrSource(const QImage& picture) {
    if (picture.isNull()) throw base::Error(noPictureText());
    return base::toBgr(picture);
}

namespace detail {

Source passSource(const QImage& picture) {
    Source s;
    s.picture = bgrSource(picture);
    const int h = s.picture.height();
    s.rows.resize(static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y) s.rows[static_cast<std::size_t>(y)] = s.picture.constScanLine(y);
#if KADREL_X86_64_VECTORS
    if (vectorPaths()) s.vectorRead.emplace(s.picture.constBits(), s.picture.sizeInBytes());
#endif
    return s;
}

QImage blankPicture(QSize size) {
    return base::allocateBgr(size.width(), size.height());
}

}  // namespace detail

}  // namespace zoom
