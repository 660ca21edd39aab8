#pragma once

#include <memory>

#include <QImage>
#include <QSize>

#include "zoom/pass.h"

namespace zoom {

// Bilinear enlargement with pixel centres aligned: `src` (any format, read as 24 bits) to a new
// BGR888 picture of `size`. With key.on, neighbours of the key colour are left out and a pixel
// failing the keep test takes key.colour. Throws base::Error for a size outside the budget.
// Meant for a picture that only grows, but any size works.
QImage zoomup(const QImage& src, QSize size, const KeyOptions& key, const Progress& progress = {});

// The same pass a band at a time.
std::unique_ptr<BandPass> zoomupBands(const QImage& src, QSize size, const KeyOptions& key);

}  // namespace zoom
