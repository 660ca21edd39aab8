// The arrangement as a document: opening and saving it, the modified mark, the question before
// work is lost, and the recovery document written in the background.
#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSessionManager>
#include <QThread>
#include <QTimer>

#include "base/error.h"
#include "collage/openraster.h"
#include "collage/recovery.h"
#include "collage/save_name.h"
#include "collage/texts.h"
#include "collage/window/tkadrel.h"
#include "platform/desktop.h"
#include "platform/guard.h"
#include "platform/widgets.h"

namespace collage {

namespace {

const QString kArrangementFilter = QStringLiteral("配置 (OpenRaster)|*.ora|全部|*.*");

// How long after the last change the recovery document is written.
constexpr int kRecoveryDelayMs = 2000;

}  // namespace

void Tkadrel::updateTitle() {
    const QString name = doc_.fileName();
    const bool modified = doc_.modified();
    // With no document and nothing edited the caption is the program's name alone.
    if (name.isEmpty())
        setWindowTitle(modified ? QStringLiteral("カドレル[*]") : QStringLiteral("カドレル"));
    else
        setWindowTitle(QFileInfo(name).fileName() + QStringLiteral("[*] - カドレル"));
    setWindowModified(modified);
}

void Tkadrel::documentChanged() {
    updateTitle();
    if (recovery_) recovery_->timer.start();
}

bool Tkadrel::maySafelyDiscard() {
    if (!doc_.modified() || pieceCount() == 0) return true;
    const int answer = desktop_.ask(this, texts::askSaveChanges(), texts::saveChangesButtons(), 0, 2);
    if (answer == 0) return saveArrangementClick();
    if (answer == 1) {
        if (recovery_) recovery_->file.remove();
        return true;
    }
    return false;
}

void Tkadrel::openArrangementClick() {
    const QStringList paths = desktop_.openFiles(this, kArrangementFilter, doc_.fileName(), false);
    if (paths.isEmpty()) return;
    openArrangement(paths.first());
}

void Tkadrel::openArrangement(const QString& path) {
    if (!maySafelyDiscard()) return;
    OpenedArrangement opened = openOpenRaster(path);  // a refused file changes nothing
    doc_.replace(std::move(opened.table), QFileInfo(path).absoluteFilePath());
    refresh();
    pickchange();
    if (!opened.notices.isEmpty()) desktop_.notice(this, opened.notices.join(QLatin1Char('\n')));
}

bool Tkadrel::saveArrangementClick() {
    if (doc_.fileName().isEmpty()) return saveArrangementAsClick();
    writeArrangement(doc_.fileName());
    return true;
}

bool Tkadrel::saveArrangementAsClick() {
    QString start = doc_.fileName();
    if (start.isEmpty()) {
        const Piece* piece = table().current();
        start = piece ? withoutExtension(piece->pieceFile) : QString();
    }
    const auto choice = desktop_.saveFile(this, kArrangementFilter, start, 1);
    if (!choice) return false;
    QString path = choice->path;
    if (!isOpenRasterName(path)) path += QStringLiteral(".ora");
    if (path != doc_.fileName() && mustAskBeforeWriting(path) &&
        !desktop_.confirm(this, texts::confirmOverwrite(path)))
        return false;
    writeArrangement(QFileInfo(path).absoluteFilePath());
    return true;
}

void Tkadrel::writeArrangement(const QString& path) {
    doc_.finishTransactions();
    {
        const platform::BusyCursor busy;
        saveOpenRaster(doc_.table(), path);
    }
    doc_.markSaved(path);
    if (recovery_) recovery_->file.remove();
    refresh();
}

void Tkadrel::closeEvent(QCloseEvent* event) {
    bool may = false;
    platform::runGuarded(desktop_, this, [&] { may = maySafelyDiscard(); });
    if (!may) {
        event->ignore();
        return;
    }
    endRecovery();
    QMainWindow::closeEvent(event);
}

void Tkadrel::enableRecovery(const QString& folder) {
    recovery_ = std::make_unique<Recovery>(folder);
    recovery_->timer.setSingleShot(true);
    recovery_->timer.setInterval(kRecoveryDelayMs);
    connect(&recovery_->timer, &QTimer::timeout, this, [this] { writeRecovery(); });
    // The desktop session ending asks as closing the window does; キャンセル keeps it running.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
        if (!doc_.modified() || pieceCount() == 0) return;
        if (!manager.allowsInteraction()) {
            // No question may be asked: the recovery document, written now, keeps the work for
            // the next start.
            waitForRecovery();
            recovery_->keep = true;
            return;
        }
        bool may = false;
        platform::runGuarded(desktop_, this, [&] { may = maySafelyDiscard(); });
        manager.release();
        if (!may) manager.cancel();
    });
}

void Tkadrel::writeRecovery() {
    Recovery& r = *recovery_;
    if (r.writer) {
        r.again = true;
        return;
    }
    if (!doc_.modified() || pieceCount() == 0) {
        r.file.remove();
        return;
    }
    // A snapshot: the pictures are shared with the table, not copied, and the writer never
    // touches the window.
    PieceTable snapshot = doc_.table();
    const QString path = r.file.path();
    r.writer.reset(QThread::create([snapshot = std::move(snapshot), path] {
        try {
            saveOpenRaster(snapshot, path);
        } catch (...) {
            // The next change tries again; the document on disk is the last one written whole.
        }
    }));
    connect(r.writer.get(), &QThread::finished, this, [this] {
        if (!recovery_ || !recovery_->writer) return;
        recovery_->writer->wait();
        recovery_->writer.reset();
        if (recovery_->again) {
            recovery_->again = false;
            writeRecovery();
        }
    });
    // Idle priority, inherited by the workers it starts: the window and the user come first.
    r.writer->start(QThread::IdlePriority);
}

void Tkadrel::waitForRecovery() {
    if (!recovery_) return;
    if (recovery_->timer.isActive()) {
        recovery_->timer.stop();
        writeRecovery();
    }
    while (recovery_->writer) {
        recovery_->writer->wait();
        recovery_->writer.reset();
        if (recovery_->again) {
            recovery_->again = false;
            writeRecovery();
        }
    }
}

void Tkadrel::endRecovery() {
    if (!recovery_) return;
    recovery_->timer.stop();
    if (recovery_->writer) recovery_->writer->wait();
    recovery_->writer.reset();
    if (!recovery_->keep) recovery_->file.remove();
    recovery_.reset();
}

void Tkadrel::offerRecovery(const QString& folder) {
    std::vector<LeftOver> left = leftOverRecoveries(folder);
    if (left.empty()) return;
    const int answer = desktop_.ask(this, texts::askRestore(), texts::restoreButtons(), 0, 1);
    if (answer == 0) {
        // The newest one comes back, as unsaved work; the others stay for a later start.
        LeftOver& newest = left.front();
        OpenedArrangement opened = openOpenRaster(newest.path);
        doc_.replace(PieceTable(table().canvas(), table().autoSize()));
        doc_.edit([&](PieceTable& t, const Options&) { t = std::move(opened.table); });
        newest.discard();
        refresh();
        pickchange();
        if (recovery_) recovery_->timer.start();
        return;
    }
    for (LeftOver& l : left) l.discard();
}

}  // namespace collage
