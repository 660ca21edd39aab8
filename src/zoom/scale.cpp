#include "zoom/scale.h"

#include <cmath>

#include "base/error.h"
#include "base/image.h"
#include "base/messages.h"
#include "base/round.h"
#include "zoom/messages.h"
#include "zoom/zoom_down.h"
#include "zoom/zoom_up.h"

namespace zoom {

ScalePass scalePass(QSize from, QSize to) {
    if (to == from) return ScalePass::None;
    if (to.width() < from.width() || to.height() < from.height()) return ScalePass::Down;
    return ScalePass::Up;
}

namespace {

// A derived side far outside the budget is refused before it becomes a number in an edit.
int derivedSide(double side, double width, double height) {
    const auto rounded = base::roundEvenTo<int>(side);
    if (!rounded || std::abs(static_cast<double>(*rounded)) > static_cast<double>(base::kMaxSide))
        throw base::Error(base::messages::pictureSize(width, height));
    return *rounded;
}

}  // namespace

int ratioHeight(int width, double ratio) {
    const double height = width / ratio;
    return derivedSide(height, width, height);
}

int ratioWidth(int height, double ratio) {
    const double width = height * ratio;
    return derivedSide(width, width, height);
}

QImage scale(const QImage& src, QSize size, const KeyOptions& key, const Progress& progress) {
    switch (scalePass(src.size(), size)) {
        case ScalePass::None:
            throw base::Error(sameSizeText());
        case ScalePass::Up:
            return zoomup(src, size, key, progress);
        case ScalePass::Down:
            break;
    }
    return zoomdown(src, size, key, progress);
}

std::unique_ptr<BandPass> scaleBands(const QImage& src, QSize size, const KeyOptions& key) {
    switch (scalePass(src.size(), size)) {
        case ScalePass::None:
            throw base::Error(sameSizeText());
        case ScalePass::Up:
            return zoomupBands(src, size, key);
        case ScalePass::Down:
            break;
    }
    return zoomdownBands(src, size, key);
}

}  // namespace zoom
