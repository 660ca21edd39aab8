#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include <QImage>
#include <QSize>

#include "base/colour.h"

namespace zoom {

// Called after every finished destination row with the share done, Round((y + 1) / H' × 100).
using Progress = std::function<void(int percent)>;

// The transparent colour of a pass. With `on`, source pixels of exactly `colour` are left out of
// the interpolation. Whatever `on` says, a destination pixel that fails the keep test is written
// in `colour` (in rotation: the gap colour), so a negative fill keys out everything.
struct KeyOptions {
    bool on = false;
    base::Colour colour = 0;
    int fill = 50;  // "選択率": used as typed, not clamped
};

// The keep test: a destination pixel is interpolated when P = Round(coverage × 100) reaches
// 100 − fill and is not 0.
bool kept(double coverage, int fill);

// The percentage reported after destination row `row` (from 0) of `rows`.
int percentDone(int row, int rows);

// Runs rows(first, last) over bands of [0, rows) on the worker pool, each row costing about rowCost
// pixels, and reports percentDone for every row in order on the calling thread.
void forEachBand(int rows, long long rowCost, const std::function<void(int first, int last)>& band,
                 const Progress& progress);

// `picture` as Format_BGR888 (the passes' layout); a BGR888 picture comes back as it is.
QImage bgrSource(const QImage& picture);

// Writes rows [top, bottom) of a destination whose row `top` is at `first`, rows `stride` bytes
// apart, through row(y, out), out pointing at row y, in bands on the worker pool as forEachBand
// runs them.
template <typename Row>
void forEachRowIn(std::uint8_t* first, qsizetype stride, int top, int bottom, long long rowCost,
                  const Row& row, const Progress& progress = {}) {
    forEachBand(
        bottom - top, rowCost,
        [&](int a, int b) {
            for (int y = top + a; y < top + b; ++y) row(y, first + stride * (y - top));
        },
        progress);
}

// Every row of `dst`.
template <typename Row>
void forEachRow(QImage& dst, long long rowCost, const Row& row, const Progress& progress) {
    forEachRowIn(dst.bits(), dst.bytesPerLine(), 0, dst.height(), rowCost, row, progress);
}

// `size` when the budget allows a picture of it; throws base::Error as allocating one would.
QSize checkedSize(QSize size);

// Source rows [first, last).
struct RowSpan {
    int first = 0;
    int last = 0;
};

// A pass cut into bands of destination rows, for a caller that hands the source's rows over as
// they are decoded and lets them go once no band left reads them. The rows are those the whole
// pass writes, whatever the bands.
class BandPass {
public:
    virtual ~BandPass() = default;
    virtual QSize size() const = 0;
    // The source rows that destination rows [top, bottom) read; empty when they read none.
    virtual RowSpan sourceRows(int top, int bottom) const = 0;
    // Writes destination rows [top, bottom), row `top` at `first` and rows `stride` bytes apart,
    // on the worker pool.
    virtual void run(std::uint8_t* first, qsizetype stride, int top, int bottom) const = 0;
};

}  // namespace zoom
