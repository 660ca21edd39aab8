#pragma once

#include <memory>
#include <vector>

#include <QLockFile>
#include <QString>

namespace collage {

// Where recovery documents live: $XDG_STATE_HOME/kadrel, or ~/.local/state/kadrel.
QString recoveryFolder();

// This program's recovery document in `folder`, named after its process and guarded by a lock
// file it holds for its life, so that two programs running at once never take each other's.
class RecoveryFile {
public:
    explicit RecoveryFile(const QString& folder);
    ~RecoveryFile();
    RecoveryFile(const RecoveryFile&) = delete;
    RecoveryFile& operator=(const RecoveryFile&) = delete;

    // The document's path; writes go to it through a temporary file beside it.
    const QString& path() const { return path_; }
    // Removes the document (the work was saved or discarded, or the program ends normally).
    void remove();

private:
    QString path_;
    std::unique_ptr<QLockFile> lock_;
};

// A recovery document left by a program that is no longer running: its lock is taken while this
// is held, so no other program offers it at the same time.
struct LeftOver {
    QString path;
    std::unique_ptr<QLockFile> lock;
    // Removes the document and its lock.
    void discard();
};

// The documents left in `folder` by programs no longer running, newest first.
std::vector<LeftOver> leftOverRecoveries(const QString& folder);

}  // namespace collage
