#include "test_support.h"

#include <cstdlib>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>

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

void expectTabInReadingOrder(QWidget* window, QWidget* first) {
    first->setFocus(Qt::MouseFocusReason);
    QList<QWidget*> visited{first};
    for (int i = 0; i < 100; ++i) {
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QApplication::sendEvent(QApplication::focusWidget(), &tab);
        QWidget* now = QApplication::focusWidget();
        ASSERT_NE(now, nullptr) << "after " << visited.last()->objectName().toStdString();
        if (now == first) break;
        visited << now;
    }
    QList<QWidget*> reachable;
    for (QWidget* w : window->findChildren<QWidget*>())
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisible() && w->window() == window &&
            !qobject_cast<QMenuBar*>(w))
            reachable << w;
    for (QWidget* w : reachable) EXPECT_EQ(visited.count(w), 1) << w->objectName().toStdString();
    EXPECT_EQ(visited.size(), reachable.size());
    for (qsizetype i = 1; i < visited.size(); ++i) {
        const QPoint a = visited[i - 1]->mapTo(window, QPoint(0, 0));
        const QPoint b = visited[i]->mapTo(window, QPoint(0, 0));
        EXPECT_TRUE(b.y() > a.y() + 4 || (std::abs(b.y() - a.y()) <= 4 && b.x() > a.x()))
            << visited[i - 1]->objectName().toStdString() << " then "
            << visited[i]->objectName().toStdString();
    }
}

}  // namespace testsupport
