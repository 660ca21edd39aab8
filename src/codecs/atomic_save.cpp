#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>

#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QSaveFile>

#include "base/error.h"
#include "codecs/codecs.h"
#include "codecs/messages.h"

namespace codecs {
namespace {

// What `path` names after following its links, or nothing (with the reason) when it does not
// exist yet or cannot be reached.
std::optional<struct stat> existing(const QString& path, int& error) {
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0) {
        error = errno;
        return std::nullopt;
    }
    return st;
}

// A node the save must not replace: the rename would put a plain file where a device, a pipe or
// a socket stood (a link to /dev/full would lose the device and report success). Folders are
// left to QSaveFile, which refuses them itself.
std::optional<QString> notAFile(const struct stat& st) {
    if (S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)) return std::nullopt;
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
        return messages::notRegularFile(messages::NodeKind::Device);
    if (S_ISFIFO(st.st_mode)) return messages::notRegularFile(messages::NodeKind::Pipe);
    if (S_ISSOCK(st.st_mode)) return messages::notRegularFile(messages::NodeKind::Socket);
    return messages::notRegularFile(messages::NodeKind::Other);
}

// The new file takes the old one's owner and permission bits. QSaveFile copies the permissions
// through QFileInfo, which adds the bits the current user's access grants, so root turned a
// read-only 444 file into 644. The owner can only be kept by root (or for a group one belongs
// to); when it cannot, the file stays the writer's, as any new file would. Set-id bits are not
// carried over to a file with new content.
void keepModeOf(const struct stat& old, int handle) {
    if (handle < 0) return;
    if (::fchown(handle, old.st_uid, old.st_gid) != 0) {
        // Best effort: a user who may not give the file away keeps it.
    }
    ::fchmod(handle, old.st_mode & 0777);
}

}  // namespace

void saveBytes(const QString& path, const QByteArray& bytes) {
    saveBytes(path, bytes.constData(), bytes.size());
}

FileSave::FileSave(const QString& path) : path_(path) {
    // Links are followed: saving through a link to a file replaces that file and keeps the link,
    // which is also what QSaveFile writes to.
    int missing = 0;
    const std::optional<struct stat> old = existing(path, missing);
    if (old) {
        if (const std::optional<QString> reason = notAFile(*old))
            throw base::Error(messages::writeFailed(path, *reason));
    } else if (missing == ELOOP) {
        // Links that lead round in a circle: QSaveFile would give up following them and put a
        // plain file in place of the link.
        throw base::Error(
            messages::writeFailed(path, messages::notRegularFile(messages::NodeKind::LinkLoop)));
    }
    // QSaveFile writes a temporary file beside the target and renames it over the target only
    // in commit(); until then, and whenever anything fails, the old file stays as it was.
    // Unbuffered: with Qt's write buffer, a flush that fails inside commit() (a full disk, a size
    // limit) still let commit() rename the cut-off file over the old one and report success.
    file_ = std::make_unique<QSaveFile>(path);
    if (!file_->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw base::Error(messages::writeFailed(path, messages::fileError(path, file_->errorString(), true)));
    if (old) keepModeOf(*old, file_->handle());
}

FileSave::~FileSave() {
    if (file_ && file_->isOpen()) file_->cancelWriting();
}

void FileSave::write(const char* data, qint64 size) {
    const qint64 written = file_->write(data, size);
    total_ += std::max<qint64>(written, 0);
    if (written != size || file_->size() != total_) {
        // A short write may leave no error set; then the count is the reason.
        const QString reason = file_->error() != QFileDevice::NoError
                                   ? messages::fileError(path_, file_->errorString(), true)
                                   : messages::writeIncomplete(std::max<qint64>(written, 0), size);
        file_->cancelWriting();
        throw base::Error(messages::writeFailed(path_, reason));
    }
}

void FileSave::commit() {
    if (!file_->commit())
        throw base::Error(
            messages::writeFailed(path_, messages::fileError(path_, file_->errorString(), true)));
}

void saveBytes(const QString& path, const char* data, qint64 size) {
    FileSave file(path);
    file.write(data, size);
    file.commit();
}

}  // namespace codecs
