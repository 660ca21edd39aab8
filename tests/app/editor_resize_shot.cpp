// Opens the program's windows as a user would reach them: a picture added, sent to the cut editor,
// "ズーム" pressed and a reduction previewed; then saves a grab of the whole screen.
//   xvfb-run -a -s "-screen 0 1280x1024x24" app_editor_resize_shot docs/editor-and-resize.png [picture]

#include <cstdio>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "app/wiring.h"
#include "base/image.h"
#include "bmpfilters/static_palette.h"
#include "codecs/codecs.h"
#include "platform/desktop.h"
#include "platform/qt_desktop.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    codecs::limitQtReaders();
    bmpfilters::initStaticPalette();
    platform::QtDesktop desk;
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("editor-and-resize.png");

    app::Windows windows(desk);
    collage::Tkadrel& kadrel = windows.kadrel;
    load::Tloadcut& loadcut = windows.loadcut;
    zoom::Tresize& resize = windows.resize;
    kadrel.show();

    int status = 1;
    QTimer::singleShot(200, [&] {
        if (argc > 2) {
            kadrel.loading(QString::fromLocal8Bit(argv[2]));
        } else {
            QImage picture = base::makeBgr(360, 240, base::rgb(40, 200, 60));
            for (int y = 30; y < 210; ++y)
                for (int x = 40; x < 320; ++x)
                    base::setPixel(picture, x, y, base::rgb(static_cast<std::uint8_t>(x / 2), 140, 200));
            kadrel.Adding(picture);
        }
        kadrel.editmenu->trigger();
        loadcut.resizeon->click();
        resize.newsizex->setText(QString::number(loadcut.picWidth * 7 / 10));
        resize.newsizexExit();
        resize.goresize->click();
    });
    QTimer::singleShot(900, [&] {
        status = QGuiApplication::primaryScreen()->grabWindow(0).save(out) ? 0 : 1;
        std::printf("%s: %s\n", qPrintable(out), status == 0 ? "saved" : "not saved");
        app.quit();
    });
    app.exec();
    return status;
}
