#include <cstdint>
#include <cstring>

#include "base/error.h"
#include "base/image.h"
#include "codecs/bmp.h"
#include "codecs/messages.h"
#include "codecs/palette.h"

namespace codecs::detail {
namespace {

void put16(char*& p, std::uint32_t v) {
    *p++ = static_cast<char>(v & 0xFF);
    *p++ = static_cast<char>((v >> 8) & 0xFF);
}

void put32(char*& p, std::uint32_t v) {
    put16(p, v & 0xFFFF);
    put16(p, v >> 16);
}

}  // namespace

Encoded encodeBmp(const QImage& image) {
    base::checkSize(image.width(), image.height());  // keeps every header field within 32 bits
    const bool indexed = image.format() == QImage::Format_Indexed8;
    const std::uint32_t width = static_cast<std::uint32_t>(image.width());
    const std::uint32_t height = static_cast<std::uint32_t>(image.height());
    const std::uint32_t rowBytes = indexed ? width : 3 * width;
    const std::uint32_t stride = (rowBytes + 3) & ~3u;
    QList<QRgb> palette;
    if (indexed) {
        palette = paddedPalette(image, paletteEntriesNeeded(image));
        if (palette.isEmpty()) throw base::Error(messages::emptyPalette());
    }
    const std::uint32_t offset = 14 + 40 + 4 * static_cast<std::uint32_t>(palette.size());
    const std::uint32_t imageBytes = stride * height;

    Encoded out;
    out.size = static_cast<std::size_t>(offset) + imageBytes;
    out.block = base::Block(out.size);
    char* p = reinterpret_cast<char*>(out.block.data());
    *p++ = 'B';
    *p++ = 'M';
    put32(p, offset + imageBytes);
    put32(p, 0);  // reserved
    put32(p, offset);
    put32(p, 40);
    put32(p, width);
    put32(p, height);  // positive: rows run bottom-up
    put16(p, 1);       // planes
    put16(p, indexed ? 8 : 24);
    put32(p, 0);  // uncompressed
    put32(p, imageBytes);
    put32(p, 0);  // no resolution given
    put32(p, 0);
    put32(p, static_cast<std::uint32_t>(palette.size()));
    put32(p, 0);  // every colour is important
    for (QRgb c : palette) {
        *p++ = static_cast<char>(qBlue(c));
        *p++ = static_cast<char>(qGreen(c));
        *p++ = static_cast<char>(qRed(c));
        *p++ = 0;
    }
    for (std::uint32_t row = 0; row < height; ++row, p += stride) {
        std::memcpy(p, image.constScanLine(static_cast<int>(height - 1 - row)), rowBytes);
        std::memset(p + rowBytes, 0, stride - rowBytes);
    }
    return out;
}

}  // namespace codecs::detail
