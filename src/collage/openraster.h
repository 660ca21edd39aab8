#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "collage/piece_table.h"

// An arrangement as an OpenRaster document: a zip whose stack.xml lists one PNG layer per piece
// (top piece first) above a background layer covering the canvas, so that any reader of the
// format draws exactly the composite. What only this program needs (keys, source files, the
// current piece, auto size, the background's kind) rides in attributes of its own namespace.
namespace collage {

// Writes `table` to `path` through a temporary file beside it: the old file survives any
// failure, and no temporary file is left. Touches no widget and no shared state, so a worker
// thread may run it on its own copy of the table. Throws base::Error naming the file.
void saveOpenRaster(const PieceTable& table, const QString& path);

// The document's bytes, as saveOpenRaster() writes them.
QByteArray encodeOpenRaster(const PieceTable& table);

struct OpenedArrangement {
    PieceTable table;
    QStringList notices;  // what a painting program's file held that the table cannot keep
};

// Reads a document written here (the same table back) or by a painting program (each visible
// layer a piece, top layer on top; the canvas the image's size, auto size off). Every refusal
// throws base::Error naming the file and the reason; nothing is returned half-read.
OpenedArrangement openOpenRaster(const QString& path);

// The same over bytes in memory; `name` is the file the messages name.
OpenedArrangement decodeOpenRaster(const QByteArray& bytes, const QString& name);

// True when `path` names a document by its extension (".ora" in any letter case).
bool isOpenRasterName(const QString& path);

}  // namespace collage
