#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include <gif_lib.h>

#include "base/error.h"
#include "codecs/gif.h"
#include "codecs/messages.h"
#include "codecs/palette.h"
#include "codecs/sink.h"

namespace codecs::detail {
namespace {

int writeOutput(GifFileType* gif, const GifByteType* bytes, int n) {
    auto* sink = static_cast<ByteSink*>(gif->UserData);
    return n > 0 && sink->append(bytes, static_cast<std::size_t>(n)) ? n : 0;
}

struct MapFree {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

// giflib frees the file on close, also when closing fails; the handle only closes what is still open.
struct GifEncoder {
    GifFileType* gif = nullptr;
    GifEncoder() = default;
    GifEncoder(const GifEncoder&) = delete;
    GifEncoder& operator=(const GifEncoder&) = delete;
    ~GifEncoder() {
        if (gif) {
            int error = 0;
            EGifCloseFile(gif, &error);
        }
    }
    int close() {
        int error = 0;
        const int result = EGifCloseFile(gif, &error);
        gif = nullptr;
        return result == GIF_OK ? 0 : error;
    }
};

[[noreturn]] void failWith(int error) {
    const char* text = GifErrorString(error);
    throw base::Error(text ? QString::fromLocal8Bit(text) : QStringLiteral("GIF error %1").arg(error));
}

}  // namespace

QByteArray encodeGif(const QImage& indexed) {
    const int needed = paletteEntriesNeeded(indexed);
    if (needed == 0) throw base::Error(messages::emptyPalette());
    int entries = 2;  // GIF tables hold a power of two colours
    while (entries < needed) entries *= 2;
    const QList<QRgb> table = paddedPalette(indexed, entries);
    std::vector<GifColorType> colours;
    colours.reserve(table.size());
    for (QRgb c : table)
        colours.push_back(GifColorType{static_cast<GifByteType>(qRed(c)), static_cast<GifByteType>(qGreen(c)),
                                       static_cast<GifByteType>(qBlue(c))});
    std::unique_ptr<ColorMapObject, MapFree> map(GifMakeMapObject(entries, colours.data()));
    if (!map) throw base::Error(messages::outOfMemory());

    ByteSink sink;
    GifEncoder encoder;
    int error = 0;
    encoder.gif = EGifOpen(&sink, writeOutput, &error);
    if (!encoder.gif) failWith(error);
    GifFileType* gif = encoder.gif;
    const int width = indexed.width(), height = indexed.height();
    if (EGifPutScreenDesc(gif, width, height, 8, 0, map.get()) == GIF_ERROR) failWith(gif->Error);
    if (EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_ERROR) failWith(gif->Error);
    // giflib masks the line it is given in place, so it gets a copy, not the picture's memory.
    std::vector<GifPixelType> line(static_cast<std::size_t>(width));
    for (int y = 0; y < height; ++y) {
        std::memcpy(line.data(), indexed.constScanLine(y), line.size());
        if (EGifPutLine(gif, line.data(), width) == GIF_ERROR) failWith(gif->Error);
    }
    if (const int closeError = encoder.close()) failWith(closeError);
    return sink.toByteArray();
}

}  // namespace codecs::detail
