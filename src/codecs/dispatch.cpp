#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <utility>

#include <zlib.h>

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QMimeData>

#include "base/error.h"
#include "base/image.h"
#include "codecs/bmp.h"
#include "codecs/codecs.h"
#include "codecs/colour.h"
#include "codecs/gif.h"
#include "codecs/heif.h"
#include "codecs/ico.h"
#include "codecs/jpeg.h"
#include "codecs/jpeg_profile.h"
#include "codecs/messages.h"
#include "codecs/orientation.h"
#include "codecs/photo.h"
#include "codecs/png.h"
#include "codecs/rows.h"
#include "codecs/webp.h"

namespace codecs {
namespace {

// The decoders throw base::Error with a bare reason; the public functions add what failed.
QImage decodeBare(const QByteArray& data, Format format) {
    if (data.isEmpty()) throw base::Error(messages::fileEmpty());
    try {
        switch (format) {
            case Format::Bmp:
                return detail::decodeBmp(data);
            case Format::Jpeg: {
                // The profile and the orientation come from the same bytes; neither can fail.
                detail::Decoded decoded;
                decoded.picture = detail::decodeJpeg(data);
                decoded.colour = detail::jpegColour(data);
                decoded.orientation = detail::exifOrientation(data);
                return detail::finish(std::move(decoded));
            }
            case Format::Gif:
                return detail::decodeGif(data);
            case Format::Png:
                return detail::finish(detail::decodePng(data));
            case Format::Ico:
                return detail::decodeIco(data);
            case Format::Webp:
                return detail::finish(detail::decodeWebp(data));
            case Format::Heif:
                return detail::finish(detail::decodeHeif(data));
        }
    } catch (const std::bad_alloc&) {
        throw base::Error(messages::outOfMemory());
    }
    throw base::Error(messages::unsupportedExtension(QString()));
}

// What an encoder gave: a block of the picture allocator, or a QByteArray from WebP.
struct EncodedBytes {
    detail::Encoded block;
    QByteArray array;
    bool inBlock = false;

    EncodedBytes(detail::Encoded b) : block(std::move(b)), inBlock(true) {}
    EncodedBytes(QByteArray a) : array(std::move(a)) {}

    const char* data() const {
        return inBlock ? reinterpret_cast<const char*>(block.block.data()) : array.constData();
    }
    qint64 size() const { return inBlock ? static_cast<qint64>(block.size) : array.size(); }
    QByteArray toByteArray() const { return inBlock ? block.toByteArray() : array; }
};

EncodedBytes encodeBare(const QImage& image, Format format, const WriteOptions& options) {
    if (image.isNull()) throw base::Error(messages::nullPicture());
    const bool indexed = image.format() == QImage::Format_Indexed8;
    try {
        switch (format) {
            case Format::Bmp:
                return detail::encodeBmp(indexed ? image : base::toBgr(image));
            case Format::Png:
                return detail::encodePng(indexed ? image : base::toBgr(image));
            case Format::Gif:
                if (!indexed) throw base::Error(messages::gifNeedsIndexed());
                return detail::encodeGif(image);
            case Format::Jpeg:
                return detail::encodeJpeg(base::toBgr(image), std::clamp(options.jpegQuality, 1, 100));
            case Format::Webp:
                return detail::encodeWebp(base::toBgr(image), std::clamp(options.jpegQuality, 1, 100));
            case Format::Heif:
                throw base::Error(messages::heifNotWritable());
            case Format::Ico:
                break;
        }
    } catch (const std::bad_alloc&) {
        throw base::Error(messages::outOfMemory());
    }
    throw base::Error(messages::icoNotWritable());
}

// Reads to the end but never more than one byte past the cap, so that a file that grows or lies
// about its size is still caught. The block is the size the file claims, grown only when it
// holds more; it comes from the picture allocator, so a large file costs few page faults.
struct FileBytes {
    base::Block block;
    std::size_t size = 0;
};

FileBytes readCapped(QFile& file) {
    constexpr std::size_t kLimit = static_cast<std::size_t>(kMaxFileBytes) + 1;
    FileBytes out;
    out.block = base::Block(std::min<std::size_t>(
        std::max<std::size_t>(static_cast<std::size_t>(std::max<qint64>(file.size(), 0)) + 1, 1 << 20),
        kLimit));
    for (;;) {
        if (out.size == out.block.size()) {
            if (out.size >= kLimit) break;
            base::Block bigger(std::min(2 * out.block.size(), kLimit));
            std::memcpy(bigger.data(), out.block.data(), out.size);
            out.block = std::move(bigger);
        }
        const qint64 got = file.read(reinterpret_cast<char*>(out.block.data()) + out.size,
                                     static_cast<qint64>(out.block.size() - out.size));
        if (got <= 0) break;
        out.size += static_cast<std::size_t>(got);
    }
    return out;
}

}  // namespace

QImage decode(const QByteArray& data, Format format) {
    try {
        return decodeBare(data, format);
    } catch (const base::Error& e) {
        throw base::Error(messages::decodeFailed(e.text()));
    }
}

namespace {

// The whole file, under the cap; throws base::Error naming the file.
FileBytes readBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw base::Error(messages::readFailed(path, messages::fileError(path, file.errorString(), false)));
    if (file.size() > kMaxFileBytes)
        throw base::Error(messages::readFailed(path, messages::fileTooLarge(file.size())));
    FileBytes bytes;
    try {
        bytes = readCapped(file);
    } catch (const std::bad_alloc&) {
        throw base::Error(messages::readFailed(path, messages::outOfMemory()));
    }
    if (file.error() != QFileDevice::NoError)
        throw base::Error(messages::readFailed(path, messages::fileError(path, file.errorString(), false)));
    if (bytes.size > static_cast<std::size_t>(kMaxFileBytes))
        throw base::Error(
            messages::readFailed(path, messages::fileTooLarge(static_cast<qint64>(bytes.size))));
    return bytes;
}

// The decoders only read the bytes, and none keeps them past its return.
QByteArray viewOf(const FileBytes& bytes) {
    return QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.block.data()),
                                   static_cast<qsizetype>(bytes.size));
}

}  // namespace

QImage readFile(const QString& path, Format format) {
    const FileBytes bytes = readBytes(path);
    const QByteArray data = viewOf(bytes);
    try {
        // The name chooses the decoder, but a file whose bytes say plainly that it is another
        // format was only misnamed; a file no decoder recognises gets the named decoder's refusal.
        return decodeBare(data, signatureFormat(data).value_or(format));
    } catch (const base::Error& e) {
        throw base::Error(messages::readFailed(path, e.text()));
    }
}

// A streamed file's bytes are held only while its rows are decoded: a join opens every piece
// first, and the pieces below the rows being made should not hold their files meanwhile. The
// file is read again for its rows, and must be the one first read; a pipe, which cannot be read
// again, keeps its bytes.
struct RowReader::Stream {
    FileBytes bytes;
    std::unique_ptr<detail::JpegRows> jpeg;
    std::unique_ptr<detail::SrgbConversion> colour;
    std::size_t size = 0;
    uLong crc = 0;
};

namespace {

uLong crcOf(const FileBytes& bytes) {
    uLong crc = crc32(0, nullptr, 0);
    for (std::size_t at = 0; at < bytes.size;) {
        const auto n = static_cast<uInt>(std::min<std::size_t>(bytes.size - at, 1u << 30));
        crc = crc32(crc, bytes.block.data() + at, n);
        at += n;
    }
    return crc;
}

}  // namespace

std::unique_ptr<RowReader> RowReader::open(const QString& path, Format format) {
    auto stream = std::make_unique<Stream>();
    stream->bytes = readBytes(path);
    const QByteArray data = viewOf(stream->bytes);
    try {
        const Format read = data.isEmpty() ? format : signatureFormat(data).value_or(format);
        if (read == Format::Jpeg && !data.isEmpty() && detail::exifOrientation(data) == 1) {
            const detail::JpegRows header(data);
            const detail::ColourSource colour = detail::jpegColour(data);
            // Arithmetic-coded data is judged over the whole picture, and so is a grey profile on
            // samples of unknown kind.
            if (!header.arithmetic() && (colour.isSrgb() || colour.samples != detail::Samples::Unknown)) {
                if (!colour.isSrgb()) stream->colour = detail::SrgbConversion::make(colour, false);
                const QSize size = header.size();
                QImage picture = base::allocateBgr(size.width(), size.height());
                // A pipe or a device cannot be read again: such a file keeps its bytes.
                if (QFileInfo(path).isFile()) {
                    stream->size = stream->bytes.size;
                    stream->crc = crcOf(stream->bytes);
                    stream->bytes = FileBytes();
                }
                return std::unique_ptr<RowReader>(new RowReader(path, std::move(picture), std::move(stream)));
            }
        }
        QImage picture = decodeBare(data, read);
        return std::unique_ptr<RowReader>(new RowReader(path, std::move(picture), nullptr));
    } catch (const base::Error& e) {
        throw base::Error(messages::readFailed(path, e.text()));
    } catch (const std::bad_alloc&) {
        throw base::Error(messages::readFailed(path, messages::outOfMemory()));
    }
}

RowReader::RowReader(QString path, QImage picture, std::unique_ptr<Stream> stream)
    : path_(std::move(path)), picture_(std::move(picture)), stream_(std::move(stream)) {
    if (!stream_) ready_ = picture_.height();
}

RowReader::~RowReader() = default;

void RowReader::readTo(int rows) {
    const int count = std::min(rows, picture_.height()) - ready_;
    if (count <= 0 || !stream_) return;
    // Written through the first pointer taken: the picture may be shared with the passes reading
    // it, and must not be copied away from them.
    auto* first = const_cast<std::uint8_t*>(picture_.constScanLine(ready_));
    const qsizetype stride = picture_.bytesPerLine();
    try {
        if (!stream_->jpeg) {
            if (!stream_->bytes.block.data()) {
                stream_->bytes = readBytes(path_);
                if (stream_->bytes.size != stream_->size || crcOf(stream_->bytes) != stream_->crc)
                    throw base::Error(messages::fileChanged());
            }
            stream_->jpeg = std::make_unique<detail::JpegRows>(viewOf(stream_->bytes));
        }
        stream_->jpeg->read(first, stride, count);
    } catch (const base::Error& e) {
        throw base::Error(messages::readFailed(path_, e.text()));
    } catch (const std::bad_alloc&) {
        throw base::Error(messages::readFailed(path_, messages::outOfMemory()));
    }
    if (stream_->colour)
        for (int i = 0; i < count; ++i)
            stream_->colour->convertRow(first + stride * i, static_cast<std::uint32_t>(picture_.width()));
    ready_ += count;
    if (ready_ == picture_.height()) stream_.reset();  // the file's bytes go too
}

void RowReader::release(int first, int last) {
    base::releaseRows(picture_, std::max(first, 0), std::min(last, ready_));
}

QByteArray encode(const QImage& image, Format format, const WriteOptions& options) {
    try {
        return encodeBare(image, format, options).toByteArray();
    } catch (const base::Error& e) {
        throw base::Error(messages::encodeFailed(e.text()));
    }
}

void writeFile(const QString& path, const QImage& image, Format format, const WriteOptions& options) {
    std::optional<EncodedBytes> bytes;
    try {
        bytes.emplace(encodeBare(image, format, options));
    } catch (const base::Error& e) {
        throw base::Error(messages::writeFailed(path, e.text()));
    }
    saveBytes(path, bytes->data(), bytes->size());
}

QImage clipboardPicture(const QMimeData& data) {
    static const std::pair<const char*, Format> offered[] = {{"image/webp", Format::Webp},
                                                             {"image/avif", Format::Heif},
                                                             {"image/heic", Format::Heif},
                                                             {"image/heif", Format::Heif}};
    for (const auto& [type, format] : offered) {
        const QString mime = QString::fromLatin1(type);
        if (!data.hasFormat(mime)) continue;
        const QByteArray bytes = data.data(mime);
        // The same cap as for files: a clipboard owner may offer anything.
        if (bytes.size() > kMaxFileBytes)
            throw base::Error(messages::decodeFailed(messages::fileTooLarge(bytes.size())));
        return decode(bytes, format);
    }
    return {};
}

void limitQtReaders() {
    // Four bytes a pixel is what Qt's readers allocate for the largest picture the budget admits.
    QImageReader::setAllocationLimit(static_cast<int>(base::kMaxPixels * 4 / (1024 * 1024)));
}

}  // namespace codecs
