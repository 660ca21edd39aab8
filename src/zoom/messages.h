#pragma once

#include <QString>

namespace zoom {

// What the dialog and the command line tell the user, kept in one place.
QString sameSizeText();                           // same size and no angle
QString sizeBelowOneText(int width, int height);  // a typed or ratio-made size under 1
QString noPictureText();                          // the editor holds no picture

}  // namespace zoom
