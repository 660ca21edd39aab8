// The main window with nine pieces of mixed sizes and the "整列" dialog beside it, previewing a
// grid of three columns at one height; then saves a grab of the two windows.
//   xvfb-run -a -s "-screen 0 1600x1000x24" app_arrange_shot docs/arrange.png [milliseconds before the grab]

#include <algorithm>
#include <cstdio>

#include <QApplication>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QTimer>

#include "app/wiring.h"
#include "base/image.h"
#include "bmpfilters/static_palette.h"
#include "codecs/codecs.h"
#include "collage/tarrange.h"
#include "platform/desktop.h"
#include "platform/qt_desktop.h"

namespace {

// A picture of w x h shading from one colour into another, with a lighter frame.
QImage shade(int w, int h, base::Colour from, base::Colour to) {
    QImage p = base::makeBgr(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double t = (static_cast<double>(x) / w + static_cast<double>(y) / h) / 2;
            auto mix = [t](int a, int b) { return static_cast<std::uint8_t>(a + (b - a) * t); };
            const bool frame = x < 4 || y < 4 || x >= w - 4 || y >= h - 4;
            base::setPixel(p, x, y,
                           frame ? base::rgb(250, 250, 250)
                                 : base::rgb(mix(base::red(from), base::red(to)),
                                             mix(base::green(from), base::green(to)),
                                             mix(base::blue(from), base::blue(to))));
        }
    return p;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    codecs::limitQtReaders();
    bmpfilters::initStaticPalette();
    platform::QtDesktop desk;
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("arrange.png");

    app::Windows windows(desk);
    collage::Tkadrel& kadrel = windows.kadrel;
    kadrel.show();
    kadrel.move(20, 20);
    kadrel.resize(800, 560);

    int status = 1;
    QTimer::singleShot(300, [&] {
        const struct {
            int w, h;
            base::Colour from, to;
        } pieces[] = {
            {160, 120, base::rgb(230, 80, 60), base::rgb(250, 200, 80)},
            {90, 140, base::rgb(40, 120, 220), base::rgb(120, 220, 250)},
            {200, 100, base::rgb(60, 170, 90), base::rgb(200, 240, 120)},
            {120, 120, base::rgb(150, 70, 200), base::rgb(240, 150, 220)},
            {140, 90, base::rgb(240, 140, 30), base::rgb(250, 230, 150)},
            {100, 160, base::rgb(30, 150, 160), base::rgb(150, 230, 210)},
            {180, 130, base::rgb(200, 50, 110), base::rgb(250, 170, 160)},
            {110, 80, base::rgb(90, 90, 200), base::rgb(180, 200, 250)},
            {150, 110, base::rgb(120, 160, 40), base::rgb(230, 230, 110)},
        };
        collage::PieceTable table(kadrel.table().canvas());
        table.setBackground(collage::Background{base::rgb(70, 74, 84), QImage()});
        for (const auto& p : pieces) {
            collage::Piece piece;
            piece.picture = shade(p.w, p.h, p.from, p.to);
            piece.thumbnail = base::toBgr(piece.picture.scaled(100, 100));
            table.add(piece, kadrel.options());
        }
        kadrel.setTable(table);
        kadrel.arrangemenu->trigger();
        collage::Tarrange* d = kadrel.arrangeDialog;
        d->columns->setValue(3);
        d->gap->setValue(12);
        d->margin->setValue(12);
        d->rowMiddle->click();
        d->columnCenter->click();
        d->sizeHeight->click();
        d->target->setValue(110);
    });
    const int wait = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 1200;
    QTimer::singleShot(std::max(wait, 1200), [&] {
        // The two windows and a little of the desktop around them.
        const QRect both =
            kadrel.frameGeometry().united(kadrel.arrangeDialog->frameGeometry()).adjusted(-12, -12, 12, 12);
        status =
            QGuiApplication::primaryScreen()
                    ->grabWindow(0, std::max(both.x(), 0), std::max(both.y(), 0), both.width(), both.height())
                    .save(out)
                ? 0
                : 1;
        std::printf("%s: %s\n", qPrintable(out), status == 0 ? "saved" : "not saved");
        app.quit();
    });
    app.exec();
    return status;
}
