#pragma once

#include <memory>
#include <vector>

#include <QImage>
#include <QTextStream>

#include "cli/options.h"
#include "codecs/rows.h"
#include "collage/piece_table.h"

namespace cli {

// Each command reads its inputs, runs the program's own passes and writes its output, a band of
// rows at a time where the formats allow, replacing an old file only when the new one is
// complete, so a failure leaves no output behind. Failures throw base::Error with the text to show; notices
// the windows would show go to `err`.
void join(const JoinOptions& options, QTextStream& err);
void reduce(const ReduceOptions& options);
void resize(const ResizeOptions& options);
void rotate(const RotateOptions& options, QTextStream& err);

// The arrangement a join builds (or the saved one it names), and its picture (BGR888) as the
// main window composes it, without writing either.
collage::PieceTable joinedTable(const JoinOptions& options, QTextStream& err);
// The same, for a join that decodes its pieces' rows as it composes them: the pieces' pictures
// are those of `readers` (one a file, in slot order), decoded as far as their first row only.
collage::PieceTable joinedTable(const JoinOptions& options, QTextStream& err,
                                std::vector<std::unique_ptr<codecs::RowReader>>& readers);
QImage joined(const JoinOptions& options, QTextStream& err);

// Writes `picture` by the extension of `path` (outputFormat()); a GIF goes through the static
// palette reduction first, as the main window's GIF save does.
void writeOutput(const QString& path, const QImage& picture, int jpegQuality);

}  // namespace cli
