#pragma once

// The cut editor's picture commands as plain functions over 24-bit pictures: extraction of the
// selection, the two mirrors, and the rules of its save dialog.

#include <QImage>
#include <QRect>
#include <QString>

#include "codecs/codecs.h"

namespace load {

// The pixels of `area` moved to the top-left corner and the rest cut away; an area reaching
// outside the picture keeps only its inside part. An empty area gives a null picture.
QImage extractSelection(const QImage& picture, const QRect& area);

// Mirror images; BGR888 in, BGR888 out.
QImage mirroredLeftRight(const QImage& picture);
QImage mirroredTopBottom(const QImage& picture);

// The editor's save dialog: filter 1 BMP, 3 GIF, 4 PNG, 5 WebP, anything else JPEG.
codecs::Format saveFormatOf(int filterIndex);

// The name written: a name whose file-name part has no dot gets the format's extension, any
// other keeps its own, whatever the format.
QString withDefaultExtension(const QString& name, codecs::Format format);

// The filter preselected for a whole-canvas edit, by the extension of the current piece's file
// (exact forms only): .bmp/.BMP 1, .gif/.GIF 3, .png/.PNG 4, .webp/.WEBP 5, everything else 2 (JPEG).
int wholeEditFilterIndex(const QString& extension);

// An 8-bit picture for the GIF writer. A picture of at most 256 colours keeps them exactly;
// richer ones (our pictures carry no palette of their own) get the program's static palette.
QImage gifPicture(const QImage& picture);

}  // namespace load
