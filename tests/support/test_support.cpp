#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <cstdlib>

#include <pwd.h>
#include <unistd.h>

#include "base/image.h"
#include "platform/widgets.h"

namespace testsupport {

platform::FakeDesktop& fake() {
    static platform::FakeDesktop desktop;
    return desktop;
}

void resetFake() {
    fake().clear();
    fake().clipboard = QImage();
}

QImage solid(int w, int h, base::Colour c) {
    return base::makeBgr(w, h, c);
}

QString corpusDir() {
#ifdef KADREL_CORPUS_DIR
    const QString dir = QStringLiteral(KADREL_CORPUS_DIR);
#else
    const QString dir;
#endif
    return !dir.isEmpty() && QDir(dir).exists() ? QDir(dir).absolutePath() : QString();
}

QString writeBytes(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return {};
    f.write(bytes);
    return path;
}

void expectNumbersShown(QWidget* window, const std::map<QString, QStringList>& widest) {
    window->ensurePolished();
    for (QLineEdit* edit : window->findChildren<QLineEdit*>()) {
        const auto found = widest.find(edit->objectName());
        if (found == widest.end()) {
            ADD_FAILURE() << "edit " << edit->objectName().toStdString() << " has no widest value";
            continue;
        }
        const QFontInfo info(edit->font());
        EXPECT_GE(info.pixelSize(), 9) << edit->objectName().toStdString();
        const QFontMetrics metrics(edit->font());
        for (const QString& text : found->second)
            EXPECT_TRUE(platform::showsInFull(edit, text))
                << edit->objectName().toStdString() << " cuts " << text.toStdString() << ": "
                << metrics.horizontalAdvance(text) << " px of text in a " << edit->width()
                << " px edit, font " << info.family().toStdString() << " " << info.pixelSize() << " px";
    }
}

Unprivileged::Unprivileged(const QStringList& owned) {
    if (geteuid() != 0) return;
    uid_t uid = 65534;
    gid_t gid = 65534;
    if (const passwd* user = getpwnam("nobody")) {
        uid = user->pw_uid;
        gid = user->pw_gid;
    }
    for (const QString& path : owned)
        if (lchown(QFile::encodeName(path).constData(), uid, gid) != 0)
            ADD_FAILURE() << "chown " << path.toStdString();
    // The saved ids stay root's, so that the destructor may take root back. Real and effective
    // ids both change: access(), which Qt asks whether a file is writable, looks at the real one.
    if (setresgid(gid, gid, 0) != 0 || setresuid(uid, uid, 0) != 0) {
        ADD_FAILURE() << "cannot become nobody";
        return;
    }
    dropped_ = true;
}

Unprivileged::~Unprivileged() {
    if (!dropped_) return;
    if (setresuid(0, 0, 0) != 0 || setresgid(0, 0, 0) != 0) {
        ADD_FAILURE() << "cannot become root again";
        std::abort();
    }
}

}  // namespace testsupport
