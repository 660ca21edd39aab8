#include "collage/recovery.h"

#include <algorithm>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace collage {

namespace {

const QString kPrefix = QStringLiteral("recovery-");

QString lockPathOf(const QString& document) {
    return document.chopped(4) + QStringLiteral(".lock");  // recovery-PID.ora -> recovery-PID.lock
}

}  // namespace

QString recoveryFolder() {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || QDir::isRelativePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/kadrel");
}

RecoveryFile::RecoveryFile(const QString& folder) {
    QDir().mkpath(folder);
    path_ = QDir(folder).filePath(kPrefix + QString::number(QCoreApplication::applicationPid()) +
                                  QStringLiteral(".ora"));
    lock_ = std::make_unique<QLockFile>(lockPathOf(path_));
    lock_->setStaleLockTime(0);  // only a lock whose program is gone is stale
    // A lock of the same name can only be that of a dead program that had our process number:
    // the lock sees that its program is gone and takes it over.
    lock_->tryLock(0);
}

RecoveryFile::~RecoveryFile() = default;

void RecoveryFile::remove() {
    QFile::remove(path_);
}

void LeftOver::discard() {
    QFile::remove(path);
    if (lock) lock->unlock();
    lock.reset();
}

std::vector<LeftOver> leftOverRecoveries(const QString& folder) {
    const QFileInfoList files =
        QDir(folder).entryInfoList({kPrefix + QStringLiteral("*.ora")}, QDir::Files, QDir::Time);
    std::vector<LeftOver> out;
    for (const QFileInfo& f : files) {
        auto lock = std::make_unique<QLockFile>(lockPathOf(f.absoluteFilePath()));
        lock->setStaleLockTime(0);
        // A running program holds its lock; a lock whose program is gone is stale and taken over.
        if (!lock->tryLock(0)) continue;
        out.push_back(LeftOver{f.absoluteFilePath(), std::move(lock)});
    }
    return out;
}

}  // namespace collage
