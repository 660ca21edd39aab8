#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include <QImage>
#include <QSize>
#include <QString>

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

    // The bytes of the file made so far that no later band changes, handed to `out` and left out
    // of finish(), so that a large file goes to disk as it is made. The default hands none over.
    virtual void drain(const std::function<void(const std::uint8_t* bytes, std::size_t size)>& out) {
        (void)out;
    }

    // After the last band: the file, or what drain() has not handed over. Throws base::Error
    // with the bare reason.
    virtual detail::Encoded finish() = 0;
};

// A picture file decoded a band of rows at a time into a BGR888 picture of its full size, whose
// rows a command no longer reads can be let go: a command then holds the rows it works on, not
// the whole picture. The pixels are those readFile() gives. A baseline or progressive JPEG that
// is upright as stored is decoded as its rows are asked for; any other file is decoded whole
// when opened. Not for use from two threads at once.
class RowReader {
public:
    // Reads the file and its header; throws base::Error as readFile() does.
    static std::unique_ptr<RowReader> open(const QString& path, Format format);
    ~RowReader();
    RowReader(const RowReader&) = delete;
    RowReader& operator=(const RowReader&) = delete;

    QSize size() const { return picture_.size(); }
    // Rows [0, ready()) hold their pixels, apart from those let go.
    const QImage& picture() const { return picture_; }
    int ready() const { return ready_; }
    // Decodes until ready() is at least `rows` (at most the height). Throws base::Error naming
    // the file as readFile() does; the rows after a failure are not decoded.
    void readTo(int rows);
    // Rows [first, last) (of those decoded) will not be read again: their memory goes back.
    void release(int first, int last);

    struct Stream;  // the decoder of a file read as its rows are asked for

private:
    RowReader(QString path, QImage picture, std::unique_ptr<Stream> stream);
    QString path_;
    QImage picture_;
    std::unique_ptr<Stream> stream_;
    int ready_ = 0;
};

// A writer for a BGR888 picture of `size` in `format`, or null where the format's encoder needs
// the whole picture at once (GIF, WebP, BMP): the caller then encodes the whole picture.
std::unique_ptr<RowWriter> rowWriter(Format format, QSize size, const WriteOptions& options = {});

}  // namespace codecs
