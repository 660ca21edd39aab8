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

QString forcedName(const QString& path, codecs::Format format) {
    return withoutExtension(path) + codecs::saveExtension(format);
}

}  // namespace collage
