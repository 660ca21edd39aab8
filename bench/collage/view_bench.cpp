// Redrawing the main window while a piece is dragged at "ウィンドウに合わせる": three 4000 x 3000
// photos side by side make a 12000 x 3000 canvas shown at about a tenth. Each iteration is one
// mouse move of the drag followed by painting the whole view, as the screen would be updated.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMouseEvent>
#include <QScrollArea>

#include "../support/bench_photo.h"
#include "collage/tkadrel.h"
#include "platform/fake_desktop.h"

namespace {

void BM_DragRedrawAtFitZoom(benchmark::State& state) {
    platform::FakeDesktop desktop;
    desktop.screen = QSize(13000, 1000);  // wide enough that the three photos stand in one row
    platform::setDesktop(&desktop);
    collage::Tkadrel k;
    k.resize(1400, 900);
    k.show();
    const QImage photo = benchphoto::photo(4000, 3000);
    for (int i = 0; i < 3; ++i) k.Adding(photo.copy(), {});
    k.fitwindowClick();
    QApplication::processEvents();
    QWidget* port = k.view->viewport();
    QImage frame(port->size() * port->devicePixelRatio(), QImage::Format_ARGB32_Premultiplied);
    platform::PictureControl* piece = k.pieceImage[1];
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

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
