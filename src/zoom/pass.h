#pragma once

#include <cstdint>
#include <functional>

#include <QImage>

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

// Writes every row of `dst` through row(y, out), out pointing at row y, in bands on the worker
// pool as forEachBand runs them.
template <typename Row>
void forEachRow(QImage& dst, long long rowCost, const Row& row, const Progress& progress) {
    std::uint8_t* const first = dst.bits();
    const qsizetype stride = dst.bytesPerLine();
    forEachBand(
        dst.height(), rowCost,
        [&](int top, int bottom) {
            for (int y = top; y < bottom; ++y) row(y, first + stride * y);
        },
        progress);
}

}  // namespace zoom
