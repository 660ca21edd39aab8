#include "codecs/photo.h"

#include "base/error.h"
#include "base/image.h"
#include "codecs/messages.h"
#include "codecs/orientation.h"
#include "codecs/pixels.h"

namespace codecs::detail {

QImage finish(Decoded decoded) {
    QImage& picture = decoded.picture;
    convertToSrgb(picture, decoded.colour);
    if (picture.format() == QImage::Format_ARGB32) {
        QImage bgr(picture.size(), QImage::Format_BGR888);
        if (bgr.isNull()) throw base::Error(messages::outOfMemory());
        for (int y = 0; y < picture.height(); ++y)
            bgraOverBlack(picture.constScanLine(y), bgr.scanLine(y),
                          static_cast<std::uint32_t>(picture.width()));
        picture = QImage();  // the memory goes back before the upright copy is made
        QImage turned = upright(bgr, decoded.orientation);
        base::checkSize(turned.width(), turned.height());
        return turned;
    }
    QImage out = upright(base::toBgr(picture), decoded.orientation);
    base::checkSize(out.width(), out.height());
    return out;
}

}  // namespace codecs::detail
