#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include <jerror.h>  // after jpeglib.h: its message list depends on jconfig.h

#include "base/error.h"
#include "codecs/jpeg.h"
#include "codecs/messages.h"

namespace codecs::detail {
namespace {

struct JpegErrors {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void onError(j_common_ptr cinfo) {
    auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, errors->message);
    std::longjmp(errors->jump, 1);
}

void onMessage(j_common_ptr, int) {}

struct JpegWriter {
    jpeg_compress_struct info{};
    JpegErrors errors{};
    unsigned char* buffer = nullptr;  // malloc'd by jpeg_mem_dest
    unsigned long size = 0;
    bool created = false;

    JpegWriter() = default;
    JpegWriter(const JpegWriter&) = delete;
    JpegWriter& operator=(const JpegWriter&) = delete;
    ~JpegWriter() {
        if (created) jpeg_destroy_compress(&info);
        std::free(buffer);
    }
};

// No C++ object with a destructor lives in this frame: libjpeg's error exit longjmps here.
bool compress(JpegWriter& writer, const std::uint8_t* first, qsizetype stride, int width, int height,
              int quality) {
    writer.info.err = jpeg_std_error(&writer.errors.pub);
    writer.errors.pub.error_exit = onError;
    writer.errors.pub.emit_message = onMessage;
    if (setjmp(writer.errors.jump)) return false;
    jpeg_create_compress(&writer.info);
    writer.created = true;
    jpeg_mem_dest(&writer.info, &writer.buffer, &writer.size);
    jpeg_compress_struct& info = writer.info;
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    // The library reads the blue-green-red rows as RGB itself; the file is the same as from RGB rows.
    info.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&info);
    info.dct_method = JDCT_FLOAT;
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(first + stride * static_cast<qsizetype>(info.next_scanline));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    return true;
}

}  // namespace

QByteArray encodeJpeg(const QImage& bgr, int quality) {
    JpegWriter writer;
    if (!compress(writer, bgr.constScanLine(0), bgr.bytesPerLine(), bgr.width(), bgr.height(), quality)) {
        const QString reason = QString::fromLocal8Bit(writer.errors.message);
        if (writer.errors.pub.msg_code == JERR_IMAGE_TOO_BIG)
            throw base::Error(
                messages::jpegTooLargeToWrite(bgr.width(), bgr.height(), JPEG_MAX_DIMENSION, reason));
        throw base::Error(messages::jpegNotWritten(reason));
    }
    return QByteArray(reinterpret_cast<const char*>(writer.buffer), static_cast<qsizetype>(writer.size));
}

}  // namespace codecs::detail
