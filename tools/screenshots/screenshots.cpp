// The README's pictures in docs/, one function each, on pictures drawn here so that they come
// out the same every time.
//   screenshots --list        one line per picture: its name, the screen it needs, and "framed"
//                             when it is taken with a window manager (title bars in the picture)
//   screenshots NAME OUT.png  shows the windows and saves the grab (under xvfb-run)
// scripts/take-screenshots (make screenshots) takes every picture into docs/.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>

#include "app/command_line.h"
#include "app/wiring.h"
#include "base/image.h"
#include "bmpfilters/static_palette.h"
#include "codecs/codecs.h"
#include "collage/window/tarrange.h"
#include "platform/desktop.h"
#include "platform/qt_desktop.h"
#include "platform/zoom_menu.h"

namespace {

// What one picture's function gets: a place for the windows it makes (they live until the grab)
// and the grab itself, some time after the windows were set up.
class Session {
public:
    Session(QString out, platform::Desktop& handed) : desktop(handed), out_(std::move(out)) {}

    platform::Desktop& desktop;  // handed to every window made

    template <class T, class... A>
    T& make(A&&... args) {
        auto made = std::make_shared<T>(std::forward<A>(args)...);
        kept_.push_back(made);
        return *made;
    }

    static void later(int ms, std::function<void()> work) { QTimer::singleShot(ms, std::move(work)); }

    void grabAt(int ms, std::function<QPixmap()> grab) {
        later(ms, [this, grab = std::move(grab)] {
            status_ = grab().save(out_) ? 0 : 1;
            std::printf("%s: %s\n", qPrintable(out_), status_ == 0 ? "saved" : "not saved");
            QApplication::quit();
        });
    }

    // The frames of the windows `shown` gives at the grab, and a margin of the desktop around them.
    void grabFramesAt(int ms, std::function<std::vector<QWidget*>()> shown, int margin) {
        grabAt(ms, [shown = std::move(shown), margin] {
            QRect all;
            for (QWidget* w : shown()) all = all.united(w->frameGeometry());
            all.adjust(-margin, -margin, margin, margin);
            return QGuiApplication::primaryScreen()->grabWindow(0, std::max(all.x(), 0), std::max(all.y(), 0),
                                                                all.width(), all.height());
        });
    }

    // The pictures as files dropped on the main window, as a user adds them.
    void drop(collage::Tkadrel& kadrel, const std::vector<QImage>& pictures) {
        QStringList files;
        for (const QImage& picture : pictures) {
            files << files_.filePath(QStringLiteral("piece%1.bmp").arg(files.size() + 1));
            codecs::writeFile(files.back(), picture, codecs::Format::Bmp);
        }
        app::addStartFiles(kadrel, files);
        kadrel.waitForLoading();
    }

    int status() const { return status_; }

private:
    QString out_;
    QTemporaryDir files_;
    std::vector<std::shared_ptr<void>> kept_;
    int status_ = 1;
};

std::uint8_t mixed(int a, int b, double t) {
    return static_cast<std::uint8_t>(a + (b - a) * std::clamp(t, 0.0, 1.0));
}

base::Colour mix(base::Colour from, base::Colour to, double t) {
    return base::rgb(mixed(base::red(from), base::red(to), t), mixed(base::green(from), base::green(to), t),
                     mixed(base::blue(from), base::blue(to), t));
}

QImage solid(int w, int h, base::Colour c) {
    return base::makeBgr(w, h, c);
}

// A diagonal shade from one colour into another, with a lighter frame.
QImage framedShade(int w, int h, base::Colour from, base::Colour to) {
    QImage p = base::makeBgr(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool frame = x < 4 || y < 4 || x >= w - 4 || y >= h - 4;
            const double t = (static_cast<double>(x) / w + static_cast<double>(y) / h) / 2;
            base::setPixel(p, x, y, frame ? base::rgb(250, 250, 250) : mix(from, to, t));
        }
    return p;
}

// Smooth noise in 0..1: random values on a lattice of `cell` pixels, eased between, in four
// octaves, the same for every run.
class Clouds {
public:
    explicit Clouds(unsigned seed) : seed_(seed) {}

    double at(double x, double y) const {
        double sum = 0, weight = 0, amplitude = 1, scale = 1.0 / 64;
        for (int octave = 0; octave < 4; ++octave, amplitude /= 2, scale *= 2) {
            sum += amplitude * smooth(x * scale, y * scale, octave);
            weight += amplitude;
        }
        return sum / weight;
    }

private:
    double lattice(int x, int y, int octave) const {
        std::uint32_t h = seed_ ^ (static_cast<std::uint32_t>(x) * 73856093u) ^
                          (static_cast<std::uint32_t>(y) * 19349663u) ^
                          (static_cast<std::uint32_t>(octave) * 83492791u);
        h ^= h >> 13;
        h *= 0x5bd1e995u;
        h ^= h >> 15;
        return (h & 0xFFFF) / 65535.0;
    }
    double smooth(double x, double y, int octave) const {
        const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
        const auto ease = [](double t) { return t * t * (3 - 2 * t); };
        const double fx = ease(x - x0), fy = ease(y - y0);
        const double top =
            lattice(x0, y0, octave) + fx * (lattice(x0 + 1, y0, octave) - lattice(x0, y0, octave));
        const double bottom = lattice(x0, y0 + 1, octave) +
                              fx * (lattice(x0 + 1, y0 + 1, octave) - lattice(x0, y0 + 1, octave));
        return top + fy * (bottom - top);
    }

    std::uint32_t seed_;
};

// A photo-sized picture of clouds shading from `from` (top left) into `to` (bottom right), or
// swirling about the middle from top to bottom; drawn small and scaled up, which is all a
// reduced view shows.
QImage clouds(int w, int h, base::Colour from, base::Colour to, bool swirl, unsigned seed) {
    const int sw = w / 8, sh = h / 8;
    const Clouds noise(seed);
    QImage small = base::makeBgr(sw, sh);
    for (int y = 0; y < sh; ++y)
        for (int x = 0; x < sw; ++x) {
            const double u = static_cast<double>(x) / sw, v = static_cast<double>(y) / sh;
            double t;
            if (swirl) {
                const double dx = u - 0.5, dy = (v - 0.5) * sh / sw;
                const double r = std::hypot(dx, dy);
                t = v + 0.3 * std::sin(2 * std::atan2(dy, dx) + 14 * r) * std::min(1.0, r / 0.08) *
                            std::exp(-4 * r);
            } else {
                t = 0.6 * (u + v) / 2 + 0.4 * noise.at(x, y) + 0.1 * (noise.at(3 * x + 500, 3 * y) - 0.5);
            }
            base::setPixel(small, x, y, mix(from, to, t));
        }
    return base::toBgr(small.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

// A landscape-like picture: sky, hills and a sun, enough to see the frame invert it.
QImage scene(int w, int h) {
    QImage img = base::makeBgr(w, h);
    for (int y = 0; y < h; ++y)
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
    return img;
}

// A joined strip of three scenes, so the scaling and the black bands are plain to see.
QImage strip(int w, int h) {
    QImage img = base::makeBgr(w, h);
    for (int y = 0; y < h; ++y)
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
    return img;
}

// A green picture with a shaded inner rectangle, for the resize dialog to work on.
QImage panel(int w, int h, int marginX, int marginY) {
    QImage picture = base::makeBgr(w, h, base::rgb(40, 200, 60));
    for (int y = marginY; y < h - marginY; ++y)
        for (int x = marginX; x < w - marginX; ++x)
            base::setPixel(picture, x, y, base::rgb(static_cast<std::uint8_t>(x / 2), 140, 200));
    return picture;
}

void commit(load::Tloadcut& editor, QLineEdit* edit, int value, void (load::Tloadcut::*on)()) {
    edit->setText(QString::number(value));
    (editor.*on)();
}

// main-window.png: three plain pieces side by side on an auto-sized canvas, the last current.
void mainWindow(Session& s) {
    auto& windows = s.make<app::Windows>(s.desktop);
    windows.kadrel.show();
    s.later(300, [&s, &windows] {
        s.drop(windows.kadrel,
               {solid(160, 120, base::rgb(230, 120, 40)), solid(120, 160, base::rgb(40, 140, 220)),
                solid(200, 90, base::rgb(90, 190, 90))});
    });
    s.grabAt(1000, [&windows] { return windows.kadrel.grab(); });
}

// main-window-fit.png: three 4000 × 3000 photos side by side at "ウィンドウに合わせる".
void mainWindowFit(Session& s) {
    auto& windows = s.make<app::Windows>(s.desktop);
    windows.kadrel.resize(1202, 802);
    windows.kadrel.show();
    s.later(300, [&windows] {
        collage::Tkadrel& kadrel = windows.kadrel;
        // Side by side: a new piece's row wraps only past this width.
        collage::Options wide = kadrel.options();
        wide.screenWidth = 12000;
        collage::PieceTable table(kadrel.table().canvas());
        for (const QImage& picture :
             {clouds(4000, 3000, base::rgb(240, 20, 50), base::rgb(20, 30, 240), false, 1),
              clouds(4000, 3000, base::rgb(20, 110, 20), base::rgb(250, 240, 0), false, 2),
              clouds(4000, 3000, base::rgb(255, 165, 0), base::rgb(130, 0, 130), true, 3)}) {
            collage::Piece piece;
            piece.picture = picture;
            piece.thumbnail =
                base::toBgr(picture.scaled(100, 100, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
            table.add(piece, wide);
        }
        kadrel.setTable(table);
        kadrel.zoomMenu->fitWindow->trigger();
    });
    s.grabAt(3000, [&windows] { return windows.kadrel.grab(); });
}

// cut-editor.png: the cut editor with a partial selection.
void cutEditor(Session& s) {
    auto& editor = s.make<load::Tloadcut>(s.desktop);
    editor.takePicture(scene(460, 320));
    commit(editor, editor.edgexl, 90, &load::Tloadcut::edgexlon);
    commit(editor, editor.sizex, 230, &load::Tloadcut::sizexon);
    commit(editor, editor.edgeyu, 50, &load::Tloadcut::edgeyuon);
    commit(editor, editor.edgeyb, 210, &load::Tloadcut::edgeybon);
    editor.show();
    s.grabAt(300, [&editor] { return editor.grab(); });
}

// cut-editor-zoom.png: the cut editor, framed, zoomed out to 67 % over a 4000 × 3000 photo, the
// view scrolled to the selection.
void cutEditorZoom(Session& s) {
    auto& editor = s.make<load::Tloadcut>(s.desktop);
    editor.takePicture(clouds(4000, 3000, base::rgb(235, 135, 20), base::rgb(165, 40, 90), false, 4));
    commit(editor, editor.edgexl, 1303, &load::Tloadcut::edgexlon);
    commit(editor, editor.sizex, 944, &load::Tloadcut::sizexon);
    commit(editor, editor.edgeyu, 790, &load::Tloadcut::edgeyuon);
    commit(editor, editor.sizey, 629, &load::Tloadcut::sizeyon);
    editor.resize(900, 697);
    editor.move(20, 20);
    editor.show();
    s.later(300, [&editor] {
        editor.zoomMenu->zoomOut->trigger();
        const double zoom = editor.viewZoom();
        editor.view->horizontalScrollBar()->setValue(static_cast<int>(1303 * zoom) - 50);
        editor.view->verticalScrollBar()->setValue(static_cast<int>(790 * zoom) - 4);
    });
    s.grabFramesAt(
        1200, [&editor] { return std::vector<QWidget*>{&editor}; }, 0);
}

// editor-and-resize.png: a piece sent to the cut editor, "ズーム" pressed and a reduction to 70 %
// previewed; the whole screen, without a window manager.
void editorAndResize(Session& s) {
    auto& windows = s.make<app::Windows>(s.desktop);
    windows.kadrel.show();
    s.later(200, [&windows] {
        windows.kadrel.Adding(panel(360, 240, 40, 30));
        windows.kadrel.editmenu->trigger();
        windows.loadcut.resizeon->click();
        windows.resize.newsizex->setText(QString::number(windows.loadcut.picWidth * 7 / 10));
        windows.resize.newsizexExit();
        windows.resize.goresize->click();
    });
    s.grabAt(900, [] { return QGuiApplication::primaryScreen()->grabWindow(0); });
}

// The main window with nine pieces of mixed sizes and the "整列" dialog set by `settings`, both
// framed.
void arrangeScene(Session& s, void (*settings)(collage::Tkadrel&, collage::Tarrange*)) {
    auto& windows = s.make<app::Windows>(s.desktop);
    collage::Tkadrel& kadrel = windows.kadrel;
    kadrel.show();
    kadrel.move(20, 20);
    kadrel.resize(800, 560);
    s.later(300, [&kadrel, settings] {
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
            piece.picture = framedShade(p.w, p.h, p.from, p.to);
            piece.thumbnail = base::toBgr(piece.picture.scaled(100, 100));
            table.add(piece, kadrel.options());
        }
        kadrel.setTable(table);
        kadrel.arrangemenu->trigger();
        settings(kadrel, kadrel.arrangeDialog());
    });
    s.grabFramesAt(
        1200,
        [&kadrel] {
            return std::vector<QWidget*>{&kadrel, kadrel.arrangeDialog()};
        },
        12);
}

// arrange.png: three columns at one height.
void arrange(Session& s) {
    arrangeScene(s, [](collage::Tkadrel&, collage::Tarrange* d) {
        d->columns->setValue(3);
        d->gap->setValue(12);
        d->margin->setValue(12);
        d->rowMiddle->click();
        d->columnCenter->click();
        d->sizeHeight->click();
        d->target->setValue(110);
    });
}

// arrange-justified.png: justified rows 640 wide.
void arrangeJustified(Session& s) {
    arrangeScene(s, [](collage::Tkadrel&, collage::Tarrange* d) {
        d->layoutJustify->click();
        d->gap->setValue(8);
        d->margin->setValue(8);
        d->rowWidth->setValue(640);
        d->rowHeight->setValue(130);
    });
}

// arrange-cells.png: 1080 × 1080, three columns of filled cells.
void arrangeCells(Session& s) {
    arrangeScene(s, [](collage::Tkadrel& kadrel, collage::Tarrange* d) {
        kadrel.setViewZoom(0.5);
        d->columns->setValue(3);
        d->gap->setValue(12);
        d->margin->setValue(12);
        d->outputSize->setCurrentIndex(1);
        Q_EMIT d->outputSize->activated(1);
        d->cellFill->click();
    });
}

// preview.png: the full-screen preview of a picture wider than the screen.
void preview(Session& s) {
    auto& full = s.make<fullshow::Tfull>(s.desktop);
    full.showPicture(strip(2048, 512));
    s.grabAt(400, [&full] { return full.grab(); });
}

// help-window.png: the help window with its notes.
void helpWindow(Session& s) {
    auto& help = s.make<version::Ttobrisk>(s.desktop);
    help.verClick();
    s.grabAt(300, [&help] { return help.grab(); });
}

// resize-dialog.png: the resize dialog after a rotation preview with transparency on.
void resizeDialog(Session& s) {
    auto& picture = s.make<QImage>(panel(460, 320, 60, 40));
    auto& dialog = s.make<zoom::Tresize>(s.desktop);
    dialog.editorPicture = [&picture] { return picture; };
    dialog.showInEditor = [](const QImage&) {};
    dialog.pieceTransparent = [] { return true; };
    dialog.called();
    dialog.degree->setText(QStringLiteral("12"));
    dialog.degreesub->setText(QStringLiteral("50"));
    dialog.goresize->click();
    s.grabAt(300, [&dialog] { return dialog.grab(); });
}

struct Shot {
    const char* name;
    QSize screen;
    bool framed;  // taken with a window manager, so that the windows carry their title bars
    void (*take)(Session&);
};

const Shot kShots[] = {
    {"main-window", {1280, 1024}, false, mainWindow},
    {"main-window-fit", {1280, 1024}, false, mainWindowFit},
    {"cut-editor", {1280, 1024}, false, cutEditor},
    {"cut-editor-zoom", {1280, 1024}, true, cutEditorZoom},
    {"editor-and-resize", {1280, 1024}, false, editorAndResize},
    {"arrange", {1600, 1000}, true, arrange},
    {"arrange-justified", {1600, 1000}, true, arrangeJustified},
    {"arrange-cells", {1600, 1000}, true, arrangeCells},
    {"preview", {1024, 768}, false, preview},
    {"help-window", {1280, 1024}, false, helpWindow},
    {"resize-dialog", {1280, 1024}, false, resizeDialog},
};

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && QString::fromLocal8Bit(argv[1]) == QStringLiteral("--list")) {
        for (const Shot& shot : kShots)
            std::printf("%s %dx%d%s\n", shot.name, shot.screen.width(), shot.screen.height(),
                        shot.framed ? " framed" : "");
        return 0;
    }
    const Shot* shot = nullptr;
    if (argc == 3)
        for (const Shot& s : kShots)
            if (QString::fromLocal8Bit(argv[1]) == QLatin1String(s.name)) shot = &s;
    if (!shot) {
        std::fprintf(stderr, "usage: screenshots --list | screenshots NAME OUT.png\n");
        return 2;
    }

    QApplication app(argc, argv);
    codecs::limitQtReaders();
    bmpfilters::initStaticPalette();
    platform::QtDesktop desktop;
    Session session(QString::fromLocal8Bit(argv[2]), desktop);
    shot->take(session);
    QApplication::exec();
    return session.status();
}
