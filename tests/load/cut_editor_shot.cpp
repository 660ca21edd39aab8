// Shows the cut editor holding a picture with a partial selection and saves a grab of it.

#include <cmath>
#include <cstdio>

#include <QApplication>
#include <QLineEdit>
#include <QTimer>

#include "base/image.h"
#include "load/tloadcut.h"
#include "platform/desktop.h"
#include "platform/qt_desktop.h"

namespace {

// A landscape-like picture: sky, hills and a sun, enough to see the frame invert it.
QImage scene(int w, int h) {
    QImage img = base::makeBgr(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const double hill = h * 0.6 + 25 * std::sin(x / 37.0) + 12 * std::sin(x / 11.0);
            const double sun = std::hypot(x - w * 0.7, y - h * 0.25);
            base::Colour c;
            if (sun < 28)
                c = base::rgb(255, 220, 90);
            else if (y > hill)
                c = base::rgb(40, static_cast<std::uint8_t>(120 + (y - hill) / 2), 50);
            else
                c = base::rgb(static_cast<std::uint8_t>(120 + y / 3), static_cast<std::uint8_t>(170 + y / 4),
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
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("cut-editor.png");

    load::Tloadcut editor(desk);
    editor.takePicture(scene(460, 320));
    const auto commit = [&](QLineEdit* edit, int v, void (load::Tloadcut::*on)()) {
        edit->setText(QString::number(v));
        (editor.*on)();
    };
    commit(editor.edgexl, 90, &load::Tloadcut::edgexlon);
    commit(editor.sizex, 230, &load::Tloadcut::sizexon);
    commit(editor.edgeyu, 50, &load::Tloadcut::edgeyuon);
    commit(editor.edgeyb, 210, &load::Tloadcut::edgeybon);
    editor.show();

    int status = 1;
    QTimer::singleShot(300, [&] {
        status = editor.grab().save(out) ? 0 : 1;
        if (status != 0) std::fprintf(stderr, "could not write %s\n", qPrintable(out));
        app.quit();
    });
    app.exec();
    return status;
}
