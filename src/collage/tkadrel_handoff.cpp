// Hand-off to the cut editor and the return of its result; the preview and help windows.

#include "codecs/codecs.h"
#include "collage/rules.h"
#include "collage/texts.h"
#include "collage/thumbnail.h"
#include "collage/tkadrel.h"

namespace collage {

void Tkadrel::fullshowClick() {
    fullkadrel();
    if (showPreview) showPreview(composite);
}

void Tkadrel::helponClick() {
    if (showHelp) showHelp();
}

void Tkadrel::editonClick() {
    const Piece* piece = table_.current();
    if (piece == nullptr) return;
    // A copy: nothing done in the editor touches the piece before OK.
    if (editPiece) editPiece(piece->picture.copy(), piece->pieceFile);
}

void Tkadrel::fulleditClick() {
    fullkadrel();
    const Piece* piece = table_.current();
    workFileName = piece ? piece->pieceFile : QString();
    workExt = codecs::extensionOf(workFileName);
    if (editWhole) editWhole(composite.copy(), workFileName);
}

void Tkadrel::takeEdited(const QImage& result, std::optional<base::Colour> key) {
    // The pieces may have gone while the editor was open: then there is nothing to change.
    if (table_.pieceCount() > 0) {
        act(StepKind::Other,
            [&] { return table_.replaceCurrent(result, editedThumbnail(result), key, options()); });
        pickchange();
    }
    show();
    raise();
    activateWindow();
}

void Tkadrel::editing(const QImage& result) {
    takeEdited(result, std::nullopt);
}

}  // namespace collage
