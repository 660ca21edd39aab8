// Composing, saving and the clipboard; the canvas background.
#include <algorithm>
#include <cstring>

#include <QLineEdit>

#include "base/error.h"
#include "base/image.h"
#include "base/number.h"
#include "bmpfilters/reduce_to_static_palette.h"
#include "codecs/codecs.h"
#include "collage/compose.h"
#include "collage/save_name.h"
#include "collage/texts.h"
#include "collage/tkadrel.h"
#include "platform/desktop.h"
#include "platform/widgets.h"

namespace collage {

namespace {

const QString kSaveFilter = QStringLiteral("JPEG|*.jpg|BMP|*.bmp|GIF|*.gif|PNG|*.png");

codecs::Format codecOf(SaveFormat f) {
    switch (f) {
        case SaveFormat::Bmp:
            return codecs::Format::Bmp;
        case SaveFormat::Gif:
            return codecs::Format::Gif;
        case SaveFormat::Png:
            return codecs::Format::Png;
        case SaveFormat::Jpeg:
            break;
    }
    return codecs::Format::Jpeg;
}

}  // namespace

void Tkadrel::fullkadrel() {
    if (back->picture().size() != back->size()) fillBackground();
    std::vector<Layer> layers;
    layers.reserve(static_cast<size_t>(pieceCount));
    for (int i = 0; i < pieceCount; ++i) {
        const platform::PictureControl* c = pieceImage[i];
        layers.push_back({&c->picture(), QPoint(pieceRect[i].left, pieceRect[i].top), c->transparent(),
                          pieceTransColor[i]});
    }
    composite = compose(back->picture(), layers);
    saveDialogName = pickIndex < pieceCount ? withoutExtension(pieceFile[pickIndex]) : QString();
}

int Tkadrel::jpegQuality() const {
    return std::clamp(base::parseInt(jpgq->text()), 1, 100);
}

void Tkadrel::saveClick() {
    fullkadrel();
    const auto choice = platform::desktop().saveFile(this, kSaveFilter, saveDialogName, saveFilterIndex);
    if (!choice) return;
    workFileName = choice->path;
    saveFilterIndex = choice->filterIndex;
    const SaveFormat format = saveFormatOf(choice->filterIndex);
    const QString target = forcedName(workFileName, format);
    // The question names the file really written (the forced extension may name another file
    // than the one typed), and comes whenever that file exists.
    if (mustAskBeforeWriting(target) && !platform::desktop().confirm(this, texts::confirmOverwrite(target)))
        return;
    const platform::BusyCursor busy;  // reducing and writing a large canvas takes a while
    codecs::WriteOptions options;
    if (format == SaveFormat::Jpeg) options.jpegQuality = jpegQuality();
    if (format == SaveFormat::Gif) composite = bmpfilters::ReduceToStaticPalette(base::toBgr(composite));
    codecs::writeFile(target, composite, codecOf(format), options);
}

void Tkadrel::fullcopymenuClick() {
    fullkadrel();
    platform::desktop().setClipboardImage(composite);
}

void Tkadrel::backcolorClick() {
    const auto c = platform::desktop().chooseColour(this, background.colour);
    if (!c) return;
    background.colour = *c;
    background.picture = QImage();
    backpattern->setPicture(base::makeBgr(100, 100, *c));
    fillBackground();
}

void Tkadrel::backpictureClick() {
    const QStringList paths = platform::desktop().openFiles(this, openFilter(), openFileName, false);
    if (paths.isEmpty()) return;
    const QString& path = paths.first();
    openFileName = path;
    QImage picture = codecs::readFile(path, codecs::formatByExtension(path));
    // The sample shows the picture from its corner, cut to 100 x 100, not scaled.
    QImage sample = base::makeBgr(100, 100, 0);
    const QImage corner = picture.copy(0, 0, std::min(100, picture.width()), std::min(100, picture.height()));
    for (int y = 0; y < corner.height(); ++y)
        std::memcpy(sample.scanLine(y), corner.constScanLine(y), static_cast<size_t>(corner.width()) * 3);
    background.picture = picture;
    backpattern->setPicture(sample);
    fillBackground();
}

void Tkadrel::copymenuClick() {
    if (pieceCount == 0) return;
    platform::desktop().setClipboardImage(pieceImage[pickIndex]->picture());
}

void Tkadrel::pastemanuClick() {
    const QImage clip = platform::desktop().clipboardImage();
    if (clip.isNull()) throw base::Error(texts::unsupportedClipboard());
    base::checkSize(clip.width(), clip.height());
    if (pieceCount >= 255) throw base::Error(texts::tooManyPieces());
    pieceFile[pieceCount].clear();
    Adding(base::toBgr(clip));
    saveFilterIndex = 2;
}

}  // namespace collage
