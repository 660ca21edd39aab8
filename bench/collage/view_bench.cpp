// Redrawing the main window while a piece is dragged at "ウィンドウに合わせる": three 4000 x 3000
// photos side by side make a 12000 x 3000 canvas shown at about a tenth. Each iteration is one
// mouse move of the drag followed by painting the whole view, as the screen would be updated.
#include <algorithm>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMouseEvent>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTimer>

#include "../support/bench_photo.h"
#include "codecs/codecs.h"
#include "collage/window/tkadrel.h"
#include "platform/fake_desktop.h"
#include "platform/zoom_menu.h"

namespace {

void BM_DragRedrawAtFitZoom(benchmark::State& state) {
    platform::FakeDesktop desktop;
    desktop.screen = QSize(13000, 1000);  // wide enough that the three photos stand in one row
    collage::Tkadrel k(desktop);
    k.resize(1400, 900);
    k.show();
    const QImage photo = benchphoto::photo(4000, 3000);
    for (int i = 0; i < 3; ++i) k.Adding(photo.copy(), {});
    k.zoomMenu->fitWindow->trigger();
    QApplication::processEvents();
    QWidget* port = k.view->viewport();
    QImage frame(port->size() * port->devicePixelRatio(), QImage::Format_ARGB32_Premultiplied);
    platform::PictureControl* piece = k.pieceImage()[1];
    const QPointF grab(piece->width() / 2.0, piece->height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, grab, piece->mapToGlobal(grab), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    k.ImageMouseDown(piece, &press);
    int step = 0;
    for (auto _ : state) {
        // Back and forth by a few screen pixels, as a hand moves.
        const double dx = (step++ % 20 < 10 ? 1 : -1) * 3.0;
        const QPointF at = grab + QPointF(dx * (step % 10), 0);
        QMouseEvent move(QEvent::MouseMove, at, piece->mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        k.ImageMouseMove(piece, &move);
        port->render(&frame);
        benchmark::DoNotOptimize(frame.constBits());
    }
    state.counters["zoom"] = k.viewZoom();
    state.counters["canvas_w"] = k.table().canvas().width();
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DragRedrawAtFitZoom)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// "画像追加" with N photos of 1280 x 800 chosen in one selection in a fresh window: decoding,
// adding, refitting the canvas and showing the pieces, as one user action. CPU time of the whole
// process, so that work on other threads counts; it should grow linearly with N.
void BM_AddPhotosInOneSelection(benchmark::State& state) {
    static QTemporaryDir dir;
    static QStringList files;
    if (files.isEmpty()) {
        const QImage photo = benchphoto::photo(1280 * 8, 800 * 5);
        for (int i = 0; i < 40; ++i) {
            const QString path = dir.filePath(QStringLiteral("photo%1.jpg").arg(i));
            codecs::writeFile(path, photo.copy(1280 * (i % 8), 800 * (i / 8), 1280, 800),
                              codecs::Format::Jpeg, codecs::WriteOptions{90});
            files << path;
        }
    }
    const QStringList chosen = files.mid(0, static_cast<int>(state.range(0)));
    platform::FakeDesktop desktop;
    for (auto _ : state) {
        state.PauseTiming();
        {
            collage::Tkadrel k(desktop);
            k.resize(1400, 900);
            k.show();
            QApplication::processEvents();
            desktop.openAnswers.push_back(chosen);
            state.ResumeTiming();
            k.addpicClick();
            k.waitForLoading();
            QApplication::processEvents();
            state.PauseTiming();
            if (static_cast<qsizetype>(k.table().pieceCount()) != chosen.size())
                state.SkipWithError("not every photo was added");
        }
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["photos"] = static_cast<double>(chosen.size());
}
BENCHMARK(BM_AddPhotosInOneSelection)
    ->Arg(10)
    ->Arg(20)
    ->Arg(40)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->Iterations(3);

// The longest the window's thread goes without handling its events: a timer asks every 5 ms.
class PauseMeter {
public:
    PauseMeter() {
        QObject::connect(&ticks_, &QTimer::timeout, [this] {
            worst_ = std::max(worst_, static_cast<double>(sinceTick_.nsecsElapsed()) / 1e6);
            sinceTick_.restart();
        });
    }
    void start() {
        sinceTick_.start();
        ticks_.start(5);
    }
    double stop() {
        ticks_.stop();
        return worst_;
    }

private:
    QTimer ticks_;
    QElapsedTimer sinceTick_;
    double worst_ = 0;
};

// Eight photos of 6000 x 4000 given to a fresh window, as `kadrel a.jpg ... h.jpg` does (auto size
// off, since together they cover more than a canvas may): the wall
// time until every piece is on the canvas, and the longest the window's thread went without
// handling its events meanwhile (a timer asks every 5 ms), in counters.
void BM_WindowReadyWithEightLargePhotos(benchmark::State& state) {
    static QTemporaryDir dir;
    static QStringList files;
    if (files.isEmpty()) {
        const QImage photo = benchphoto::photo(6000, 4000);
        for (int i = 0; i < 8; ++i) {
            files << dir.filePath(QStringLiteral("large%1.jpg").arg(i));
            codecs::writeFile(files.back(), photo, codecs::Format::Jpeg, codecs::WriteOptions{90});
        }
    }
    platform::FakeDesktop desktop;
    double worstPause = 0, ready = 0;
    for (auto _ : state) {
        state.PauseTiming();
        collage::Tkadrel k(desktop);
        k.resize(1400, 900);
        k.show();
        QApplication::processEvents();
        // Eight such photos cover more than the canvas may: they stand on a screen-sized canvas.
        k.autosize->click();
        QElapsedTimer clock;
        PauseMeter meter;
        state.ResumeTiming();
        clock.start();
        meter.start();
        k.addFiles(files);
        while (k.loadingFiles())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);  // the meter's ticks wake it
        QApplication::processEvents();
        ready = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        state.PauseTiming();
        worstPause = std::max(worstPause, meter.stop());
        const bool all = k.pieceCount() == 8;
        state.ResumeTiming();
        if (!all) {
            state.SkipWithError(desktop.errors().join(QLatin1Char(' ')).toUtf8().constData());
            break;
        }
    }
    state.counters["ready_ms"] = ready;
    state.counters["worst_pause_ms"] = worstPause;
}
BENCHMARK(BM_WindowReadyWithEightLargePhotos)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The recovery document of a 100-megapixel arrangement (four photos of 5000 x 5000) written in the
// background after a change: the wall time until it is on disk, and the longest the window's thread
// went without handling its events meanwhile (a timer asks every 5 ms).
void BM_RecoveryOfAHundredMegapixelsKeepsTheWindowResponsive(benchmark::State& state) {
    platform::FakeDesktop desktop;
    desktop.screen = QSize(20000, 1000);
    static QTemporaryDir dir;
    collage::Tkadrel k(desktop);
    k.resize(1400, 900);
    k.show();
    const QImage photo = benchphoto::photo(5000, 5000);
    for (int i = 0; i < 4; ++i) k.Adding(photo.copy(), {});
    k.enableRecovery(dir.path());
    double worstPause = 0, written = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        PauseMeter meter;
        collage::PieceTable moved = k.table();  // a change: the document is written a moment later
        moved.nudge(1, 0, k.options());
        k.setTable(moved);
        clock.start();
        meter.start();
        const QString document =
            QDir(dir.path())
                .filePath(QStringLiteral("recovery-%1.ora").arg(QCoreApplication::applicationPid()));
        const QDateTime before = QFileInfo(document).lastModified();
        while (QFileInfo(document).lastModified() == before && clock.elapsed() < 120000)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);  // the meter's ticks wake it
        written = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        worstPause = std::max(worstPause, meter.stop());
    }
    state.counters["written_ms"] = written;
    state.counters["worst_pause_ms"] = worstPause;
}
BENCHMARK(BM_RecoveryOfAHundredMegapixelsKeepsTheWindowResponsive)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
