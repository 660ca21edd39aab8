// Hand-off to the cut editor and the return of its result; the preview and help windows.

#include <utility>

#include "base/error.h"
#include "base/messages.h"
#include "codecs/codecs.h"
#include "collage/rules.h"
#include "collage/texts.h"
#include "collage/thumbnail.h"
#include "collage/window/tkadrel.h"

namespace collage {

namespace {

// A copy of its own for the editor; a copy that found no memory is refused, and nothing changes.
QImage editorCopy(const QImage& picture) {
    QImage copy = picture.copy();
    if (copy.isNull() && !picture.isNull())
        throw base::Error(base::messages::outOfMemory(picture.width(), picture.height()));
    return copy;
}

}  // namespace

void Tkadrel::fullshowClick() {
    fullkadrel();
    Q_EMIT previewRequested(composite_);
}

void Tkadrel::helponClick() {
    Q_EMIT helpRequested();
}

void Tkadrel::editonClick() {
    const Piece* piece = table().current();
    if (piece == nullptr) return;
    // A copy: nothing done in the editor touches the piece before OK.
    Q_EMIT editPieceRequested(editorCopy(piece->picture), piece->pieceFile);
}

void Tkadrel::fulleditClick() {
    fullkadrel();
    const Piece* piece = table().current();
    workFileName_ = piece ? piece->pieceFile : QString();
    workExt_ = codecs::extensionOf(workFileName_);
    // The composite is the editor's alone from here: the window keeps no reference to it, and
    // nothing else holds it, so no second copy is made and it goes when the editor lets it go.
    QImage whole = std::exchange(composite_, QImage());
    Q_EMIT editWholeRequested(whole, workFileName_);
}

void Tkadrel::takeEdited(const QImage& result, std::optional<base::Colour> key) {
    // The pieces may have gone while the editor was open: then there is nothing to change.
    if (pieceCount() > 0) {
        act(StepKind::Other, [&](PieceTable& t, const Options& o) {
            return t.replaceCurrent(result, editedThumbnail(result), key, o);
        });
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
