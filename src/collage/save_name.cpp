#include "collage/save_name.h"

#include <algorithm>

#include <QFileInfo>

namespace collage {

SaveFormat saveFormatOf(int filterIndex) {
    switch (filterIndex) {
        case 2:
            return SaveFormat::Bmp;
        case 3:
            return SaveFormat::Gif;
        case 4:
            return SaveFormat::Png;
        case 5:
            return SaveFormat::Webp;
        default:
            return SaveFormat::Jpeg;
    }
}

QString withoutExtension(const QString& path) {
    const qsizetype slash = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    const qsizetype dot = path.lastIndexOf(u'.');
    return dot > slash ? path.left(dot) : path;
}

bool mustAskBeforeWriting(const QString& target) {
    return QFileInfo::exists(target);
}

QString forcedName(const QString& path, SaveFormat format) {
    static const char* const extensions[] = {".jpg", ".bmp", ".gif", ".png", ".webp"};
    return withoutExtension(path) + QLatin1String(extensions[static_cast<int>(format)]);
}

}  // namespace collage
