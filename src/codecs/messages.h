#pragma once

#include <QString>

// Every text a reader or writer shows the user is built here, so the wording stays in one place.
namespace codecs::messages {

// decode(): "画像を読めません: <reason>".
QString decodeFailed(const QString& reason);
// readFile(): names the file and keeps the reason.
QString readFailed(const QString& path, const QString& reason);
// encode(): "画像を書き出せません: <reason>".
QString encodeFailed(const QString& reason);
// writeFile()/saveBytes(): names the file and keeps the reason.
QString writeFailed(const QString& path, const QString& reason);

// The any-case loader's refusal; extension with its dot (may be empty).
QString unsupportedExtension(const QString& extension);

QString fileTooLarge(qint64 bytes);
// A write that stopped short without a system reason.
QString writeIncomplete(qint64 written, qint64 total);
QString fileEmpty();
QString nullPicture();
QString gifNeedsIndexed();
QString icoNotWritable();
QString emptyPalette();
QString outOfMemory();

QString jpegTruncated(const QString& libraryReason);
QString jpegDamaged(const QString& libraryReason);
QString jpegTooManyScans(int limit);
QString jpegPrecision(int bits);
QString jpegColourSpace(int space);

QString pngTruncated();

QString gifNoFrame();
QString gifIndexOutsideTable(int index, int tableSize);

QString bmpNotBitmap();
QString bmpHeader(const QString& what);
QString bmpTruncated();
QString bmpIndexOutsidePalette(int index, int paletteSize);
QString bmpRleOutside();
QString bmpCompression(quint32 compression);

// WebP and HEIF/AVIF (libwebp, libheif); the library's reason in parentheses.
QString webpDamaged(const QString& libraryReason);
QString webpTruncated(const QString& libraryReason);
QString webpTooLargeToWrite(int width, int height, int limit);
QString webpWriteFailed(const QString& libraryReason);
QString heifDamaged(const QString& libraryReason);
QString heifTruncated(const QString& libraryReason);
QString heifUnsupported(const QString& libraryReason);
QString heifTooLarge(const QString& libraryReason);
QString heifNotWritable();

}  // namespace codecs::messages
