#pragma once

#include <QByteArray>

#include "codecs/colour.h"

namespace codecs::detail {

// The ICC profile a JPEG file carries in its APP2 segments, joined; empty when it has none, the
// segments are incomplete, or the header cannot be read (the pixel reader then says why).
QByteArray jpegIccProfile(const QByteArray& jpeg);

// That profile with what the file stores (grey, colour or ink), which the profile must describe.
ColourSource jpegColour(const QByteArray& jpeg);

}  // namespace codecs::detail
