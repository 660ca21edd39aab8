#include <cstdint>
#include <cstring>
#include <vector>

#include <png.h>

#include "base/error.h"
#include "codecs/messages.h"
#include "codecs/palette.h"
#include "codecs/png.h"
#include "codecs/sink.h"

namespace codecs::detail {
namespace {

struct PngWriter {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ByteSink out;
    char message[256] = {};

    PngWriter() = default;
    PngWriter(const PngWriter&) = delete;
    PngWriter& operator=(const PngWriter&) = delete;
    ~PngWriter() {
        if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
    }
};

void onError(png_structp png, png_const_charp text) {
    auto* writer = static_cast<PngWriter*>(png_get_error_ptr(png));
    std::strncpy(writer->message, text ? text : "", sizeof writer->message - 1);
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

void onWrite(png_structp png, png_bytep bytes, std::size_t n) {
    auto* writer = static_cast<PngWriter*>(png_get_io_ptr(png));
    if (!writer->out.append(bytes, n)) png_error(png, "out of memory");
}

void onFlush(png_structp) {}

struct PngSource {
    const std::uint8_t* first;
    qsizetype stride;
    png_uint_32 width;
    png_uint_32 height;
    const png_color* palette;  // null for 24-bit
    int paletteSize;
};

// No C++ object with a destructor lives in this frame: libpng's errors longjmp here.
bool compress(PngWriter& writer, const PngSource& source) {
    if (setjmp(png_jmpbuf(writer.png))) return false;
    png_structp png = writer.png;
    png_set_write_fn(png, &writer, onWrite, onFlush);
    png_set_IHDR(png, writer.info, source.width, source.height, 8,
                 source.palette ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (source.palette) png_set_PLTE(png, writer.info, source.palette, source.paletteSize);
    png_write_info(png, writer.info);
    if (!source.palette) png_set_bgr(png);
    for (png_uint_32 y = 0; y < source.height; ++y)
        png_write_row(png, source.first + source.stride * static_cast<qsizetype>(y));
    png_write_end(png, writer.info);
    return true;
}

}  // namespace

QByteArray encodePng(const QImage& image) {
    const bool indexed = image.format() == QImage::Format_Indexed8;
    std::vector<png_color> palette;
    if (indexed) {
        const QList<QRgb> table = paddedPalette(image, paletteEntriesNeeded(image));
        if (table.isEmpty()) throw base::Error(messages::emptyPalette());
        for (QRgb c : table)
            palette.push_back(png_color{static_cast<png_byte>(qRed(c)), static_cast<png_byte>(qGreen(c)),
                                        static_cast<png_byte>(qBlue(c))});
    }
    PngWriter writer;
    writer.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &writer, onError, onWarning);
    if (writer.png) writer.info = png_create_info_struct(writer.png);
    if (!writer.png || !writer.info) throw base::Error(messages::outOfMemory());
    const PngSource source{image.constScanLine(0),
                           image.bytesPerLine(),
                           static_cast<png_uint_32>(image.width()),
                           static_cast<png_uint_32>(image.height()),
                           indexed ? palette.data() : nullptr,
                           static_cast<int>(palette.size())};
    if (!compress(writer, source)) throw base::Error(QString::fromLocal8Bit(writer.message));
    return writer.out.toByteArray();
}

}  // namespace codecs::detail
