#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include <gif_lib.h>

#include "base/error.h"
#include "base/image.h"
#include "codecs/gif.h"
#include "codecs/messages.h"

namespace codecs::detail {
namespace {

struct MemoryInput {
    const GifByteType* data;
    std::size_t size;
    std::size_t position;
};

int readInput(GifFileType* gif, GifByteType* out, int wanted) {
    auto* in = static_cast<MemoryInput*>(gif->UserData);
    const std::size_t n = std::min(static_cast<std::size_t>(std::max(wanted, 0)), in->size - in->position);
    std::memcpy(out, in->data + in->position, n);
    in->position += n;
    return static_cast<int>(n);
}

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using GifHandle = std::unique_ptr<GifFileType, GifCloser>;

[[noreturn]] void failWith(int error) {
    const char* text = GifErrorString(error);
    throw base::Error(messages::gifError(error, text ? QString::fromLocal8Bit(text) : QString()));
}

void check(GifFileType* gif, int result) {
    if (result == GIF_ERROR) failWith(gif->Error);
}

// The frame's table, else the screen's; a file with neither is shown as a grey ramp.
struct Table {
    std::array<std::uint8_t, 3 * 256> bgr{};
    int size = 0;
};

Table tableOf(const ColorMapObject* map) {
    Table table;
    if (!map) {
        table.size = 256;
        for (int i = 0; i < 256; ++i) std::fill_n(table.bgr.begin() + 3 * i, 3, static_cast<std::uint8_t>(i));
        return table;
    }
    table.size = std::clamp(map->ColorCount, 0, 256);
    for (int i = 0; i < table.size; ++i) {
        table.bgr[3 * i] = map->Colors[i].Blue;
        table.bgr[3 * i + 1] = map->Colors[i].Green;
        table.bgr[3 * i + 2] = map->Colors[i].Red;
    }
    return table;
}

// The LZW minimum code size of the image whose descriptor starts at `at` (after its ','), or -1
// when the file ends before it. giflib reads it at the end of DGifGetImageDesc and refuses
// anything over 8 with a bare read error, so it is looked at first.
int lzwCodeSize(const MemoryInput& in, std::size_t at) {
    if (at + 9 > in.size) return -1;
    const std::uint8_t flags = in.data[at + 8];
    const std::size_t table = (flags & 0x80) ? std::size_t{3} << ((flags & 7) + 1) : 0;
    const std::size_t codeSize = at + 9 + table;
    return codeSize < in.size ? in.data[codeSize] : -1;
}

}  // namespace

QImage decodeGif(const QByteArray& data) {
    MemoryInput input{reinterpret_cast<const GifByteType*>(data.constData()),
                      static_cast<std::size_t>(data.size()), 0};
    int error = 0;
    GifHandle gif(DGifOpen(&input, readInput, &error));
    if (!gif) failWith(error);

    // Up to the first image: only the graphic control block before it matters (transparency).
    int transparent = NO_TRANSPARENT_COLOR;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        check(gif.get(), DGifGetRecordType(gif.get(), &type));
        if (type == IMAGE_DESC_RECORD_TYPE) break;
        if (type == TERMINATE_RECORD_TYPE) throw base::Error(messages::gifNoFrame());
        if (type != EXTENSION_RECORD_TYPE) continue;
        int code = 0;
        GifByteType* block = nullptr;
        check(gif.get(), DGifGetExtension(gif.get(), &code, &block));
        if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
            GraphicsControlBlock control{};
            if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK)
                transparent = control.TransparentColor;
        }
        while (block) check(gif.get(), DGifGetExtensionNext(gif.get(), &block));
    }
    // Sizes 9 to 11 still fit LZW's 12-bit codes and some writers use them, but giflib decodes
    // only the sizes GIF defines (2 to 8): such a file gets its own message.
    if (const int bits = lzwCodeSize(input, input.position); bits > 8)
        throw base::Error(messages::gifLzwCodeSize(bits));
    check(gif.get(), DGifGetImageDesc(gif.get()));

    const GifImageDesc& frame = gif->Image;
    const int left = frame.Left, top = frame.Top, frameWidth = frame.Width, frameHeight = frame.Height;
    if (frameWidth <= 0 || frameHeight <= 0) throw base::Error(messages::gifNoFrame());
    // Even where the screen clips it, every row of the frame is decoded: it too keeps to the budget.
    base::checkSize(frameWidth, frameHeight);
    // A screen that claims no size is taken to be just large enough for the first frame.
    const std::int64_t screenWidth = gif->SWidth > 0 ? gif->SWidth : std::int64_t{left} + frameWidth;
    const std::int64_t screenHeight = gif->SHeight > 0 ? gif->SHeight : std::int64_t{top} + frameHeight;
    base::checkSize(screenWidth, screenHeight);
    const int width = static_cast<int>(screenWidth), height = static_cast<int>(screenHeight);

    base::Colour background = 0;
    if (const ColorMapObject* screenMap = gif->SColorMap;
        screenMap && gif->SBackGroundColor >= 0 && gif->SBackGroundColor < screenMap->ColorCount) {
        const GifColorType& c = screenMap->Colors[gif->SBackGroundColor];
        background = base::rgb(c.Red, c.Green, c.Blue);
    }
    const Table table = tableOf(frame.ColorMap ? frame.ColorMap : gif->SColorMap);
    QImage image = base::makeBgr(width, height, background);

    std::vector<GifPixelType> line(static_cast<std::size_t>(frameWidth));
    const int visibleFrom = std::clamp(-left, 0, frameWidth);
    const int visibleTo = std::clamp(width - left, 0, frameWidth);
    // Interlaced frames arrive in four passes: rows 0, 8, 16, ...; 4, 12, ...; 2, 6, ...; 1, 3, ...
    static constexpr int kStart[] = {0, 4, 2, 1};
    static constexpr int kStep[] = {8, 8, 4, 2};
    const int passes = frame.Interlace ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        const int start = frame.Interlace ? kStart[pass] : 0, step = frame.Interlace ? kStep[pass] : 1;
        for (int row = start; row < frameHeight; row += step) {
            check(gif.get(), DGifGetLine(gif.get(), line.data(), frameWidth));
            for (int x = 0; x < frameWidth; ++x)
                if (line[x] >= table.size && line[x] != transparent)
                    throw base::Error(messages::gifIndexOutsideTable(line[x], table.size));
            const int y = top + row;
            if (y >= height || visibleFrom >= visibleTo) continue;
            std::uint8_t* out = image.scanLine(y) + 3 * (left + visibleFrom);
            for (int x = visibleFrom; x < visibleTo; ++x, out += 3) {
                const int index = line[x];
                if (index == transparent) continue;
                const std::uint8_t* c = table.bgr.data() + 3 * index;
                out[0] = c[0];
                out[1] = c[1];
                out[2] = c[2];
            }
        }
    }
    return image;
}

}  // namespace codecs::detail
