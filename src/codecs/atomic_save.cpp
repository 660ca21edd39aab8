#include <algorithm>

#include <QSaveFile>

#include "base/error.h"
#include "codecs/codecs.h"
#include "codecs/messages.h"

namespace codecs {

void saveBytes(const QString& path, const QByteArray& bytes) {
    saveBytes(path, bytes.constData(), bytes.size());
}

void saveBytes(const QString& path, const char* data, qint64 size) {
    // QSaveFile writes a temporary file beside the target and renames it over the target only
    // in commit(); until then, and whenever anything fails, the old file stays as it was.
    // Unbuffered: with Qt's write buffer, a flush that fails inside commit() (a full disk, a size
    // limit) still let commit() rename the cut-off file over the old one and report success.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw base::Error(messages::writeFailed(path, messages::fileError(path, file.errorString(), true)));
    const qint64 written = file.write(data, size);
    if (written != size || file.size() != size) {
        // A short write may leave no error set; then the count is the reason.
        const QString reason = file.error() != QFileDevice::NoError
                                   ? messages::fileError(path, file.errorString(), true)
                                   : messages::writeIncomplete(std::max<qint64>(written, 0), size);
        file.cancelWriting();
        throw base::Error(messages::writeFailed(path, reason));
    }
    if (!file.commit())
        throw base::Error(messages::writeFailed(path, messages::fileError(path, file.errorString(), true)));
}

}  // namespace codecs
