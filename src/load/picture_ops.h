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

// The name written: a name whose file-name part has no dot gets the format's extension, any
// other keeps its own, whatever the format.
QString withDefaultExtension(const QString& name, codecs::Format format);

// The filter preselected for a whole-canvas edit: the format the current piece's extension names
// for a piece (pieceFormat), JPEG's for one the dialog does not offer.
int wholeEditFilterIndex(const QString& extension);

}  // namespace load
