#pragma once

#include <memory>

#include <QImage>
#include <QSize>

#include "zoom/pass.h"

namespace zoom {

// Area average: every destination pixel is the weighted mean of the source box it covers, which
// ends 1e−6 short so that it never reaches the next source pixel. Along a side that grows it acts
// as a box filter. With key.on, source pixels of the key colour are left out of the mean and a
// pixel failing the keep test takes key.colour. `src` is read as 24 bits; returns BGR888.
// Throws base::Error for a size outside the budget.
QImage zoomdown(const QImage& src, QSize size, const KeyOptions& key, const Progress& progress = {});

// The same pass a band at a time.
std::unique_ptr<BandPass> zoomdownBands(const QImage& src, QSize size, const KeyOptions& key);

}  // namespace zoom
