// Shows the preview of a picture wider than the screen and saves a grab of the whole screen.

#include <cmath>
#include <cstdio>

#include <QApplication>
#include <QScreen>
#include <QTimer>

#include "base/image.h"
#include "fullshow/tfull.h"
#include "platform/desktop.h"
#include "platform/qt_desktop.h"

namespace {

// A joined strip of three scenes, so the scaling and the black bands are plain to see.
QImage strip(int w, int h) {
    QImage img = base::makeBgr(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int part = 3 * x / w;
            const double u = x - part * w / 3.0;
            const double wave = h * 0.6 + 40 * std::sin(u / 45.0);
            base::Colour c;
            if (part == 1 && std::hypot(u - w / 6.0, y - h * 0.3) < h * 0.15)
                c = base::rgb(250, 210, 80);
            else if (y > wave)
                c = part == 0   ? base::rgb(40, 130, 60)
                    : part == 1 ? base::rgb(200, 120, 50)
                                : base::rgb(30, 80, 160);
            else
                c = base::rgb(static_cast<std::uint8_t>(110 + y / 6), static_cast<std::uint8_t>(160 + y / 8),
                              235);
            base::setPixel(img, x, y, c);
        }
    }
    return img;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    platform::QtDesktop desk;
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("preview.png");

    fullshow::Tfull full(desk);
    full.showPicture(strip(2048, 512));

    int status = 1;
    QTimer::singleShot(400, [&] {
        status = full.grab().save(out) ? 0 : 1;
        if (status != 0) std::fprintf(stderr, "could not write %s\n", qPrintable(out));
        app.quit();
    });
    app.exec();
    return status;
}
