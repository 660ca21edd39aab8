#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <QByteArray>
#include <QImage>
#include <QSize>

#include "codecs/encoded.h"
#include "codecs/rows.h"

// JPEG through libjpeg. Failures throw base::Error with the bare reason (libjpeg's own text kept).
namespace codecs::detail {

// Progressive files with more scans than this are refused: each scan re-reads the whole picture.
inline constexpr int kMaxJpegScans = 1000;
// Each scan of a progressive file passes over every coefficient of the picture, so the work grows
// with scans × pixels: a file is stopped when the scan about to start would take it past this
// (about two seconds of decoding). 32 scans of the largest picture the budget admits fit; the
// usual progressive files have about 10.
inline constexpr long long kMaxJpegScanPixels = 1LL << 32;

QImage decodeJpeg(const QByteArray& data);

// The same decoding a band of rows at a time. The header is read and judged (precision, budget,
// a progressive file's work) on construction, the decoding starts with the first row asked for;
// a progressive file is then wholly decoded into the library's own buffer. Every failure throws base::Error
// with the bare reason.
class JpegRows {
public:
    explicit JpegRows(const QByteArray& data);  // the bytes must outlive the reader
    ~JpegRows();
    JpegRows(const JpegRows&) = delete;
    JpegRows& operator=(const JpegRows&) = delete;

    QSize size() const;
    // Arithmetic-coded data: whether its end was cut short is judged over the rows after that end,
    // which a caller that lets rows go must see whole (arithmeticEndRow()).
    bool arithmetic() const;
    bool progressive() const;
    int done() const;  // rows decoded so far
    // The next `count` rows, BGR888, into rows `stride` bytes apart from `first`.
    void read(std::uint8_t* first, qsizetype stride, int count);
    // The first row made wholly after arithmetic-coded data met a marker, or -1.
    long arithmeticEndRow() const;

private:
    struct Reader;
    std::unique_ptr<Reader> reader_;
    std::vector<std::uint8_t> cmykRow_;
    bool started_ = false;
};

// A sequential colour JPEG from a BGR888 picture: the library's defaults, float DCT, quality with
// baseline tables. quality must already be within 1..100.
Encoded encodeJpeg(const QImage& bgr, int quality);

// The same file for a picture of `size` fed a band of rows at a time.
std::unique_ptr<RowWriter> jpegRowWriter(QSize size, int quality);

}  // namespace codecs::detail
