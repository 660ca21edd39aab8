#include "collage/save_name.h"

#include <algorithm>

#include <QFileInfo>

namespace collage {

QString withoutExtension(const QString& path) {
    const qsizetype slash = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    const qsizetype dot = path.lastIndexOf(u'.');
    return dot > slash ? path.left(dot) : path;
}

bool mustAskBeforeWriting(const QString& target) {
    return QFileInfo::exists(target);
}

bool isSourceFile(const PieceTable& table, const QString& target, const QString& backgroundFile) {
    const QString written = QFileInfo(target).canonicalFilePath();
    if (written.isEmpty()) return false;  // no file there yet
    const auto same = [&](const QString& file) {
        return !file.isEmpty() && QFileInfo(file).canonicalFilePath() == written;
    };
    for (int i = 0; i < table.pieceCount(); ++i)
        if (same(table.piece(i).pieceFile)) return true;
    return same(backgroundFile);
}

QString forcedName(const QString& path, codecs::Format format) {
    return withoutExtension(path) + codecs::saveExtension(format);
}

}  // namespace collage
