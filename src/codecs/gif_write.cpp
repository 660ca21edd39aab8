#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "base/error.h"
#include "base/image.h"
#include "codecs/gif.h"
#include "codecs/messages.h"
#include "codecs/palette.h"

namespace codecs::detail {
namespace {

// The LZW code stream of the indexes, row after row, with choices every decoder accepts, always
// the same so that a picture always gives the same file: a clear code first; codes one bit wider once the
// next free code has reached the width's limit, counted after the code that was just written; and a clear
// code instead of a new string once code 4095 would be next. `bits` is the table's size as a power of two;
// indexes are masked to it.
//
// The string table is open addressing on (prefix code, index) with the code in the low 12 bits
// of an entry; at most 4093 strings live in 16384 slots, so a probe rarely goes past the first,
// and all-ones is free as no prefix code reaches 4095. Whether a string is known is a coin toss
// to the branch predictor, so the common step takes both outcomes without a branch: the code is
// written with no bits when the string is known, and the slot gets back its own entry.
struct Codes {
    base::Block block;
    std::size_t size = 0;
};

Codes lzwCodes(const QImage& indexed, int bits) {
    const int codeSize = std::max(2, bits);
    const int clearCode = 1 << codeSize, eofCode = clearCode + 1;
    constexpr int kLastCode = 4095;
    constexpr std::uint32_t kFree = 0xFFFFFFFFu;
    constexpr std::uint32_t kSlotMask = 16383;
    const auto mask = static_cast<std::uint32_t>((1 << bits) - 1);
    const int w = indexed.width(), h = indexed.height();

    std::vector<std::uint32_t> slots(kSlotMask + 1, kFree);
    // Codes go out least significant bit first; each step stores eight bytes and keeps what
    // is whole, so `out` keeps eight bytes of room past the end. A pixel writes at most one code
    // of at most 12 bits, and a clear code comes at most once in 4089 codes: two bytes a pixel
    // bound the stream, and the block's pages cost only as far as it is written.
    Codes codes;
    codes.block = base::Block(2 * static_cast<std::size_t>(w) * static_cast<std::size_t>(h) + 64);
    std::uint8_t* const out = codes.block.data();
    std::size_t used = 0;
    std::uint64_t pending = 0;
    unsigned count = 0;
    const auto emit = [&](std::uint32_t code, unsigned width) {
        pending |= static_cast<std::uint64_t>(code) << count;
        count += width;
        std::memcpy(out + used, &pending, 8);
        const unsigned whole = count >> 3;
        used += whole;
        pending >>= 8 * whole;
        count &= 7;
    };
    unsigned width = static_cast<unsigned>(codeSize) + 1;
    int limit = 1 << width, nextCode = eofCode + 1;
    emit(static_cast<std::uint32_t>(clearCode), width);
    std::uint32_t current = indexed.constScanLine(0)[0] & mask;
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* row = indexed.constScanLine(y);
        for (int x = y == 0 ? 1 : 0; x < w; ++x) {
            const std::uint32_t pixel = row[x] & mask;
            const std::uint32_t key = current << 8 | pixel;
            std::uint32_t slot = (key * 2654435761u) >> 18;
            std::uint32_t e = slots[slot];
            while (e != kFree && e >> 12 != key) {
                slot = (slot + 1) & kSlotMask;
                e = slots[slot];
            }
            const bool known = e != kFree;
            const std::uint32_t written = known ? 0u : ~0u;
            emit(current & written, width & written);
            if (!known && nextCode >= limit) limit = 1 << ++width;  // rare
            if (!known && nextCode >= kLastCode) {                  // rare
                current = pixel;
                emit(static_cast<std::uint32_t>(clearCode), width);
                width = static_cast<unsigned>(codeSize) + 1;
                limit = 1 << width;
                nextCode = eofCode + 1;
                std::fill(slots.begin(), slots.end(), kFree);
                continue;
            }
            slots[slot] = known ? e : key << 12 | static_cast<std::uint32_t>(nextCode);
            nextCode += known ? 0 : 1;
            current = known ? e & 0xFFF : pixel;
        }
    }
    emit(current, width);
    if (nextCode >= limit) limit = 1 << ++width;
    emit(static_cast<std::uint32_t>(eofCode), width);
    if (count > 0) out[used++] = static_cast<std::uint8_t>(pending);
    codes.size = used;
    return codes;
}

void putWord(std::uint8_t*& p, int v) {
    *p++ = static_cast<std::uint8_t>(v & 0xFF);
    *p++ = static_cast<std::uint8_t>(v >> 8 & 0xFF);
}

}  // namespace

Encoded encodeGif(const QImage& indexed) {
    const int needed = paletteEntriesNeeded(indexed);
    if (needed == 0) throw base::Error(messages::emptyPalette());
    int entries = 2;  // GIF tables hold a power of two colours
    while (entries < needed) entries *= 2;
    const QList<QRgb> table = paddedPalette(indexed, entries);
    int bits = 1;
    while ((1 << bits) < entries) ++bits;

    Codes codes;
    Encoded out;
    try {
        codes = lzwCodes(indexed, bits);
        // The header, the table, the image descriptor, the codes in sub-blocks of up to 255 bytes
        // each after its length, an empty one, the trailer.
        const std::size_t subBlocks = (codes.size + 254) / 255;
        out.size = 13 + 3 * static_cast<std::size_t>(table.size()) + 10 + 1 + subBlocks + codes.size + 2;
        out.block = base::Block(out.size);
    } catch (const std::bad_alloc&) {
        throw base::Error(messages::outOfMemory());
    }

    // GIF87a: a screen the size of the picture with the global table, one image over all of it.
    std::uint8_t* p = out.block.data();
    std::memcpy(p, "GIF87a", 6);
    p += 6;
    putWord(p, indexed.width());
    putWord(p, indexed.height());
    *p++ = static_cast<std::uint8_t>(0x80 | 7 << 4 | (bits - 1));
    *p++ = 0;
    *p++ = 0;
    for (QRgb c : table) {
        *p++ = static_cast<std::uint8_t>(qRed(c));
        *p++ = static_cast<std::uint8_t>(qGreen(c));
        *p++ = static_cast<std::uint8_t>(qBlue(c));
    }
    *p++ = ',';
    putWord(p, 0);
    putWord(p, 0);
    putWord(p, indexed.width());
    putWord(p, indexed.height());
    *p++ = 0;                                             // flags
    *p++ = static_cast<std::uint8_t>(std::max(2, bits));  // code size
    for (std::size_t at = 0; at < codes.size; at += 255) {
        const auto n = static_cast<std::uint8_t>(std::min<std::size_t>(255, codes.size - at));
        *p++ = n;
        std::memcpy(p, codes.block.data() + at, n);
        p += n;
    }
    *p++ = 0;
    *p++ = ';';
    return out;
}

}  // namespace codecs::detail
