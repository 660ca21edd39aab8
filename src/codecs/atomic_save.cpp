#include <QSaveFile>

#include "base/error.h"
#include "codecs/codecs.h"
#include "codecs/messages.h"

namespace codecs {

void saveBytes(const QString& path, const QByteArray& bytes) {
    // QSaveFile writes a temporary file beside the target and renames it over the target only
    // in commit(); until then, and whenever anything fails, the old file stays as it was.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) throw base::Error(messages::writeFailed(path, file.errorString()));
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        throw base::Error(messages::writeFailed(path, reason));
    }
    if (!file.commit()) throw base::Error(messages::writeFailed(path, file.errorString()));
}

}  // namespace codecs
