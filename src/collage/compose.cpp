#include "collage/compose.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "base/error.h"
#include "base/image.h"
#include "base/messages.h"

namespace collage {

namespace {

// The part of a layer that lands on the canvas. Positions are taken in 64 bits so that a layer
// far off the canvas cannot overflow the clipping arithmetic.
struct Placed {
    const QImage* picture;  // BGR888
    const Layer* layer;
    std::int64_t left, top;  // the picture's corner on the canvas
    int x0, x1, y0, y1;      // the visible canvas rectangle, half open
};

bool place(const QImage& canvas, const QImage& picture, const Layer& layer, Placed& out) {
    const std::int64_t left = layer.topLeft.x(), top = layer.topLeft.y();
    const std::int64_t x0 = std::max<std::int64_t>(0, left);
    const std::int64_t x1 = std::min<std::int64_t>(canvas.width(), left + picture.width());
    const std::int64_t y0 = std::max<std::int64_t>(0, top);
    const std::int64_t y1 = std::min<std::int64_t>(canvas.height(), top + picture.height());
    if (x0 >= x1 || y0 >= y1) return false;
    out = Placed{&picture,
                 &layer,
                 left,
                 top,
                 static_cast<int>(x0),
                 static_cast<int>(x1),
                 static_cast<int>(y0),
                 static_cast<int>(y1)};
    return true;
}

// One row of one layer.
void drawRow(std::uint8_t* canvasRow, const Placed& p, int y) {
    const std::uint8_t* src =
        p.picture->constScanLine(static_cast<int>(y - p.top)) + static_cast<std::size_t>(3 * (p.x0 - p.left));
    std::uint8_t* dst = canvasRow + static_cast<std::size_t>(3) * p.x0;
    const int n = p.x1 - p.x0;
    if (!p.layer->transparent) {
        std::memcpy(dst, src, static_cast<std::size_t>(3) * n);
        return;
    }
    // Runs of kept pixels go over in one copy; only pixels equal to the key in all three bytes
    // are left out.
    const std::uint8_t kb = base::blue(p.layer->key), kg = base::green(p.layer->key),
                       kr = base::red(p.layer->key);
    int x = 0;
    while (x < n) {
        while (x < n && src[3 * x] == kb && src[3 * x + 1] == kg && src[3 * x + 2] == kr) ++x;
        const int start = x;
        while (x < n && !(src[3 * x] == kb && src[3 * x + 1] == kg && src[3 * x + 2] == kr)) ++x;
        if (x > start)
            std::memcpy(dst + 3 * start, src + 3 * start, static_cast<std::size_t>(3) * (x - start));
    }
}

#if defined(__linux__)
struct Mapping {
    void* base;
    std::size_t length;
};

void unmap(void* info) {
    auto* m = static_cast<Mapping*>(info);
    munmap(m->base, m->length);
    delete m;
}

// A large canvas in its own mapping on 2 MiB pages where the kernel has them: a fresh picture
// of tens of megabytes otherwise costs a page fault every 4 KiB, a fair share of the whole
// composition. Null when the mapping fails; the caller then takes a plain QImage.
QImage mappedCanvas(int w, int h) {
    constexpr std::size_t kHuge = std::size_t{2} << 20;
    const qsizetype bpl = (3 * static_cast<qsizetype>(w) + 3) & ~qsizetype{3};  // QImage's own stride
    const std::size_t bytes = static_cast<std::size_t>(bpl) * static_cast<std::size_t>(h);
    if (bytes < 4 * kHuge) return {};
    const std::size_t length = bytes + kHuge;
    void* base = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED) return {};
    const auto start = (reinterpret_cast<std::uintptr_t>(base) + kHuge - 1) & ~(kHuge - 1);
    auto* data = reinterpret_cast<uchar*>(start);
    madvise(data, bytes, MADV_HUGEPAGE);  // advice only: without it the pages are just small
    auto* info = new Mapping{base, length};
    QImage img(data, w, h, bpl, QImage::Format_BGR888, unmap, info);
    if (img.isNull()) {
        unmap(info);
        return {};
    }
    return img;
}
#else
QImage mappedCanvas(int, int) {
    return {};
}
#endif

}  // namespace

QImage compose(const QImage& backgroundIn, const std::vector<Layer>& layers) {
    base::checkSize(backgroundIn.width(), backgroundIn.height());
    const QImage background = base::toBgr(backgroundIn);
    const int w = background.width(), h = background.height();
    QImage canvas = mappedCanvas(w, h);
    if (canvas.isNull()) canvas = QImage(w, h, QImage::Format_BGR888);
    if (canvas.isNull()) throw base::Error(base::messages::outOfMemory(w, h));

    std::vector<QImage> converted;  // 24-bit copies of layers in other formats
    converted.reserve(layers.size());
    std::vector<Placed> placed;
    for (const Layer& layer : layers) {
        if (layer.picture == nullptr || layer.picture->isNull()) continue;
        const QImage* picture = layer.picture;
        if (picture->format() != QImage::Format_BGR888) {
            converted.push_back(base::toBgr(*picture));
            picture = &converted.back();
        }
        Placed p{};
        if (place(canvas, *picture, layer, p)) placed.push_back(p);
    }

    // Row by row, the background only where no opaque layer covers it (whatever the order, an
    // opaque layer overwrites it there), then the layers in order.
    const std::size_t rowBytes = static_cast<std::size_t>(3) * w;
    std::vector<std::pair<int, int>> covered;
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = canvas.scanLine(y);
        const std::uint8_t* back = background.constScanLine(y);
        covered.clear();
        for (const Placed& p : placed)
            if (!p.layer->transparent && y >= p.y0 && y < p.y1) covered.emplace_back(p.x0, p.x1);
        if (covered.empty()) {
            std::memcpy(row, back, rowBytes);
        } else {
            std::sort(covered.begin(), covered.end());
            int from = 0;
            for (const auto& [x0, x1] : covered) {
                if (x0 > from)
                    std::memcpy(row + 3 * static_cast<std::size_t>(from),
                                back + 3 * static_cast<std::size_t>(from),
                                static_cast<std::size_t>(3) * (x0 - from));
                from = std::max(from, x1);
            }
            if (from < w)
                std::memcpy(row + 3 * static_cast<std::size_t>(from),
                            back + 3 * static_cast<std::size_t>(from),
                            static_cast<std::size_t>(3) * (w - from));
        }
        for (const Placed& p : placed)
            if (y >= p.y0 && y < p.y1) drawRow(row, p, y);
    }
    return canvas;
}

}  // namespace collage
