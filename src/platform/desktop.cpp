#include "platform/desktop.h"

namespace platform {

QStringList qtFilters(const QString& filters) {
    const QStringList parts = filters.split(u'|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(u';', u' ');
        out << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
    }
    return out;
}

}  // namespace platform
