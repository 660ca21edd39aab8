#pragma once

#include <QByteArray>
#include <QImage>

// Icons through Qt's reader; the first image of the file, drawn over black.
namespace codecs::detail {

QImage decodeIco(const QByteArray& data);

}  // namespace codecs::detail
