#include <QBuffer>
#include <QImageReader>

#include "base/error.h"
#include "base/image.h"
#include "codecs/ico.h"

namespace codecs::detail {

QImage decodeIco(const QByteArray& data) {
    QByteArray bytes = data;  // shares the data; QBuffer wants a non-const array
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "ico");
    reader.setAutoDetectImageFormat(false);  // the extension chose the decoder; never sniff
    const QSize size = reader.size();
    if (!size.isValid()) throw base::Error(reader.errorString());
    base::checkSize(size.width(), size.height());
    const QImage image = reader.read();
    if (image.isNull()) throw base::Error(reader.errorString());
    // The directory's size need not be the size of the bitmap or PNG it points to.
    base::checkSize(image.width(), image.height());
    return base::toBgr(image);
}

}  // namespace codecs::detail
