#pragma once

#include <QImage>

namespace collage {

// The thumbnail of a picture returned by the cut editor: a side shorter than 100 is first
// padded to 100 with white at the bottom or right, then the whole is squeezed into 100 x 100. A
// small picture is therefore shown at its own size in the top-left corner, a large one shrunk.
QImage editedThumbnail(const QImage& picture);

// The thumbnail of a picture added as a piece: the whole picture squeezed into 100 x 100.
QImage pieceThumbnail(const QImage& picture);

}  // namespace collage
