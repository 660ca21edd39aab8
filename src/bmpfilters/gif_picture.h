#pragma once

#include <QImage>

namespace bmpfilters {

// Where the colours of a GIF file come from.
enum class GifPalette {
    // The joined picture (window and kadrel-cli): the static palette with error diffusion.
    Static,
    // The cut editor: the picture's own colours when it has at most 256, else the static palette.
    Own,
};

// The 8-bit picture the GIF writer is handed. A picture already over the static palette goes as
// it is with Static (reducing it again would give the same indexes). Throws base::Error for a
// picture over the budget.
QImage gifPicture(const QImage& picture, GifPalette palette);

}  // namespace bmpfilters
