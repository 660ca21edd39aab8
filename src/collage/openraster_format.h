#pragma once

#include <optional>

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include "base/colour.h"

// What the document's writer and reader share: its names, its texts and the PNGs of its layers.
namespace collage::ora {

inline constexpr char kMimeType[] = "image/openraster";
// The program's own attributes live in this namespace; kFormatVersion counts their layout.
inline constexpr char kNamespace[] = "urn:x-kadrel:arrangement";
inline constexpr char kPrefix[] = "kadrel";
inline constexpr int kFormatVersion = 1;

inline constexpr char kStackName[] = "stack.xml";
inline constexpr char kMergedName[] = "mergedimage.png";
inline constexpr char kThumbnailName[] = "Thumbnails/thumbnail.png";
inline constexpr char kBackgroundName[] = "data/background.png";
inline constexpr char kTileName[] = "kadrel/background-tile.png";
inline constexpr int kThumbnailSide = 256;

QString layerName(int slot);           // data/piece-<slot>.png
QString pieceThumbnailName(int slot);  // kadrel/thumbnail-<slot>.png

// "#rrggbb" and back; nothing for any other text.
QString colourText(base::Colour c);
std::optional<base::Colour> parseColour(const QString& text);

// A 24-bit picture as an RGB PNG (the program's own writer).
QByteArray opaquePng(const QImage& bgr);
// A piece with its key on: alpha 0 exactly on the key colour and 255 elsewhere, the colour kept
// under alpha 0 so that the picture reads back unchanged.
QByteArray keyedPng(const QImage& bgr, base::Colour key);

// The size in a PNG's header, without decoding; nothing when the bytes do not start as a PNG.
std::optional<QSize> pngSize(const QByteArray& png);
// True when some pixel of the PNG is not fully opaque (by its alpha channel or its tRNS chunk).
// Throws base::Error for a damaged PNG.
bool hasTransparency(const QByteArray& png);
// The colour samples of an 8-bit PNG as they are stored, alpha ignored: the program's own layers
// read back exactly. Checks the size against the budget before the pixels are read.
QImage storedColours(const QByteArray& png);

namespace texts {
QString cannotOpen(const QString& path, const QString& reason);
QString cannotSave(const QString& path, const QString& reason);
QString notZip(const QString& libraryReason);
// libzip's error code in words, with its own text in parentheses.
QString zipError(int code, const QString& libraryReason);
QString tooManyEntries(long long count, int limit);
QString badEntryName(const QString& name);
QString duplicateEntry(const QString& name);
QString missingEntry(const QString& name);
QString extraEntry(const QString& name);
QString entryTooLarge(const QString& name, long long bytes);
QString entryRatio(const QString& name, long long ratio);
QString entrySizeWrong(const QString& name, long long declared);
QString entryDamaged(const QString& name, const QString& libraryReason);
QString wrongMimeType();
QString xmlError(long long line, const QString& reason);
QString xmlDeclarations();
QString badValue(const QString& element, const QString& attribute, const QString& value);
QString tooManyLayers(int limit);
QString newerFormat(int version);
QString layerUnreadable(const QString& name, const QString& reason);
QString layersTooLarge(long long pixels, long long limit);
QString pngSizeWrong(const QString& name);
// The one notice about a painting program's file; each item already names its layer.
QString notKept(const QStringList& items);
QString opacityItem(const QString& layer, const QString& value);
QString compositeItem(const QString& layer, const QString& op);
QString notPngItem(const QString& layer, const QString& src);
QString offsetItem(const QString& layer, long long x, long long y);
QString transparencyItem(const QString& layer);
QString untitledLayer();
}  // namespace texts

}  // namespace collage::ora
