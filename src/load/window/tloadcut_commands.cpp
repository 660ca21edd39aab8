// Cut out, save, return, flips, clipboard and the resize dialog.

#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

#include "base/error.h"
#include "base/image.h"
#include "base/number.h"
#include "bmpfilters/gif_picture.h"
#include "codecs/codecs.h"
#include "codecs/messages.h"
#include "load/picture_ops.h"
#include "load/window/texts.h"
#include "load/window/tloadcut.h"
#include "platform/desktop.h"
#include "platform/widgets.h"

namespace load {

void Tloadcut::addpicClick() {
    cutMode = 1;
    savecut();
}

void Tloadcut::cutoutClick() {
    cutMode = 2;
    savecut();
}

// With Ctrl held "保存" cuts out instead, as the help says. The menu's own Ctrl+S saves: a
// shortcut named "保存" that cut the picture irreversibly would lose the user's work.
void Tloadcut::savepicClick() {
    cutMode = !shortcutSave_ && ctrlNow() ? 2 : 0;
    savecut();
}

void Tloadcut::cancelClick() {
    hide();
}

void Tloadcut::savecut() {
    const QRect area = selection();
    switch (cutMode) {
        case 1: {
            if (area.isEmpty()) {
                // An empty piece could not be seen or picked again; the piece stays as it was.
                desktop_.notice(this, texts::emptySelection());
                return;
            }
            resultBitmap = extractSelection(mainimage->picture(), area);
            std::optional<base::Colour> key;
            if (resizeTransparency && resizeColour) key = resizeColour();
            if (returnToCanvas) returnToCanvas(resultBitmap, key);
            hide();
            return;
        }
        case 2: {
            pictureCopy = area.isEmpty() ? QImage() : extractSelection(pictureCopy, area);
            mainimage->setPicture(pictureCopy);
            loaded();
            return;
        }
        default:
            saveSelection(area);
            return;
    }
}

void Tloadcut::saveSelection(const QRect& area) {
    if (area.isEmpty()) {
        desktop_.notice(this, texts::emptySelection());
        return;
    }
    const auto choice =
        desktop_.saveFile(this, SaveDialog1.filter, SaveDialog1.fileName, SaveDialog1.filterIndex);
    if (!choice) return;
    SaveDialog1.filterIndex = choice->filterIndex;
    const codecs::Format format = codecs::savedFormat(codecs::kCutSaveOrder, choice->filterIndex);
    codecs::WriteOptions options;
    // Read before anything is written: a bad quality writes no file.
    if (format == codecs::Format::Jpeg || format == codecs::Format::Webp)
        options.jpegQuality = base::parseInt(jpgq->text());
    const QImage selected = extractSelection(mainimage->picture(), area);
    const QString name = withDefaultExtension(choice->path, format);
    // The dialog does not ask: the question names the file really written, whenever it exists.
    if (QFileInfo::exists(name) && !desktop_.confirm(this, codecs::messages::confirmOverwrite(name))) return;
    codecs::writeFile(name,
                      format == codecs::Format::Gif
                          ? bmpfilters::gifPicture(selected, bmpfilters::GifPalette::Own)
                          : selected,
                      format, options);
    OpenPictureDialog1.fileName = name;
    SaveDialog1.fileName = name;
}

void Tloadcut::resizeonClick() {
    if (openResize) openResize();
}

void Tloadcut::PastemenuClick() {
    const QImage pasted = desktop_.clipboardImage();
    if (pasted.isNull()) {
        desktop_.notice(this, texts::invalidClipboard());
        return;
    }
    base::checkSize(pasted.width(), pasted.height());
    mainimage->setPicture(base::toBgr(pasted));
    loaded();
}

void Tloadcut::CopymenuClick() {
    const QRect area = selection();
    if (area.isEmpty()) {
        desktop_.notice(this, texts::emptySelection());
        return;
    }
    desktop_.setClipboardImage(extractSelection(mainimage->picture(), area));
}

// Flips start from pictureCopy, so that during a resize preview they mirror the picture as it
// was before it; the selection is not mirrored.
void Tloadcut::HflipClick() {
    pictureCopy = mirroredLeftRight(pictureCopy);
    mainimage->setPicture(pictureCopy);
}

void Tloadcut::VflipClick() {
    pictureCopy = mirroredTopBottom(pictureCopy);
    mainimage->setPicture(pictureCopy);
}

// --- For the main window ---------------------------------------------------------------------

void Tloadcut::editPiece(const QImage& picture, const QString& file) {
    setWholeMode(false);
    mainimage->setPicture(picture);
    OpenPictureDialog1.fileName = file;
    SaveDialog1.fileName = file;
    lastFile = file;
    show();
    raise();
    activateWindow();
    loaded();
}

void Tloadcut::editWhole(const QImage& picture, const QString& workFileName) {
    setWholeMode(true);
    mainimage->setPicture(picture);
    OpenPictureDialog1.fileName = workFileName;
    SaveDialog1.fileName = workFileName;
    SaveDialog1.filterIndex = wholeEditFilterIndex(codecs::extensionOf(workFileName));
    show();
    raise();
    activateWindow();
    loaded();
}

void Tloadcut::setWholeMode(bool whole) {
    Loadpic->setEnabled(!whole);
    addpic->setEnabled(!whole);
    reloadmenu->setEnabled(!whole);
    loadmenu->setEnabled(!whole);
}

}  // namespace load
