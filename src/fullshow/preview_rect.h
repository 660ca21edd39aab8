#pragma once

#include <QRect>
#include <QSize>

namespace fullshow {

// Where the preview draws a picture of size `picture` on a screen of size `screen`: unscaled and
// centred when it fits in both directions, otherwise scaled down to the largest size that keeps
// its aspect ratio, centred. A picture is never enlarged. An empty picture, or an empty screen,
// gives an empty rectangle: there is nothing to draw.
QRect previewRect(QSize picture, QSize screen);

// True when previewRect() draws the picture at its own size.
bool previewFits(QSize picture, QSize screen);

}  // namespace fullshow
