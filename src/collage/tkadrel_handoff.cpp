// Hand-off to the cut editor and the return of its result; the preview and help windows.

#include "codecs/codecs.h"
#include "collage/rules.h"
#include "collage/texts.h"
#include "collage/thumbnail.h"
#include "collage/tkadrel.h"
#include "load/tloadcut.h"
#include "platform/desktop.h"

namespace collage {

void Tkadrel::fullshowClick() {
    fullkadrel();
    if (showPreview) showPreview(composite);
}

void Tkadrel::helponClick() {
    if (showHelp) showHelp();
}

void Tkadrel::editonClick() {
    if (pieceCount == 0) return;
    load::Tloadcut* editor = load::Tloadcut::instance();
    if (editor == nullptr) return;
    // A copy: nothing done in the editor touches the piece before OK.
    editor->editPiece(pieceImage[pickIndex]->picture().copy(), pieceFile[pickIndex]);
}

void Tkadrel::fulleditClick() {
    fullkadrel();
    workFileName = pickIndex < pieceCount ? pieceFile[pickIndex] : QString();
    workExt = codecs::extensionOf(workFileName);
    load::Tloadcut* editor = load::Tloadcut::instance();
    if (editor == nullptr) return;
    editor->editWhole(composite.copy(), workFileName);
}

void Tkadrel::takeEdited(const QImage& result, std::optional<base::Colour> key) {
    // The pieces may have gone while the editor was open: then there is nothing to change.
    if (pieceCount > 0) {
        if (key) {
            pieceImage[pickIndex]->setTransparent(true);
            pieceTransColor[pickIndex] = *key;
        }
        editing(result);
    }
    show();
    raise();
    activateWindow();
}

void Tkadrel::editing(const QImage& result) {
    if (pieceCount == 0) return;
    const int s = pickIndex;
    platform::PictureControl* piece = pieceImage[s];
    piece->setPicture(result);
    piece->resize(result.size());
    previews[static_cast<size_t>(s)] = editedThumbnail(result);
    pieceRect[s].width = result.width();
    pieceRect[s].height = result.height();
    pickchange();

    if (overpics->isChecked()) {
        for (int i = 0; i < pieceCount; ++i) {
            if (i != s && overlaps(pieceRect[s], pieceRect[i])) {
                platform::desktop().notice(this, QStringLiteral("｢重ねない｣をOFFにします。"));
                overpics->setChecked(false);
                break;
            }
        }
    }
    if (outframe->isChecked() && (pieceRect[s].left + pieceRect[s].width > canvasWidth() ||
                                  pieceRect[s].top + pieceRect[s].height > canvasHeight())) {
        platform::desktop().notice(this, texts::keepInsideOff());
        outframe->setChecked(false);
    }
}

}  // namespace collage
