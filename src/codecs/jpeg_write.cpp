#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <utility>

#include <jpeglib.h>

#include <jerror.h>  // after jpeglib.h: its message list depends on jconfig.h

#include "base/error.h"
#include "codecs/jpeg.h"
#include "codecs/jpeg_errors.h"
#include "codecs/messages.h"

namespace codecs::detail {
namespace {

// The file goes into a block of the picture allocator. Its pages cost only once touched, so the
// block starts at a byte a pixel, more than a photograph takes at quality 100, and seldom grows.
struct BlockDestination {
    jpeg_destination_mgr pub{};
    Encoded* out = nullptr;
};

// Doubles the block, keeping what is written; false when there is no memory for it.
bool grow(Encoded& out) noexcept {
    try {
        base::Block bigger(2 * out.block.size());
        std::memcpy(bigger.data(), out.block.data(), out.block.size());
        out.block = std::move(bigger);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void startDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<BlockDestination*>(cinfo->dest);
    dest->pub.next_output_byte = dest->out->block.data();
    dest->pub.free_in_buffer = dest->out->block.size();
}

// Called when the block is full.
boolean growDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<BlockDestination*>(cinfo->dest);
    const std::size_t used = dest->out->block.size();
    if (!grow(*dest->out)) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
    dest->pub.next_output_byte = dest->out->block.data() + used;
    dest->pub.free_in_buffer = dest->out->block.size() - used;
    return TRUE;
}

void endDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<BlockDestination*>(cinfo->dest);
    dest->out->size = dest->out->block.size() - dest->pub.free_in_buffer;
}

struct JpegWriter : JpegPass<jpeg_compress_struct> {
    BlockDestination destination;
    Encoded out;
};

// No C++ object with a destructor lives in these frames: libjpeg's error exit longjmps here.
bool start(JpegWriter& writer, int width, int height, int quality) {
    writer.info.err = useJpegErrors(writer.errors);
    if (setjmp(writer.errors.jump)) return false;
    jpeg_create_compress(&writer.info);
    writer.created = true;
    writer.destination.pub.init_destination = startDestination;
    writer.destination.pub.empty_output_buffer = growDestination;
    writer.destination.pub.term_destination = endDestination;
    writer.destination.out = &writer.out;
    writer.info.dest = &writer.destination.pub;
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
    return true;
}

bool compressRows(JpegWriter& writer, const std::uint8_t* first, qsizetype stride, int count) {
    if (setjmp(writer.errors.jump)) return false;
    for (int i = 0; i < count; ++i) {
        JSAMPROW row = const_cast<JSAMPROW>(first + stride * i);
        jpeg_write_scanlines(&writer.info, &row, 1);
    }
    return true;
}

bool end(JpegWriter& writer) {
    if (setjmp(writer.errors.jump)) return false;
    jpeg_finish_compress(&writer.info);
    return true;
}

class JpegRowWriter : public RowWriter {
public:
    JpegRowWriter(QSize size, int quality) : size_(size) {
        // The file goes into a block of a byte a pixel, more than a photograph takes at quality 100.
        writer_.out.block = base::Block(static_cast<std::size_t>(size.width()) * size.height() + 64 * 1024);
        if (!start(writer_, size.width(), size.height(), quality)) fail();
    }

    void write(const std::uint8_t* rows, qsizetype stride, int, int count) override {
        if (!compressRows(writer_, rows, stride, count)) fail();
    }

    void drain(const std::function<void(const std::uint8_t*, std::size_t)>& out) override {
        jpeg_destination_mgr& dest = writer_.destination.pub;
        std::uint8_t* start = writer_.out.block.data();
        const std::size_t used = static_cast<std::size_t>(dest.next_output_byte - start);
        if (used == 0) return;
        out(start, used);
        // The block is used again from its start: only the pages one band's bytes take stay.
        dest.next_output_byte = start;
        dest.free_in_buffer = writer_.out.block.size();
    }

    Encoded finish() override {
        if (!end(writer_)) fail();
        return std::move(writer_.out);
    }

private:
    [[noreturn]] void fail() const {
        const QString reason = QString::fromLocal8Bit(writer_.errors.message);
        if (writer_.errors.pub.msg_code == JERR_IMAGE_TOO_BIG)
            throw base::Error(
                messages::jpegTooLargeToWrite(size_.width(), size_.height(), JPEG_MAX_DIMENSION, reason));
        throw base::Error(messages::jpegNotWritten(reason));
    }

    QSize size_;
    JpegWriter writer_;
};

}  // namespace

std::unique_ptr<RowWriter> jpegRowWriter(QSize size, int quality) {
    return std::make_unique<JpegRowWriter>(size, quality);
}

Encoded encodeJpeg(const QImage& bgr, int quality) {
    JpegRowWriter writer(bgr.size(), quality);
    writer.write(bgr.constScanLine(0), bgr.bytesPerLine(), 0, bgr.height());
    return writer.finish();
}

}  // namespace codecs::detail
