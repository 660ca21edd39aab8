#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "base/error.h"
#include "codecs/gif.h"
#include "codecs/messages.h"
#include "codecs/palette.h"
#include "codecs/sink.h"

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
std::vector<std::uint8_t> lzwCodes(const QImage& indexed, int bits) {
    const int codeSize = std::max(2, bits);
    const int clearCode = 1 << codeSize, eofCode = clearCode + 1;
    constexpr int kLastCode = 4095;
    constexpr std::uint32_t kFree = 0xFFFFFFFFu;
    constexpr std::uint32_t kSlotMask = 16383;
    const auto mask = static_cast<std::uint32_t>((1 << bits) - 1);
    const int w = indexed.width(), h = indexed.height();

    std::vector<std::uint32_t> slots(kSlotMask + 1, kFree);
    // Codes go out least significant bit first; each step stores eight bytes and keeps what
    // is whole, so `out` keeps eight bytes of room past the end.
    std::vector<std::uint8_t> out;
    std::size_t used = 0;
    std::uint64_t pending = 0;
    unsigned count = 0;
    const auto emit = [&](std::uint32_t code, unsigned width) {
        pending |= static_cast<std::uint64_t>(code) << count;
        count += width;
        std::memcpy(out.data() + used, &pending, 8);
        const unsigned whole = count >> 3;
        used += whole;
        pending >>= 8 * whole;
        count &= 7;
    };
    // A row writes at most two codes a pixel (one of them a clear code), 24 bits.
    const auto room = [&](std::size_t pixels) {
        if (out.size() < used + 3 * pixels + 64) out.resize(std::max(2 * out.size(), used + 3 * pixels + 64));
    };

    unsigned width = static_cast<unsigned>(codeSize) + 1;
    int limit = 1 << width, nextCode = eofCode + 1;
    room(1);
    emit(static_cast<std::uint32_t>(clearCode), width);
    std::uint32_t current = indexed.constScanLine(0)[0] & mask;
    for (int y = 0; y < h; ++y) {
        room(static_cast<std::size_t>(w));
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
    room(1);
    emit(current, width);
    if (nextCode >= limit) limit = 1 << ++width;
    emit(static_cast<std::uint32_t>(eofCode), width);
    if (count > 0) out[used++] = static_cast<std::uint8_t>(pending);
    out.resize(used);
    return out;
}

void putWord(ByteSink& sink, bool& ok, int v) {
    const std::uint8_t b[2] = {static_cast<std::uint8_t>(v & 0xFF), static_cast<std::uint8_t>(v >> 8 & 0xFF)};
    ok = ok && sink.append(b, 2);
}

}  // namespace

QByteArray encodeGif(const QImage& indexed) {
    const int needed = paletteEntriesNeeded(indexed);
    if (needed == 0) throw base::Error(messages::emptyPalette());
    int entries = 2;  // GIF tables hold a power of two colours
    while (entries < needed) entries *= 2;
    const QList<QRgb> table = paddedPalette(indexed, entries);
    int bits = 1;
    while ((1 << bits) < entries) ++bits;

    // GIF87a: a screen the size of the picture with the global table, one image over all of it.
    ByteSink sink;
    bool ok = sink.append("GIF87a", 6);
    putWord(sink, ok, indexed.width());
    putWord(sink, ok, indexed.height());
    const std::uint8_t screen[3] = {static_cast<std::uint8_t>(0x80 | 7 << 4 | (bits - 1)), 0, 0};
    ok = ok && sink.append(screen, 3);
    for (QRgb c : table) {
        const std::uint8_t rgb[3] = {static_cast<std::uint8_t>(qRed(c)), static_cast<std::uint8_t>(qGreen(c)),
                                     static_cast<std::uint8_t>(qBlue(c))};
        ok = ok && sink.append(rgb, 3);
    }
    ok = ok && sink.append(",", 1);
    putWord(sink, ok, 0);
    putWord(sink, ok, 0);
    putWord(sink, ok, indexed.width());
    putWord(sink, ok, indexed.height());
    const std::uint8_t image[2] = {0, static_cast<std::uint8_t>(std::max(2, bits))};  // flags, code size
    ok = ok && sink.append(image, 2);
    // The codes in sub-blocks of 255 bytes, the last one shorter, then an empty one.
    std::vector<std::uint8_t> codes;
    try {
        codes = lzwCodes(indexed, bits);
    } catch (const std::bad_alloc&) {
        throw base::Error(messages::outOfMemory());
    }
    for (std::size_t at = 0; at < codes.size(); at += 255) {
        const auto n = static_cast<std::uint8_t>(std::min<std::size_t>(255, codes.size() - at));
        ok = ok && sink.append(&n, 1) && sink.append(codes.data() + at, n);
    }
    ok = ok && sink.append("\0;", 2);
    if (!ok) throw base::Error(messages::outOfMemory());
    return sink.toByteArray();
}

}  // namespace codecs::detail
