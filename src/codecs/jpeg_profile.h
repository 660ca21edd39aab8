#pragma once

#include <QByteArray>

namespace codecs::detail {

// The ICC profile a JPEG file carries in its APP2 segments, joined; empty when it has none, the
// segments are incomplete, or the header cannot be read (the pixel reader then says why).
QByteArray jpegIccProfile(const QByteArray& jpeg);

}  // namespace codecs::detail
