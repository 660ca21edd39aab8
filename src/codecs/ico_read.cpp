#include <algorithm>
#include <cstdint>

#include <QBuffer>
#include <QImageReader>

#include "base/error.h"
#include "base/image.h"
#include "codecs/ico.h"
#include "codecs/messages.h"

namespace codecs::detail {

namespace {

std::uint32_t bigEndian32(const unsigned char* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

std::uint32_t littleEndian32(const unsigned char* p) {
    return std::uint32_t{p[3]} << 24 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0];
}

// Checks the icon's directory before Qt's reader sees it: an icon without entries has nothing to
// show, and a PNG stored as the first entry (the one read) may be far larger than the directory's
// one-byte sizes say. Qt's reader would refuse that PNG with no word of its size; here it gets the
// size message every other picture gets.
void checkDirectory(const QByteArray& data) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
    const auto size = static_cast<std::size_t>(data.size());
    if (size < 6) return;  // Qt's reader names what is wrong
    const unsigned count = bytes[4] | unsigned{bytes[5]} << 8;
    if (count == 0) throw base::Error(messages::icoNoImage());
    if (size < 6 + 16) return;
    const std::uint32_t offset = littleEndian32(bytes + 6 + 12);
    static constexpr unsigned char kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    // Signature (8), IHDR length and type (8), then width and height.
    if (offset > size || size - offset < 24 || !std::equal(kPng, kPng + 8, bytes + offset)) return;
    base::checkSize(bigEndian32(bytes + offset + 16), bigEndian32(bytes + offset + 20));
}

QString reasonOf(const QImageReader& reader) {
    // Qt's "Unknown error" tells the user nothing.
    return reader.error() == QImageReader::UnknownError ? QString() : reader.errorString();
}

}  // namespace

QImage decodeIco(const QByteArray& data) {
    checkDirectory(data);
    QByteArray bytes = data;  // shares the data; QBuffer wants a non-const array
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "ico");
    reader.setAutoDetectImageFormat(false);  // the extension chose the decoder; never sniff
    const QSize size = reader.size();
    if (!size.isValid()) throw base::Error(messages::icoUnreadable(reasonOf(reader)));
    base::checkSize(size.width(), size.height());
    const QImage image = reader.read();
    if (image.isNull()) throw base::Error(messages::icoUnreadable(reasonOf(reader)));
    // The directory's size need not be the size of the bitmap or PNG it points to.
    base::checkSize(image.width(), image.height());
    return base::toBgr(image);
}

}  // namespace codecs::detail
