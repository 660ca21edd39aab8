#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <jpeglib.h>

#include <jerror.h>  // after jpeglib.h: its message list depends on jconfig.h

#include "base/error.h"
#include "base/image.h"
#include "codecs/jpeg.h"
#include "codecs/jpeg_errors.h"
#include "codecs/messages.h"
#include "codecs/pixels.h"

namespace codecs::detail {
namespace {

// What the library's callbacks leave behind for the C++ side to turn into an error.
struct ReadErrors {
    JpegErrors common;  // first: cinfo->err points at it
    char warning[JMSG_LENGTH_MAX];
    int damageCode;  // the warning that means the pixels are not all there (decoding stops), or 0
    bool tooManyScans;
    bool tooMuchWork;
    // Arithmetic coding: the first output row made wholly after the data met a marker, or -1.
    long arithmeticEndRow;
};

struct JpegProgress {
    jpeg_progress_mgr pub;
    ReadErrors* errors;
};

// A warning of these kinds means libjpeg went on with made-up (grey) data.
bool meansDamage(int code) {
    return code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER || code == JWRN_HUFF_BAD_CODE ||
           code == JWRN_ARITH_BAD_CODE || code == JWRN_MUST_RESYNC;
}

// Bytes the decoder did not use before a marker: in an arithmetic-coded scan the data did not
// decode as the frame says (Huffman-coded data under an arithmetic frame, for one).
bool meansDamage(j_common_ptr cinfo, int code) {
    if (meansDamage(code)) return true;
    return code == JWRN_EXTRANEOUS_DATA && cinfo->is_decompressor &&
           reinterpret_cast<j_decompress_ptr>(cinfo)->arith_code;
}

// Such a file is refused anyway, so decoding stops at the first damage warning: a few hundred bytes
// claiming a large picture would otherwise have libjpeg make up every row of it first.
void onMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;  // trace output
    auto* errors = reinterpret_cast<ReadErrors*>(cinfo->err);
    ++cinfo->err->num_warnings;
    if (meansDamage(cinfo, cinfo->err->msg_code)) {
        errors->damageCode = cinfo->err->msg_code;
        (*cinfo->err->format_message)(cinfo, errors->warning);
        std::longjmp(errors->common.jump, 1);
    }
}

void onProgress(j_common_ptr cinfo) {
    if (!cinfo->is_decompressor) return;
    auto* progress = reinterpret_cast<JpegProgress*>(cinfo->progress);
    const auto* info = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (info->input_scan_number > kMaxJpegScans) {
        progress->errors->tooManyScans = true;
        std::longjmp(progress->errors->common.jump, 1);
    }
    const long long pixels = static_cast<long long>(info->image_width) * info->image_height;
    if (info->input_scan_number * pixels > kMaxJpegScanPixels) {
        progress->errors->tooMuchWork = true;
        std::longjmp(progress->errors->common.jump, 1);
    }
}

// Arithmetic-coded data carries no sign of where it ends: met early, a marker makes the decoder
// go on with zero bits, which is also how a picture ending in a plain area was written. So the
// row from which every row is made wholly from that point on is noted here (the iMCU row after
// the one that met it, one more for the upsampling's context) and the rows are judged after.
void noteArithmeticEnd(j_decompress_ptr info, ReadErrors& errors) {
    if (errors.arithmeticEndRow >= 0 || !info->arith_code || info->progressive_mode ||
        info->unread_marker == 0)
        return;
    if (info->input_iMCU_row + 1 >= info->total_iMCU_rows) return;  // the data's natural end
    const long rowsPerIMcu = static_cast<long>(info->max_v_samp_factor) * DCTSIZE;
    errors.arithmeticEndRow = (static_cast<long>(info->input_iMCU_row) + 1) * rowsPerIMcu;
}

struct JpegReader : JpegPass<jpeg_decompress_struct, ReadErrors> {
    JpegProgress progress{};
};

// The setjmp functions below hold no C++ object with a destructor: a longjmp out of libjpeg
// lands here and returns false with the reason in reader.errors.

bool readHeader(JpegReader& reader, const unsigned char* data, unsigned long size) {
    reader.info.err = useJpegErrors(reader.errors.common);
    reader.errors.common.pub.emit_message = onMessage;
    if (setjmp(reader.errors.common.jump)) return false;
    jpeg_create_decompress(&reader.info);
    reader.created = true;
    reader.progress.pub.progress_monitor = onProgress;
    reader.progress.errors = &reader.errors;
    reader.info.progress = &reader.progress.pub;
    jpeg_mem_src(&reader.info, data, size);
    jpeg_read_header(&reader.info, TRUE);
    return true;
}

// CMYK as Adobe writes it is stored inverted (255 = no ink); plain CMYK is not.
void cmykToBgr(const std::uint8_t* cmyk, std::uint8_t* bgr, JDIMENSION width, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        bgr[0] = div255(y * k);
        bgr[1] = div255(m * k);
        bgr[2] = div255(c * k);
    }
}

// Starts the decoder on BGR888 output (CMYK for ink); checks that it gives the picture's size.
bool startPixels(JpegReader& reader, bool cmyk) {
    if (setjmp(reader.errors.common.jump)) return false;
    jpeg_decompress_struct& info = reader.info;
    jpeg_start_decompress(&info);
    if (info.output_components != (cmyk ? 4 : 3) || info.output_width != info.image_width ||
        info.output_height != info.image_height)
        ERREXIT(&info, JERR_CONVERSION_NOTIMPL);
    return true;
}

// Decodes the next `count` rows into rows of `stride` bytes from `first`; CMYK goes through
// `cmykRow` (4 × width bytes).
bool readRows(JpegReader& reader, std::uint8_t* first, qsizetype stride, int count, std::uint8_t* cmykRow) {
    if (setjmp(reader.errors.common.jump)) return false;
    jpeg_decompress_struct& info = reader.info;
    const bool inverted = info.saw_Adobe_marker;
    for (int i = 0; i < count; ++i) {
        std::uint8_t* target = first + stride * i;
        JSAMPROW row = cmykRow ? cmykRow : target;
        if (jpeg_read_scanlines(&info, &row, 1) != 1) ERREXIT(&info, JERR_INPUT_EMPTY);
        if (cmykRow) cmykToBgr(cmykRow, target, info.output_width, inverted);
        noteArithmeticEnd(&info, reader.errors);
    }
    return true;
}

bool finishPixels(JpegReader& reader) {
    if (setjmp(reader.errors.common.jump)) return false;
    jpeg_finish_decompress(&reader.info);
    return true;
}

[[noreturn]] void fail(const JpegReader& reader) {
    const ReadErrors& errors = reader.errors;
    if (errors.tooManyScans) throw base::Error(messages::jpegTooManyScans(kMaxJpegScans));
    if (errors.tooMuchWork)
        throw base::Error(messages::jpegTooMuchWork(reader.info.input_scan_number, reader.info.image_width,
                                                    reader.info.image_height));
    if (errors.damageCode == JWRN_JPEG_EOF)
        throw base::Error(messages::jpegTruncated(QString::fromLocal8Bit(errors.warning)));
    if (errors.damageCode != 0)
        throw base::Error(messages::jpegDamaged(QString::fromLocal8Bit(errors.warning)));
    const QString reason = QString::fromLocal8Bit(errors.common.message);
    switch (errors.common.pub.msg_code) {
        case JERR_NO_SOI:
            throw base::Error(messages::jpegNotJpeg(reason));
        case JERR_BAD_PRECISION:
            throw base::Error(messages::jpegPrecision(errors.common.pub.msg_parm.i[0], reason));
        case JERR_INPUT_EMPTY:
        case JERR_INPUT_EOF:
            throw base::Error(messages::jpegTruncated(reason));
        default:
            throw base::Error(messages::jpegUnreadable(reason));
    }
}

// Rows from `from` on, all of one colour: what zero bits after the data's end make of a plain area.
bool plainFrom(const QImage& image, long from) {
    if (from >= image.height()) return true;
    const std::uint8_t* first = image.constScanLine(static_cast<int>(from));
    const std::size_t rowBytes = std::size_t{3} * static_cast<std::size_t>(image.width());
    for (int y = static_cast<int>(from); y < image.height(); ++y) {
        const std::uint8_t* row = image.constScanLine(y);
        for (std::size_t x = 0; x < rowBytes; x += 3)
            if (row[x] != first[0] || row[x + 1] != first[1] || row[x + 2] != first[2]) return false;
    }
    return true;
}

// The scans a file holds, counted from its markers: entropy-coded data stuffs every 0xFF it holds
// with 0x00, so the only markers inside it are restarts, and other segments are skipped by their
// lengths (an Exif thumbnail's scans are not the picture's).
long long scansIn(const QByteArray& data) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(data.constData());
    const std::size_t n = static_cast<std::size_t>(data.size());
    long long scans = 0;
    std::size_t at = 2;  // after the start marker
    while (at + 1 < n) {
        const void* mark = std::memchr(p + at, 0xFF, n - at);
        if (!mark) break;
        at = static_cast<std::size_t>(static_cast<const std::uint8_t*>(mark) - p);
        if (at + 1 >= n) break;
        const std::uint8_t code = p[at + 1];
        if (code == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (code == 0x00 || code == 0x01 || (code >= 0xD0 && code <= 0xD8)) {  // no length
            at += 2;
            continue;
        }
        if (code == 0xD9 || at + 3 >= n) break;  // the end
        if (code == 0xDA) ++scans;
        at += 2 + ((std::size_t{p[at + 2]} << 8) | p[at + 3]);
    }
    return scans;
}

}  // namespace

struct JpegRows::Reader : JpegReader {};

JpegRows::JpegRows(const QByteArray& data) : reader_(std::make_unique<Reader>()) {
    JpegReader& reader = *reader_;
    if (!readHeader(reader, reinterpret_cast<const unsigned char*>(data.constData()),
                    static_cast<unsigned long>(data.size())))
        fail(reader);
    jpeg_decompress_struct& info = reader.info;
    if (info.data_precision != 8) throw base::Error(messages::jpegPrecision(info.data_precision));
    base::checkSize(info.image_width, info.image_height);
    // Each scan of a progressive file passes over the whole picture: the work its scans ask for
    // is judged before the first is decoded.
    if (info.progressive_mode) {
        const long long scans = scansIn(data);
        if (scans > kMaxJpegScans) throw base::Error(messages::jpegTooManyScans(kMaxJpegScans));
        if (scans * info.image_width * info.image_height > kMaxJpegScanPixels)
            throw base::Error(messages::jpegTooMuchWork(scans, info.image_width, info.image_height));
    }
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
    cmykRow_.resize(cmyk ? std::size_t{4} * info.image_width : 0);
    reader.errors.arithmeticEndRow = -1;
}

JpegRows::~JpegRows() = default;

QSize JpegRows::size() const {
    return QSize(static_cast<int>(reader_->info.image_width), static_cast<int>(reader_->info.image_height));
}

bool JpegRows::arithmetic() const {
    return reader_->info.arith_code;
}

int JpegRows::done() const {
    return static_cast<int>(reader_->info.output_scanline);
}

bool JpegRows::progressive() const {
    return reader_->info.progressive_mode;
}

void JpegRows::read(std::uint8_t* first, qsizetype stride, int count) {
    if (!started_) {
        if (!startPixels(*reader_, !cmykRow_.empty())) fail(*reader_);
        started_ = true;
    }
    if (!readRows(*reader_, first, stride, count, cmykRow_.empty() ? nullptr : cmykRow_.data()))
        fail(*reader_);
    if (done() == size().height() && !finishPixels(*reader_)) fail(*reader_);
}

long JpegRows::arithmeticEndRow() const {
    return reader_->errors.arithmeticEndRow;
}

QImage decodeJpeg(const QByteArray& data) {
    JpegRows rows(data);
    QImage image = base::allocateBgr(rows.size().width(), rows.size().height());
    rows.read(image.scanLine(0), image.bytesPerLine(), image.height());
    if (rows.arithmeticEndRow() >= 0 && !plainFrom(image, rows.arithmeticEndRow()))
        throw base::Error(messages::jpegArithmeticCut());
    return image;
}

}  // namespace codecs::detail
