#include "collage/compose.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>

#include "base/error.h"
#include "base/image.h"
#include "base/messages.h"
#include "base/parallel.h"

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

bool place(QSize canvas, const QImage& picture, const Layer& layer, Placed& out) {
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

// Writes the background into canvas pixels [from, to) of row y.
class BackgroundRows {
public:
    BackgroundRows(const Background& background, int width) {
        if (!background.picture.isNull()) {
            tile_ = base::toBgr(background.picture);
            return;
        }
        // One row of the colour to copy spans from.
        colourRow_.resize(static_cast<std::size_t>(3) * width);
        const std::uint8_t b = base::blue(background.colour), g = base::green(background.colour),
                           r = base::red(background.colour);
        for (int x = 0; x < width; ++x) {
            colourRow_[3 * static_cast<std::size_t>(x)] = b;
            colourRow_[3 * static_cast<std::size_t>(x) + 1] = g;
            colourRow_[3 * static_cast<std::size_t>(x) + 2] = r;
        }
    }

    void fill(std::uint8_t* row, int y, int from, int to) const {
        if (to <= from) return;
        std::uint8_t* dst = row + static_cast<std::size_t>(3) * from;
        const std::size_t n = static_cast<std::size_t>(3) * (to - from);
        if (tile_.isNull()) {
            std::memcpy(dst, colourRow_.data() + static_cast<std::size_t>(3) * from, n);
            return;
        }
        // Pixel x takes the tile's pixel x mod its width: the span's first tile width is copied
        // in at most two pieces, then the filled part is doubled, which keeps the period.
        const std::uint8_t* src = tile_.constScanLine(y % tile_.height());
        const std::size_t period = static_cast<std::size_t>(3) * tile_.width();
        const std::size_t phase = static_cast<std::size_t>(3) * (from % tile_.width());
        std::size_t filled = std::min(period - phase, n);
        std::memcpy(dst, src + phase, filled);
        if (filled < n) {
            const std::size_t rest = std::min(phase, n - filled);
            std::memcpy(dst + filled, src, rest);
            filled += rest;
        }
        while (filled < n) {
            const std::size_t k = std::min(filled, n - filled);
            std::memcpy(dst + filled, dst, k);
            filled += k;
        }
    }

private:
    QImage tile_;  // BGR888, or null for the colour
    std::vector<std::uint8_t> colourRow_;
};

}  // namespace

// The state of one composition, shared by the whole-canvas call and the banded one.
struct Composer::Parts {
    Parts(QSize canvas, const Background& background) : size(canvas), back(background, canvas.width()) {}
    QSize size;
    BackgroundRows back;
    std::vector<QImage> converted;  // 24-bit copies of layers in other formats
    std::vector<Placed> placed;
    std::vector<std::size_t> unplaced;  // layers off the canvas or without a picture
    std::vector<Layer> layers;

    // Row y of the canvas: the background only where no opaque layer covers it (whatever the
    // order, an opaque layer overwrites it there), then the layers in order.
    void drawCanvasRow(std::uint8_t* row, int y, std::vector<std::pair<int, int>>& covered) const {
        covered.clear();
        for (const Placed& p : placed)
            if (!p.layer->transparent && y >= p.y0 && y < p.y1) covered.emplace_back(p.x0, p.x1);
        std::sort(covered.begin(), covered.end());
        int from = 0;
        for (const auto& [x0, x1] : covered) {
            back.fill(row, y, from, x0);
            from = std::max(from, x1);
        }
        back.fill(row, y, from, size.width());
        for (const Placed& p : placed)
            if (y >= p.y0 && y < p.y1) drawRow(row, p, y);
    }
};

Composer::Composer(QSize size, const Background& background, const std::vector<Layer>& layers) {
    base::checkSize(size.width(), size.height());
    parts_ = std::make_unique<Parts>(size, background);
    Parts& c = *parts_;
    c.layers = layers;
    c.converted.resize(layers.size());
    for (std::size_t i = 0; i < layers.size(); ++i) {
        const Layer& layer = c.layers[i];
        Placed p{};
        if (layer.picture != nullptr && !layer.picture->isNull()) {
            const QImage* picture = layer.picture;
            if (picture->format() != QImage::Format_BGR888) {
                c.converted[i] = base::toBgr(*picture);
                picture = &c.converted[i];
            }
            if (place(size, *picture, layer, p)) {
                c.placed.push_back(p);
                continue;
            }
        }
        c.unplaced.push_back(i);
    }
}

Composer::~Composer() = default;

QSize Composer::size() const {
    return parts_->size;
}

std::pair<int, int> Composer::pictureRows(std::size_t layer, int top, int bottom) const {
    for (const Placed& p : parts_->placed) {
        if (static_cast<std::size_t>(p.layer - parts_->layers.data()) != layer) continue;
        const int a = std::max(top, p.y0), b = std::min(bottom, p.y1);
        if (a >= b) return {0, 0};
        return {static_cast<int>(a - p.top), static_cast<int>(b - p.top)};
    }
    return {0, 0};
}

void Composer::run(std::uint8_t* first, qsizetype stride, int top, int bottom) const {
    const int bands = base::bandsFor(bottom - top, 3LL * parts_->size.width());
    base::parallelFor(bands, [&](int i) {
        const base::RowBand b = base::rowBand(bottom - top, bands, i);
        std::vector<std::pair<int, int>> covered;
        for (int y = top + b.first; y < top + b.last; ++y)
            parts_->drawCanvasRow(first + stride * (y - top), y, covered);
    });
}

QImage compose(const QImage& background, const std::vector<Layer>& layers) {
    return compose(background.size(), Background{0, background}, layers);
}

QImage compose(QSize size, const Background& background, const std::vector<Layer>& layers) {
    return compose(size, background, layers, {});
}

QImage compose(QSize size, const Background& background, const std::vector<Layer>& layers,
               const std::function<void(std::size_t)>& drawn) {
    Composer composer(size, background, layers);
    QImage canvas = base::allocateBgr(size.width(), size.height());
    Composer::Parts& c = *composer.parts_;
    if (drawn)
        for (std::size_t i : c.unplaced) drawn(i);
    // The placed layers by the row after their last, for handing them back as compose passes it.
    std::vector<std::pair<int, std::size_t>> ends;
    if (drawn) {
        for (const Placed& p : c.placed)
            ends.emplace_back(p.y1, static_cast<std::size_t>(p.layer - c.layers.data()));
        std::stable_sort(ends.begin(), ends.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
    }
    auto nextEnd = ends.begin();
    std::vector<std::pair<int, int>> covered;
    for (int y = 0; y < size.height(); ++y) {
        c.drawCanvasRow(canvas.scanLine(y), y, covered);
        for (; nextEnd != ends.end() && nextEnd->first == y + 1; ++nextEnd) {
            c.converted[nextEnd->second] = QImage();
            drawn(nextEnd->second);
        }
    }
    return canvas;
}

}  // namespace collage
