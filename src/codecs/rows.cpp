#include "codecs/rows.h"

#include <algorithm>

#include "codecs/jpeg.h"
#include "codecs/png.h"

namespace codecs {

std::unique_ptr<RowWriter> rowWriter(Format format, QSize size, const WriteOptions& options) {
    switch (format) {
        case Format::Jpeg:
            return detail::jpegRowWriter(size, std::clamp(options.jpegQuality, 1, 100));
        case Format::Png:
            return detail::pngRowWriter(size);
        default:
            return nullptr;
    }
}

}  // namespace codecs
