#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/error.h"
#include "base/image.h"
#include "codecs/bmp.h"
#include "codecs/messages.h"

namespace codecs::detail {
namespace {

using Bytes = const std::uint8_t*;

std::uint32_t u16(Bytes p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8;
}
std::uint32_t u32(Bytes p) {
    return u16(p) | u16(p + 2) << 16;
}
std::int32_t s32(Bytes p) {
    return static_cast<std::int32_t>(u32(p));
}

enum Compression : std::uint32_t {
    kRgb = 0,
    kRle8 = 1,
    kRle4 = 2,
    kBitFields = 3,
    kJpeg = 4,
    kPng = 5,
    kAlphaBitFields = 6
};

[[noreturn]] void badHeader(const QString& what) {
    throw base::Error(messages::bmpHeader(what));
}

// One colour channel of a 16- or 32-bit pixel, scaled to 0..255 with rounding.
class Channel {
public:
    explicit Channel(std::uint32_t mask) : mask_(mask) {
        if (mask == 0) badHeader(QStringLiteral("色マスクが空です"));
        shift_ = std::countr_zero(mask);
        const std::uint32_t bits = mask >> shift_;
        if ((bits & (bits + 1)) != 0) badHeader(QStringLiteral("色マスクが連続していません"));
        max_ = bits;
        if (max_ <= 0xFFFF) {
            table_.resize(max_ + 1);
            for (std::uint32_t v = 0; v <= max_; ++v) table_[v] = scale(v);
        }
    }
    std::uint8_t operator()(std::uint32_t pixel) const {
        const std::uint32_t v = (pixel & mask_) >> shift_;
        return table_.empty() ? scale(v) : table_[v];
    }

private:
    std::uint8_t scale(std::uint32_t v) const {
        return static_cast<std::uint8_t>((std::uint64_t{v} * 255 + max_ / 2) / max_);
    }
    std::uint32_t mask_;
    int shift_ = 0;
    std::uint32_t max_ = 1;
    std::vector<std::uint8_t> table_;
};

struct Header {
    std::uint32_t headerSize = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;  // rows, always positive here
    bool topDown = false;
    std::uint32_t bitCount = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t coloursUsed = 0;
    std::uint32_t masks[3] = {};
    std::size_t paletteStart = 0;
    std::size_t pixelStart = 0;
};

Header parseHeader(Bytes data, std::size_t size) {
    if (size < 2 || data[0] != 'B' || data[1] != 'M') throw base::Error(messages::bmpNotBitmap());
    if (size < 18) throw base::Error(messages::bmpTruncated());
    Header h;
    h.headerSize = u32(data + 14);
    const std::uint32_t hs = h.headerSize;
    if (hs != 12 && hs != 16 && hs != 40 && hs != 52 && hs != 56 && hs != 64 && hs != 108 && hs != 124)
        badHeader(QStringLiteral("情報ヘッダーの長さ %1").arg(hs));
    if (14 + std::size_t{hs} > size) throw base::Error(messages::bmpTruncated());
    Bytes info = data + 14;
    std::uint32_t planes = 0;
    std::int64_t rawHeight = 0;
    if (hs == 12) {
        h.width = u16(info + 4);
        rawHeight = u16(info + 6);
        planes = u16(info + 8);
        h.bitCount = u16(info + 10);
    } else {
        h.width = s32(info + 4);
        rawHeight = s32(info + 8);
        planes = u16(info + 12);
        h.bitCount = u16(info + 14);
        if (hs >= 40) {
            h.compression = u32(info + 16);
            h.coloursUsed = u32(info + 32);
        }
    }
    if (planes != 1) badHeader(QStringLiteral("プレーン数 %1").arg(planes));
    if (rawHeight == INT32_MIN) badHeader(QStringLiteral("高さ %1").arg(rawHeight));
    h.topDown = rawHeight < 0;
    h.height = h.topDown ? -rawHeight : rawHeight;
    base::checkSize(h.width, h.height);

    const bool os2v2 = hs == 16 || hs == 64;  // there 3 and 4 mean Huffman and RLE24
    const std::uint32_t bpp = h.bitCount;
    const bool fieldsOk = bpp == 16 || bpp == 32;
    switch (h.compression) {
        case kRgb:
            if (bpp != 1 && bpp != 2 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
                badHeader(QStringLiteral("%1 ビット").arg(bpp));
            break;
        case kRle8:
            if (bpp != 8) badHeader(QStringLiteral("RLE8 で %1 ビット").arg(bpp));
            break;
        case kRle4:
            if (bpp != 4) badHeader(QStringLiteral("RLE4 で %1 ビット").arg(bpp));
            break;
        case kBitFields:
        case kAlphaBitFields:
            if (os2v2) throw base::Error(messages::bmpCompression(h.compression));
            if (!fieldsOk) badHeader(QStringLiteral("ビットフィールドで %1 ビット").arg(bpp));
            break;
        default:
            throw base::Error(messages::bmpCompression(h.compression));
    }
    const bool rle = h.compression == kRle8 || h.compression == kRle4;
    if (rle && h.topDown) badHeader(QStringLiteral("上から下へ並んだ圧縮データ"));

    std::size_t masksEnd = 14 + std::size_t{hs};
    if (h.compression == kBitFields || h.compression == kAlphaBitFields) {
        if (hs == 40) masksEnd += h.compression == kBitFields ? 12 : 16;
        if (masksEnd > size || 14 + 52 > size) throw base::Error(messages::bmpTruncated());
        for (int i = 0; i < 3; ++i) h.masks[i] = u32(data + 54 + 4 * i);  // red, green, blue
    } else if (bpp == 16) {
        h.masks[0] = 0x7C00;
        h.masks[1] = 0x03E0;
        h.masks[2] = 0x001F;
    } else if (bpp == 32) {
        h.masks[0] = 0xFF0000;
        h.masks[1] = 0x00FF00;
        h.masks[2] = 0x0000FF;
    }
    h.paletteStart = masksEnd;
    h.pixelStart = u32(data + 10);
    if (h.pixelStart < 14 + std::size_t{hs} || h.pixelStart > size)
        badHeader(QStringLiteral("画素データの位置 %1").arg(h.pixelStart));
    return h;
}

// Palette as blue, green, red triplets.
std::vector<std::uint8_t> readPalette(const Header& h, Bytes data, std::size_t size) {
    const std::uint32_t most = 1u << h.bitCount;
    const std::uint32_t count = h.coloursUsed ? h.coloursUsed : most;
    if (count > most) badHeader(QStringLiteral("パレットの色数 %1").arg(count));
    const std::size_t entry = h.headerSize == 12 ? 3 : 4;
    if (h.paletteStart + entry * count > size) throw base::Error(messages::bmpTruncated());
    std::vector<std::uint8_t> bgr(3 * count);
    for (std::uint32_t i = 0; i < count; ++i) std::memcpy(&bgr[3 * i], data + h.paletteStart + entry * i, 3);
    return bgr;
}

void checkIndex(std::uint32_t index, std::size_t paletteSize) {
    if (index >= paletteSize)
        throw base::Error(
            messages::bmpIndexOutsidePalette(static_cast<int>(index), static_cast<int>(paletteSize)));
}

void readIndexed(const Header& h, Bytes pixels, std::size_t stride, const std::vector<std::uint8_t>& palette,
                 QImage& image) {
    const std::size_t colours = palette.size() / 3;
    const int bpp = static_cast<int>(h.bitCount);
    const std::uint32_t mask = (1u << bpp) - 1;
    const int width = image.width(), height = image.height();
    for (int row = 0; row < height; ++row) {
        Bytes src = pixels + stride * static_cast<std::size_t>(row);
        std::uint8_t* out = image.scanLine(h.topDown ? row : height - 1 - row);
        for (int x = 0; x < width; ++x, out += 3) {
            const int bit = x * bpp;
            const std::uint32_t index = (src[bit >> 3] >> (8 - bpp - (bit & 7))) & mask;
            checkIndex(index, colours);
            std::memcpy(out, &palette[3 * index], 3);
        }
    }
}

void readDirect(const Header& h, Bytes pixels, std::size_t stride, QImage& image) {
    const int width = image.width(), height = image.height();
    const bool plain32 =
        h.bitCount == 32 && h.masks[0] == 0xFF0000 && h.masks[1] == 0xFF00 && h.masks[2] == 0xFF;
    if (h.bitCount == 24 || plain32) {
        const std::size_t step = h.bitCount / 8;
        for (int row = 0; row < height; ++row) {
            Bytes src = pixels + stride * static_cast<std::size_t>(row);
            std::uint8_t* out = image.scanLine(h.topDown ? row : height - 1 - row);
            if (step == 3) {
                std::memcpy(out, src, 3 * static_cast<std::size_t>(width));
            } else {
                for (int x = 0; x < width; ++x, src += 4, out += 3) std::memcpy(out, src, 3);
            }
        }
        return;
    }
    const Channel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]);
    const bool wide = h.bitCount == 32;
    for (int row = 0; row < height; ++row) {
        Bytes src = pixels + stride * static_cast<std::size_t>(row);
        std::uint8_t* out = image.scanLine(h.topDown ? row : height - 1 - row);
        for (int x = 0; x < width; ++x, out += 3) {
            const std::uint32_t v = wide ? u32(src + 4 * x) : u16(src + 2 * x);
            out[0] = blue(v);
            out[1] = green(v);
            out[2] = red(v);
        }
    }
}

// Run-length data: every run, literal and delta must stay inside the picture. Pixels the data
// skips keep palette colour 0.
void readRle(const Header& h, Bytes data, std::size_t size, const std::vector<std::uint8_t>& palette,
             QImage& image) {
    const std::size_t colours = palette.size() / 3;
    const bool four = h.compression == kRle4;
    const std::int64_t width = h.width, height = h.height;
    std::int64_t x = 0, row = 0;  // row counts from the bottom
    std::size_t p = h.pixelStart;
    auto put = [&](std::uint32_t index) {
        checkIndex(index, colours);
        std::memcpy(image.scanLine(static_cast<int>(height - 1 - row)) + 3 * x, &palette[3 * index], 3);
        ++x;
    };
    for (;;) {
        if (size - p < 2) {
            if (row >= height) return;  // the last row ended without an end-of-bitmap mark
            throw base::Error(messages::bmpTruncated());
        }
        const std::uint32_t first = data[p], second = data[p + 1];
        p += 2;
        if (first > 0) {
            if (row >= height || x + first > width) throw base::Error(messages::bmpRleOutside());
            for (std::uint32_t i = 0; i < first; ++i)
                put(four ? (i % 2 ? second & 15 : second >> 4) : second);
        } else if (second == 0) {
            x = 0;
            ++row;
        } else if (second == 1) {
            return;
        } else if (second == 2) {
            if (size - p < 2) throw base::Error(messages::bmpTruncated());
            x += data[p];
            row += data[p + 1];
            p += 2;
            if (row >= height || x > width) throw base::Error(messages::bmpRleOutside());
        } else {
            const std::size_t bytes = four ? (second + 1) / 2 : second;
            const std::size_t padded = (bytes + 1) & ~std::size_t{1};
            if (size - p < padded) throw base::Error(messages::bmpTruncated());
            if (row >= height || x + second > width) throw base::Error(messages::bmpRleOutside());
            for (std::uint32_t i = 0; i < second; ++i) {
                const std::uint32_t byte = data[p + (four ? i / 2 : i)];
                put(four ? (i % 2 ? byte & 15 : byte >> 4) : byte);
            }
            p += padded;
        }
    }
}

}  // namespace

QImage decodeBmp(const QByteArray& bytes) {
    Bytes data = reinterpret_cast<Bytes>(bytes.constData());
    const std::size_t size = static_cast<std::size_t>(bytes.size());
    const Header h = parseHeader(data, size);
    std::vector<std::uint8_t> palette;
    if (h.bitCount <= 8) palette = readPalette(h, data, size);

    if (h.compression == kRle8 || h.compression == kRle4) {
        const base::Colour first = palette.empty() ? 0 : base::fromBgr(palette.data());
        QImage image = base::makeBgr(static_cast<int>(h.width), static_cast<int>(h.height), first);
        readRle(h, data, size, palette, image);
        return image;
    }

    // The header's own size fields are ignored: the real length decides what is there.
    const std::size_t stride = ((static_cast<std::size_t>(h.width) * h.bitCount + 31) / 32) * 4;
    const std::size_t lastRow = (static_cast<std::size_t>(h.width) * h.bitCount + 7) / 8;
    const std::size_t needed = stride * static_cast<std::size_t>(h.height - 1) + lastRow;
    if (size - h.pixelStart < needed) throw base::Error(messages::bmpTruncated());
    QImage image = base::allocateBgr(static_cast<int>(h.width), static_cast<int>(h.height));
    if (h.bitCount <= 8)
        readIndexed(h, data + h.pixelStart, stride, palette, image);
    else
        readDirect(h, data + h.pixelStart, stride, image);
    return image;
}

}  // namespace codecs::detail
