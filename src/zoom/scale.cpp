#include "zoom/scale.h"

#include "base/error.h"
#include "zoom/messages.h"
#include "zoom/zoom_down.h"
#include "zoom/zoom_up.h"

namespace zoom {

ScalePass scalePass(QSize from, QSize to) {
    if (to == from) return ScalePass::None;
    if (to.width() < from.width() || to.height() < from.height()) return ScalePass::Down;
    return ScalePass::Up;
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

}  // namespace zoom
