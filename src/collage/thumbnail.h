#pragma once

#include <QImage>

namespace collage {

// The two thumbnails of the left column, both 100 x 100 and 24-bit, made by one scaling.

// A piece added from a file or the clipboard: the whole picture stretched to 100 x 100 (the
// aspect ratio is not kept).
QImage addedThumbnail(const QImage& picture);

// A picture returned by the cut editor: a side shorter than 100 is first padded to 100 with white
// at the bottom or right, then the whole is squeezed into 100 x 100. A small picture is therefore
// shown at its own size in the top-left corner, a large one shrunk.
QImage editedThumbnail(const QImage& picture);

}  // namespace collage
