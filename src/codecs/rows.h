#pragma once

#include <cstdint>
#include <memory>

#include <QImage>
#include <QSize>

#include "codecs/codecs.h"
#include "codecs/encoded.h"

namespace codecs {

// An encoder fed a picture's rows top to bottom, a band at a time, so that a command can encode
// the rows it has made while it makes the next ones and let them go once written. The file's
// bytes are the same as encode() gives for the whole picture. Bands come from one thread at a
// time (not always the same one), in order, together covering every row exactly once.
class RowWriter {
public:
    virtual ~RowWriter() = default;

    // Rows [first, first + count) of the picture, the first at `rows`, each `stride` bytes after
    // the one before, in the picture's format (BGR888). Throws base::Error with the bare reason.
    virtual void write(const std::uint8_t* rows, qsizetype stride, int first, int count) = 0;

    // After the last band: the file. Throws base::Error with the bare reason.
    virtual detail::Encoded finish() = 0;
};

// A writer for a BGR888 picture of `size` in `format`, or null where the format's encoder needs
// the whole picture at once (GIF, WebP, BMP): the caller then encodes the whole picture.
std::unique_ptr<RowWriter> rowWriter(Format format, QSize size, const WriteOptions& options = {});

}  // namespace codecs
