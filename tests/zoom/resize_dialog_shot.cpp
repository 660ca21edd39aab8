// Shows the resize dialog after a rotation preview with transparency on, and saves a grab of it.

#include <cstdio>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "base/image.h"
#include "platform/desktop.h"
#include "platform/qt_desktop.h"
#include "zoom/tresize.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    platform::QtDesktop desk;
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("resize-dialog.png");

    QImage picture = base::makeBgr(460, 320, base::rgb(40, 200, 60));
    for (int y = 40; y < 280; ++y)
        for (int x = 60; x < 400; ++x)
            base::setPixel(picture, x, y, base::rgb(static_cast<std::uint8_t>(x / 2), 140, 200));
    QImage shown = picture;

    zoom::Tresize dialog(desk);
    dialog.editorPicture = [&] { return picture; };
    dialog.showInEditor = [&](const QImage& p) { shown = p; };
    dialog.pieceTransparent = [] { return true; };
    dialog.called();
    dialog.degree->setText(QStringLiteral("12"));
    dialog.degreesub->setText(QStringLiteral("50"));
    dialog.goresize->click();

    int status = 1;
    QTimer::singleShot(300, [&] {
        status = dialog.grab().save(out) ? 0 : 1;
        std::printf("%s: %s\n", qPrintable(out), status == 0 ? "saved" : "not saved");
        app.quit();
    });
    app.exec();
    return status;
}
