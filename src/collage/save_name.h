#pragma once

#include <QString>

namespace collage {

// The picture formats of the save dialog, by its filter index (1 JPEG, 2 BMP, 3 GIF, 4 PNG,
// 5 WebP; any other index is JPEG).
enum class SaveFormat { Jpeg, Bmp, Gif, Png, Webp };
SaveFormat saveFormatOf(int filterIndex);

// The file name with its extension replaced by the format's (".jpg", ".bmp", ".gif", ".png", ".webp"),
// or the extension added when there is none: "joined" + GIF -> "joined.gif", "x.jpg" + BMP -> "x.bmp".
QString forcedName(const QString& path, SaveFormat format);

// Whether saving to `target` (the name really written) replaces a file, so the user is asked.
bool mustAskBeforeWriting(const QString& target);

// The path without its extension (dots in folder names do not count).
QString withoutExtension(const QString& path);

}  // namespace collage
