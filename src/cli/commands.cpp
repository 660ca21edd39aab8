#include "cli/commands.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <memory>
#include <utility>
#include <vector>

#include "base/error.h"
#include "base/image.h"
#include "base/parallel.h"
#include "bmpfilters/gif_picture.h"
#include "bmpfilters/reduce_to_static_palette.h"
#include "collage/openraster.h"
#include "collage/piece_table.h"
#include "stream/pipeline.h"
#include "stream/stages.h"
#include "zoom/messages.h"
#include "zoom/rotation.h"
#include "zoom/scale.h"

namespace cli {

namespace {

void notice(QTextStream& err, const QString& text) {
    err << "kadrel-cli: " << text << '\n';
    err.flush();  // a long join should not hold its notices back until the end
}

// The cut editor's reader: the extension in any letter case.
QImage readPicture(const QString& path) {
    return codecs::readFile(path, codecs::formatByExtension(path));
}

// The dialog's swatch starts as the source's top-left pixel.
zoom::KeyOptions keyOptions(const KeyChoice& choice, const QImage& source) {
    return zoom::KeyOptions{choice.transparent, choice.key.value_or(base::pixelAt(source, 0, 0)),
                            choice.fill};
}

// The preview's guard: sizes below 1 are told apart from those over the budget.
void checkPassSize(QSize size) {
    if (size.width() < 1 || size.height() < 1)
        throw base::Error(zoom::sizeBelowOneText(size.width(), size.height()));
    base::checkSize(size.width(), size.height());
}

}  // namespace

void writeOutput(const QString& path, const QImage& picture, int jpegQuality) {
    const auto format = outputFormat(path);
    if (!format) throw base::Error(QStringLiteral("%1: no writer for this extension").arg(path));
    codecs::WriteOptions options;
    options.jpegQuality = jpegQuality;
    if (*format == codecs::Format::Gif)
        codecs::writeFile(path, bmpfilters::gifPicture(picture, bmpfilters::GifPalette::Static), *format,
                          options);
    else
        codecs::writeFile(path, picture, *format, options);
}

namespace {

collage::PieceTable buildTable(const JoinOptions& o, QTextStream& err,
                               std::vector<std::unique_ptr<codecs::RowReader>>* streamed) {
    if (o.inputs.size() == 1 && collage::isOpenRasterName(o.inputs.first())) {
        collage::OpenedArrangement opened = collage::openOpenRaster(o.inputs.first());
        for (const QString& text : opened.notices)
            notice(err, o.inputs.first() + QStringLiteral(": ") + text);
        return std::move(opened.table);
    }
    collage::Background background;
    background.colour = o.background.value_or(0);
    if (!o.backgroundPicture.isEmpty()) background.picture = readPicture(o.backgroundPicture);

    // The window starts with the screen's size and auto size on; a typed canvas switches it off.
    // When a layout follows, the pieces' first places do not count: they go on the screen-sized
    // canvas without growing it, so that the stack of added pieces is not refused as too large
    // when the arrangement is not. (The arranged canvas is the same either way.)
    const bool layoutFollows = o.arrangement && !o.keepInside;
    collage::PieceTable table(o.canvas.value_or(o.screen), !o.canvas.has_value() && !layoutFollows);
    table.setBackground(background);
    collage::Options options;
    options.keepInside = o.keepInside;
    options.screenWidth = o.screen.width();
    // The files are opened side by side and added in order; a file that fails stops the join
    // where it would have one by one, after the notices of those before it. A streamed piece is
    // decoded later, a band at a time (its first row now when its key colour is wanted); any
    // other wholly now.
    const int count = static_cast<int>(o.inputs.size());
    std::vector<std::unique_ptr<codecs::RowReader>> readers(static_cast<std::size_t>(count));
    std::vector<std::exception_ptr> failures(static_cast<std::size_t>(count));
    base::parallelFor(count, [&](int i) {
        const QString& path = o.inputs[i];
        try {
            auto reader = codecs::RowReader::open(path, codecs::pieceFormat(path));
            reader->readTo(streamed ? (o.transparent ? 1 : 0) : reader->size().height());
            readers[static_cast<std::size_t>(i)] = std::move(reader);
        } catch (...) {
            failures[static_cast<std::size_t>(i)] = std::current_exception();
        }
    });
    for (int i = 0; i < count; ++i) {
        const QString& path = o.inputs[i];
        if (failures[static_cast<std::size_t>(i)])
            std::rethrow_exception(failures[static_cast<std::size_t>(i)]);
        const codecs::RowReader& reader = *readers[static_cast<std::size_t>(i)];
        collage::Piece piece;
        piece.picture = reader.picture();
        piece.pieceFile = path;
        const collage::Effects effects = table.add(std::move(piece), options);
        for (const QString& text : effects.notices) notice(err, path + QStringLiteral(": ") + text);
        if (effects.keepInsideOff) options.keepInside = false;
        if (o.transparent) table.setTransparent(true);
    }
    if (streamed) *streamed = std::move(readers);
    if (o.arrangement) {
        const collage::Effects effects = table.arrange(*o.arrangement, options);
        for (const QString& text : effects.notices) notice(err, text);
        // Auto size as the window would have it after arranging: on unless a margin, a fixed
        // size or a short last row leaves the canvas wider than the pieces.
        if (layoutFollows && !o.canvas && o.arrangement->margin == 0 && !o.arrangement->fixedSize()) {
            std::int64_t right = 0, bottom = 0;
            for (const collage::Rect& r : table.rects()) {
                right = std::max(right, r.right());
                bottom = std::max(bottom, r.bottom());
            }
            if (right == table.canvas().width() && bottom == table.canvas().height()) table.setAutoSize(true);
        }
    }
    return table;
}

}  // namespace

collage::PieceTable joinedTable(const JoinOptions& o, QTextStream& err) {
    return buildTable(o, err, nullptr);
}

collage::PieceTable joinedTable(const JoinOptions& o, QTextStream& err,
                                std::vector<std::unique_ptr<codecs::RowReader>>& readers) {
    return buildTable(o, err, &readers);
}

QImage joined(const JoinOptions& o, QTextStream& err) {
    // The pieces are not needed after this: each goes as soon as it is drawn.
    return joinedTable(o, err).composeReleasing();
}

namespace {

// Saves what `stages` make by the extension of `path`: JPEG and PNG a band at a time as the
// bands are made, any other format from the whole picture as writeOutput() writes it.
void saveOutput(const QString& path, int jpegQuality, const stream::Stages& stages,
                const std::vector<codecs::RowReader*>& inputs) {
    const auto format = outputFormat(path);
    if (!format) throw base::Error(QStringLiteral("%1: no writer for this extension").arg(path));
    codecs::WriteOptions options;
    options.jpegQuality = jpegQuality;
    stream::save(path, *format, options, stages, inputs,
                 [&](const QImage& whole) { writeOutput(path, whole, jpegQuality); });
}

std::vector<codecs::RowReader*> pointers(const std::vector<std::unique_ptr<codecs::RowReader>>& readers) {
    std::vector<codecs::RowReader*> out;
    for (const auto& r : readers) out.push_back(r.get());
    return out;
}

std::unique_ptr<codecs::RowReader> openPicture(const QString& path) {
    auto reader = codecs::RowReader::open(path, codecs::formatByExtension(path));
    reader->readTo(1);  // the key's swatch is the top-left pixel
    return reader;
}

}  // namespace

void join(const JoinOptions& o, QTextStream& err) {
    if (collage::isOpenRasterName(o.output)) {
        if (o.quality)
            notice(err, QStringLiteral("--quality applies to JPEG and WebP output only; %1 is neither")
                            .arg(o.output));
        collage::saveOpenRaster(joinedTable(o, err), o.output);
        return;
    }
    // A layout scales the pictures, which wants them whole; otherwise each piece is decoded a band
    // at a time as the canvas's rows reach it.
    std::vector<std::unique_ptr<codecs::RowReader>> readers;
    const collage::PieceTable table = o.arrangement ? joinedTable(o, err) : joinedTable(o, err, readers);
    const auto format = outputFormat(o.output);
    if (o.quality && format != codecs::Format::Jpeg && format != codecs::Format::Webp)
        notice(err,
               QStringLiteral("--quality applies to JPEG and WebP output only; %1 is neither").arg(o.output));
    const collage::Composer composer(table.canvas(), table.background(), table.layers());
    std::vector<std::size_t> layers(readers.size());
    for (std::size_t i = 0; i < layers.size(); ++i) layers[i] = i;
    saveOutput(o.output, o.quality.value_or(100), stream::ComposeStages(composer, std::move(layers)),
               pointers(readers));
}

void reduce(const ReduceOptions& o) {
    const QImage source = readPicture(o.input);
    writeOutput(o.output, bmpfilters::ReduceToStaticPalette(source), 100);
}

void resize(const ResizeOptions& o) {
    const auto reader = openPicture(o.input);
    checkPassSize(o.size);
    // zoom::scaleBands refuses the same size with the dialog's own message.
    const auto pass = zoom::scaleBands(reader->picture(), o.size, keyOptions(o.key, reader->picture()));
    saveOutput(o.output, o.quality.value_or(100), stream::PassStages(*pass), {reader.get()});
}

void rotate(const RotateOptions& o, QTextStream& err) {
    const auto reader = openPicture(o.input);
    const QImage& source = reader->picture();
    zoom::RotateOptions r;
    r.angle = zoom::rotationAngle(o.degrees, o.hundredths);
    r.key = keyOptions(o.key, source);
    // As the dialog's "透明色" does: the gaps take the key colour and "枠補正なし" stays checked.
    if (o.key.transparent) {
        if (o.gap || o.blendBorder)
            notice(err,
                   QStringLiteral("with --transparent the gaps take the key colour and the border is not "
                                  "blended; --gap and --blend-border do nothing"));
        r.gap = r.key.colour;
        r.blendBorder = false;
    } else {
        r.gap = o.gap.value_or(0);
        r.blendBorder = o.blendBorder;
    }
    const QSize size = zoom::rotatedSize(source.size(), r.angle);
    checkPassSize(size);
    const auto pass = zoom::rotateBands(source, size, r);
    saveOutput(o.output, o.quality.value_or(100), stream::PassStages(*pass), {reader.get()});
}

}  // namespace cli
