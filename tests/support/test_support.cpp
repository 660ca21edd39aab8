#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "base/image.h"

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

}  // namespace testsupport
