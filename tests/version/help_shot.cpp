// Shows the help window and saves a grab of it.

#include <cstdio>

#include <QApplication>
#include <QTimer>

#include "platform/desktop.h"
#include "platform/qt_desktop.h"
#include "version/ttobrisk.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    platform::QtDesktop desk;
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("help-window.png");

    version::Ttobrisk help(desk);
    help.verClick();

    int status = 1;
    QTimer::singleShot(300, [&] {
        status = help.grab().save(out) ? 0 : 1;
        if (status != 0) std::fprintf(stderr, "could not write %s\n", qPrintable(out));
        app.quit();
    });
    app.exec();
    return status;
}
