#pragma once

#include <QString>

#include "codecs/codecs.h"
#include "collage/piece_table.h"

namespace collage {

// The file name with its extension replaced by the format's (".jpg", ".bmp", ".gif", ".png", ".webp"),
// or the extension added when there is none: "joined" + GIF -> "joined.gif", "x.jpg" + BMP -> "x.bmp".
QString forcedName(const QString& path, codecs::Format format);

// Whether saving to `target` (the name really written) replaces a file, so the user is asked.
bool mustAskBeforeWriting(const QString& target);

// Whether `target` is the file a piece of `table` or the background (`backgroundFile`, empty for
// none) was read from, the same file by another name too: writing there destroys the original.
bool isSourceFile(const PieceTable& table, const QString& target, const QString& backgroundFile);

// The path without its extension (dots in folder names do not count).
QString withoutExtension(const QString& path);

}  // namespace collage
