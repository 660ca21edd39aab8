#pragma once

#include <QImage>
#include <QSize>

#include "zoom/pass.h"

namespace zoom {

enum class ScalePass {
    None,  // same size: nothing to do
    Up,    // a side grows and none shrinks: zoomup
    Down,  // a side shrinks, whatever the other does: zoomdown
};

ScalePass scalePass(QSize from, QSize to);

// The pass scalePass() chooses. Throws base::Error with sameSizeText() for the same size, and
// base::Error for a size outside the budget.
QImage scale(const QImage& src, QSize size, const KeyOptions& key, const Progress& progress = {});

}  // namespace zoom
