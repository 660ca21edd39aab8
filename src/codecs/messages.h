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

// The question before a save replaces `path`.
QString confirmOverwrite(const QString& path);

// The any-case loader's refusal; extension with its dot (may be empty).
QString unsupportedExtension(const QString& extension);

QString fileTooLarge(qint64 bytes);
// A write that stopped short without a system reason.
QString writeIncomplete(qint64 written, qint64 total);
QString fileEmpty();
// A file read again for its rows is no longer the file first read.
QString fileChanged();
QString nullPicture();
QString gifNeedsIndexed();
QString icoNotWritable();
QString emptyPalette();
QString outOfMemory();

// A file the system would not open, read or replace: what went wrong in Japanese, with the
// system's own reason in parentheses.
QString fileError(const QString& path, const QString& systemReason, bool writing);
// A save refused because the name leads to something other than a file.
enum class NodeKind { Device, Pipe, Socket, LinkLoop, Other };
QString notRegularFile(NodeKind kind);

QString jpegNotJpeg(const QString& libraryReason);
// Any other refusal of libjpeg's while reading.
QString jpegUnreadable(const QString& libraryReason);
// libjpeg's refusal while writing; a side over its limit is named with that limit.
QString jpegTooLargeToWrite(int width, int height, int limit, const QString& libraryReason);
QString jpegNotWritten(const QString& libraryReason);
// Progressive decoding that would take too long: scans × pixels over the budget.
QString jpegTooMuchWork(long long scans, long long width, long long height);
QString jpegTruncated(const QString& libraryReason);
// Arithmetic-coded data that ends before the picture does.
QString jpegArithmeticCut();
QString jpegDamaged(const QString& libraryReason);
QString jpegTooManyScans(int limit);
// `libraryReason` may be empty (the reader itself found the precision).
QString jpegPrecision(int bits, const QString& libraryReason = {});
QString jpegColourSpace(int space);

QString pngTruncated();
QString pngNotPng();
QString pngDamaged(const QString& libraryReason);
QString pngIndexOutsidePalette(int index, int paletteSize);
QString pngNotWritten(const QString& libraryReason);

QString gifNoFrame();
// giflib's refusal, by its error code, with its own text in parentheses.
QString gifError(int code, const QString& libraryReason);
QString gifLzwCodeSize(int bits);

// An icon Qt's reader refused; `libraryReason` may be empty (Qt had none but "unknown").
QString icoUnreadable(const QString& libraryReason);
QString icoNoImage();
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
QString webpFramesFarSmallerThanCanvas(int canvasWidth, int canvasHeight, int framesWidth, int framesHeight);
QString webpTooLargeToWrite(int width, int height, int limit);
QString webpWriteFailed(const QString& libraryReason);
QString heifDamaged(const QString& libraryReason);
QString heifTruncated(const QString& libraryReason);
QString heifUnsupported(const QString& libraryReason);
QString heifTooLarge(const QString& libraryReason);
// The reader's own findings in a HEIF file's boxes, before libheif is given the file.
// Item locations that claim more extents or bytes than the file holds.
QString heifLocationsBeyondFile();
// An item described or located twice.
QString heifItemTwice();
// A derived picture that is, through its inputs, its own input; or one nested deeper than `limit`.
QString heifReferenceLoop();
// References (iref) whose boxes' sizes do not match what they hold.
QString heifReferencesDamaged();
// A derived picture made of an item that is not a picture libheif decodes.
QString heifInputNotPicture();
QString heifNestedTooDeep(int limit);
// The pictures a decode would make (tiles, layers, alpha and depth) add up to more than `limit` pixels.
QString heifTooMuchWork(long long pixels, long long limit);
// A layer of an overlay that does not lie wholly on its canvas.
QString heifLayerOutside(long long x, long long y, long long width, long long height, long long canvasWidth,
                         long long canvasHeight);
// A layer of an overlay with an alpha picture of its own.
QString heifLayerWithAlpha();
// What the reader could not read of a derived picture (its description, a layer's size), in words.
QString heifDerivedUnreadable(const QString& what);
QString heifNotWritable();

}  // namespace codecs::messages
