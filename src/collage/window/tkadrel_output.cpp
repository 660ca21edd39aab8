// Composing, saving and the clipboard; the canvas background.
#include <algorithm>

#include <QLineEdit>

#include "base/error.h"
#include "base/image.h"
#include "base/number.h"
#include "bmpfilters/gif_picture.h"
#include "codecs/codecs.h"
#include "collage/adding.h"
#include "collage/piece_table.h"
#include "collage/save_name.h"
#include "collage/texts.h"
#include "collage/window/tkadrel.h"
#include "platform/desktop.h"
#include "platform/widgets.h"
#include "stream/pipeline.h"
#include "stream/stages.h"

namespace collage {

namespace {

const QString kSaveFilter = codecs::saveFilter(codecs::kJoinedSaveOrder);

}  // namespace

void Tkadrel::fullkadrel() {
    composite_ = composeTable(table());
    nameSaveDialog();
}

void Tkadrel::nameSaveDialog() {
    const Piece* piece = table().current();
    saveDialogName_ = piece ? withoutExtension(piece->pieceFile) : QString();
}

int Tkadrel::jpegQuality() const {
    return std::clamp(base::parseInt(jpgq->text()), 1, 100);
}

void Tkadrel::saveClick() {
    nameSaveDialog();
    const auto choice = desktop_.saveFile(this, kSaveFilter, saveDialogName_, saveFilterIndex_);
    if (!choice) return;
    workFileName_ = choice->path;
    saveFilterIndex_ = choice->filterIndex;
    const codecs::Format format = codecs::savedFormat(codecs::kJoinedSaveOrder, choice->filterIndex);
    const QString target = forcedName(workFileName_, format);
    // The question names the file really written (the forced extension may name another file
    // than the one typed), and comes whenever that file exists.
    // The background picture came from that file while it is the very picture read (undo and
    // redo bring back the same one).
    const bool backgroundRead = !table().background().picture.isNull() &&
                                table().background().picture.cacheKey() == backgroundRead_.picture;
    if (isSourceFile(table(), target, backgroundRead ? backgroundRead_.file : QString())) {
        if (!desktop_.confirmDefaultNo(this, texts::confirmOverwriteSource(target))) return;
    } else if (mustAskBeforeWriting(target) && !desktop_.confirm(this, texts::confirmOverwrite(target))) {
        return;
    }
    const platform::BusyCursor busy;  // reducing and writing a large canvas takes a while
    codecs::WriteOptions options;
    if (format == codecs::Format::Jpeg || format == codecs::Format::Webp) options.jpegQuality = jpegQuality();
    // JPEG and PNG are composed a band at a time as they are encoded, beside the pieces: the
    // canvas is never held whole, and an older composite goes first.
    composite_ = QImage();
    const Composer composer(table().canvas(), table().background(), table().layers());
    const stream::ComposeStages stages(composer, {});
    if (stream::saveInBands(target, format, options, stages, {})) return;
    composite_ = stream::run(stages, {});
    if (format == codecs::Format::Gif)
        composite_ = bmpfilters::gifPicture(composite_, bmpfilters::GifPalette::Static);
    codecs::writeFile(target, composite_, format, options);
}

void Tkadrel::fullcopymenuClick() {
    fullkadrel();
    desktop_.setClipboardImage(composite_);
}

void Tkadrel::backcolorClick() {
    const auto c = desktop_.chooseColour(this, table().background().colour);
    if (!c) return;
    act(StepKind::Other, [&](PieceTable& t, const Options&) { t.setBackground(Background{*c, QImage()}); });
}

void Tkadrel::backpictureClick() {
    const QStringList paths = desktop_.openFiles(this, openFilter(), openFileName_, false);
    if (paths.isEmpty()) return;
    const QString& path = paths.first();
    openFileName_ = path;
    QImage picture = codecs::readFile(path, codecs::formatByExtension(path));
    act(StepKind::Other, [&](PieceTable& t, const Options&) {
        t.setBackground(Background{t.background().colour, picture});
    });
    backgroundRead_ = {path, table().background().picture.cacheKey()};
}

void Tkadrel::copymenuClick() {
    const Piece* piece = table().current();
    if (piece == nullptr) return;
    desktop_.setClipboardImage(piece->picture);
}

void Tkadrel::pastemanuClick() {
    const QImage clip = desktop_.clipboardImage();
    if (clip.isNull()) throw base::Error(texts::unsupportedClipboard());
    base::checkSize(clip.width(), clip.height());
    if (pieceCount() >= kMaxPieces) throw base::Error(texts::tooManyPieces());
    Adding(base::toBgr(clip));
    Clickout();
    saveFilterIndex_ = 2;
}

}  // namespace collage
