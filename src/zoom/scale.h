#pragma once

#include <memory>

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

// The side that keeps the ratio (width ÷ height) when the other side is typed: the height for
// a typed width (typed ÷ ratio), the width for a typed height (typed × ratio), rounded half to
// even. A result beyond the budget's side, or one no integer holds, throws base::Error with the
// size message naming the typed size and the one it would make.
int ratioHeight(int width, double ratio);
int ratioWidth(int height, double ratio);

// The pass scalePass() chooses. Throws base::Error with sameSizeText() for the same size, and
// base::Error for a size outside the budget.
QImage scale(const QImage& src, QSize size, const KeyOptions& key, const Progress& progress = {});

// The same pass a band at a time; throws as scale() does.
std::unique_ptr<BandPass> scaleBands(const QImage& src, QSize size, const KeyOptions& key);

}  // namespace zoom
