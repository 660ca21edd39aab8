#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include <QImage>
#include <QSize>
#include <QString>

#include "codecs/codecs.h"
#include "codecs/rows.h"

namespace stream {

// What a command does between its readers and its writer, cut into bands of destination rows.
class Stages {
public:
    virtual ~Stages() = default;
    virtual QSize size() const = 0;
    // The rows [first, last) of input `input` that destination rows [top, bottom) read; empty
    // (first == last) when they read none.
    virtual std::pair<int, int> reads(std::size_t input, int top, int bottom) const = 0;
    // Writes destination rows [top, bottom), row `top` at `first` and rows `stride` bytes apart.
    virtual void run(std::uint8_t* first, qsizetype stride, int top, int bottom) const = 0;
};

// Rows a band holds for a destination of `size`: about a few MiB of rows, or what a
// ScopedBandRows asks for.
int bandRows(QSize size);

// Sets the rows of a band for as long as it lives (0: chosen by size); for tests, which compare
// one-row bands with a single band of the whole picture.
class ScopedBandRows {
public:
    explicit ScopedBandRows(int rows);
    ~ScopedBandRows();
    ScopedBandRows(const ScopedBandRows&) = delete;
    ScopedBandRows& operator=(const ScopedBandRows&) = delete;

private:
    int previous_;
};

// Where the bands go: `writer` encodes them, and the bytes it has made go to `file` as they come.
struct Output {
    codecs::RowWriter* writer = nullptr;
    codecs::FileSave* file = nullptr;
    QString path;  // for the messages of a failed encoding
};

// Runs `stages` band by band. Each input is decoded as far as the next bands read it, and its
// rows are let go once no later band reads them; after the last band every input is decoded to
// its end, so that a damaged file is refused whatever part of it shows. With more than one
// worker the inputs' decoding, the pass and the encoding run side by side, each a few bands
// ahead of the next at most. With an output, the bands go to it in order and are let go once
// written, and the file's last bytes are written (not committed); without one, the whole
// destination is returned. Throws the first base::Error any stage throws; the inputs' errors
// name their files, the output's name `output.path`.
QImage run(const Stages& stages, const std::vector<codecs::RowReader*>& inputs, const Output& output = {});

// Makes the destination of `stages` and saves it to `path` as `format`. A format written a band
// at a time (JPEG, PNG) takes the bands as they are made and goes to disk as it is encoded;
// for any other, `whole` gets the whole destination and saves it. The old file is replaced only
// when the new one is complete.
template <typename Whole>
void save(const QString& path, codecs::Format format, const codecs::WriteOptions& options,
          const Stages& stages, const std::vector<codecs::RowReader*>& inputs, const Whole& whole);

// The part of save() that does not depend on `whole`: true when the format was written.
bool saveInBands(const QString& path, codecs::Format format, const codecs::WriteOptions& options,
                 const Stages& stages, const std::vector<codecs::RowReader*>& inputs);

template <typename Whole>
void save(const QString& path, codecs::Format format, const codecs::WriteOptions& options,
          const Stages& stages, const std::vector<codecs::RowReader*>& inputs, const Whole& whole) {
    if (!saveInBands(path, format, options, stages, inputs)) whole(run(stages, inputs));
}

}  // namespace stream
