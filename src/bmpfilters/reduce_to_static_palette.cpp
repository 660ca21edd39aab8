#include "bmpfilters/reduce_to_static_palette.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/error.h"
#include "base/image.h"
#include "bmpfilters/filter_bitmap.h"
#include "bmpfilters/static_palette.h"

namespace bmpfilters {

namespace {

// Everything one channel value decides: the shares of its error (already negated and truncated,
// ready to add) and its part of the palette index.
struct Step {
    std::int8_t right, belowLeft, below, belowRight;
    std::uint8_t index;
    std::uint8_t unused[3];
};

using StepTable = std::array<Step, 256>;

struct StepTables {
    StepTable blue, green, red;  // memory order of a BGR888 pixel
};

StepTable buildSteps(const std::array<std::uint8_t, 256>& levels, const std::uint8_t* values,
                     int indexWeight) {
    StepTable t{};
    for (int c = 0; c < 256; ++c) {
        const int level = levels[c];
        const int d = values[level] - c;
        t[c].right = static_cast<std::int8_t>(-(7 * d / 16));
        t[c].belowLeft = static_cast<std::int8_t>(-(3 * d / 16));
        t[c].below = static_cast<std::int8_t>(-(5 * d / 16));
        t[c].belowRight = static_cast<std::int8_t>(-(d / 16));
        t[c].index = static_cast<std::uint8_t>(level * indexWeight);
    }
    return t;
}

const StepTables& stepTables() {
    static const StepTables tables = [] {
        const LevelTables& l = levelTables();
        return StepTables{buildSteps(l.blue, kBlueValues.data(), 1),
                          buildSteps(l.green, kGreenValues.data(), 6),
                          buildSteps(l.red, kRedValues.data(), 42)};
    }();
    return tables;
}

inline int clamp255(int v) {
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

// One channel of one pixel. The dithering only ever touches the current row and the one below, so
// the eleven-row window collapses to two rows. The pixel to the right and the two pending pixels
// of the row below are carried in registers and get their shares in the window's order, each
// clamped: a pixel below gets its 1/16 first, then its 5/16, then its 3/16.
//   cur:  this row's values (incoming error included), one margin pixel either side
//   next: the row below, holding its source values from x + 1 on and its final values before x - 1
template <int Ch>
inline void channelStep(const Step* table, int& carry, int& pendingLeft, int& pendingHere,
                        const std::uint8_t* cur, std::uint8_t* next, int x, unsigned& index) {
    const Step s = table[carry];
    index += s.index;
    carry = clamp255(cur[3 * (x + 1) + Ch] + s.right);
    next[3 * (x - 1) + Ch] = static_cast<std::uint8_t>(clamp255(pendingLeft + s.belowLeft));
    pendingLeft = clamp255(pendingHere + s.below);
    pendingHere = clamp255(next[3 * (x + 1) + Ch] + s.belowRight);
}

void reduceRow(const StepTables& t, const std::uint8_t* cur, std::uint8_t* next, std::uint8_t* out, int w) {
    int carryB = cur[0], carryG = cur[1], carryR = cur[2];
    int leftB = 0, leftG = 0, leftR = 0;  // the margin pixel left of the row below
    int hereB = next[0], hereG = next[1], hereR = next[2];
    for (int x = 0; x < w; ++x) {
        unsigned index = 0;
        channelStep<0>(t.blue.data(), carryB, leftB, hereB, cur, next, x, index);
        channelStep<1>(t.green.data(), carryG, leftG, hereG, cur, next, x, index);
        channelStep<2>(t.red.data(), carryR, leftR, hereR, cur, next, x, index);
        out[x] = static_cast<std::uint8_t>(index);
    }
    // The last pixel of the row below has had all its shares; what went right of it is lost.
    next[3 * (w - 1) + 0] = static_cast<std::uint8_t>(leftB);
    next[3 * (w - 1) + 1] = static_cast<std::uint8_t>(leftG);
    next[3 * (w - 1) + 2] = static_cast<std::uint8_t>(leftR);
}

}  // namespace

QImage ReduceToStaticPalette(const QImage& source) {
    if (source.format() != QImage::Format_BGR888) throw base::Error(only24BitMessage());
    const int w = source.width(), h = source.height();
    base::checkSize(w, h);
    QImage result(w, h, QImage::Format_Indexed8);
    if (result.isNull()) throw base::Error(QStringLiteral("メモリが足りません (%1 × %2)").arg(w).arg(h));
    result.setColorTable(staticPalette());
    const StepTables& tables = stepTables();

    // Two row buffers with one margin pixel each side. The row below is copied in from the source
    // and dithered in place: a pixel is written only after the read one pixel ahead of it.
    const std::size_t rowBytes = static_cast<std::size_t>(3) * w;
    const std::size_t stride = rowBytes + 6;
    std::vector<std::uint8_t> storage(2 * stride, 0);
    std::uint8_t* cur = storage.data() + 3;
    std::uint8_t* next = storage.data() + stride + 3;
    std::memcpy(cur, source.constScanLine(0), rowBytes);
    for (int y = 0; y < h; ++y) {
        if (y + 1 < h)
            std::memcpy(next, source.constScanLine(y + 1), rowBytes);
        else
            std::memset(next, 0, rowBytes);  // error below the last row is lost
        reduceRow(tables, cur, next, result.scanLine(y), w);
        std::swap(cur, next);
    }
    return result;
}

}  // namespace bmpfilters
